#include "setup/EncoderLimits.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// MPEG-1's rate table ends in rates that its encoder refuses unless
// non-standard streams are allowed; the standard ones come first.
constexpr int StandardMpeg1Rates = 8;

// MPEG-4 Part 2 and H.263 code the clock rate in 16 bits: a source rate such
// as 2997000/100003 must become the nearest fraction of smaller numbers.
constexpr int MaxClockTicks = 65535;

bool SixteenBitClock(AVCodecID id) {
    return id == AV_CODEC_ID_MPEG4 || id == AV_CODEC_ID_H263 || id == AV_CODEC_ID_H263P;
}

// Encoders that refuse frame sizes other than multiples of a step, by name
// (the native MPEG-4 encoder takes odd sizes that libxvid refuses).
struct TSizeStep {
    const char* Encoder;
    int Step;
};
constexpr TSizeStep SizeSteps[] = {
    // RealVideo pictures are coded in whole macroblocks.
    {"rv10", 16},
    {"rv20", 16},
    // Whole chroma samples of 4:2:0 pictures (a 853x480 source kept as it is).
    {"libx264", 2},
    {"libxvid", 2},
    {"wmv2", 2},
};

// Encoders that refuse other rates or channel counts without listing theirs.
struct TFixedAudio {
    AVCodecID Codec;
    int SampleRate;
    int Channels;
};
constexpr TFixedAudio FixedAudio[] = {
    {AV_CODEC_ID_AMR_NB, 8000, 1},
    {AV_CODEC_ID_AMR_WB, 16000, 1},
};

const TFixedAudio* FixedAudioOf(const AVCodec* encoder) {
    for (const TFixedAudio& fixed : FixedAudio)
        if (encoder && encoder->id == fixed.Codec)
            return &fixed;
    return nullptr;
}

// Flash containers store three sample rates (MP3 in FLV also 48 kHz); AAC and
// Speex carry their own.
constexpr int FlashRates[] = {44100, 22050, 11025, 0};
constexpr int FlvMp3Rates[] = {48000, 44100, 22050, 11025, 0};

// MP4 refuses MP3 below 16 kHz (MPEG-2.5) as non-standard.
constexpr int Mp4Mp3Rates[] = {48000, 44100, 32000, 24000, 22050, 16000, 0};

bool Named(const AVOutputFormat* format, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!std::strcmp(format->name, name))
            return true;
    return false;
}

// MP4 proper, as opposed to its QuickTime, iPod and 3GPP relatives.
bool Mp4Proper(const AVOutputFormat* format) {
    return Named(format, {"mp4", "psp"});
}

const int* MuxerSampleRates(const AVOutputFormat* format, AVCodecID codec) {
    if (!format)
        return nullptr;
    if (Named(format, {"swf"}))
        return FlashRates;
    if (Named(format, {"flv"}) && codec != AV_CODEC_ID_AAC && codec != AV_CODEC_ID_SPEEX)
        return codec == AV_CODEC_ID_MP3 ? FlvMp3Rates : FlashRates;
    if (Mp4Proper(format) && codec == AV_CODEC_ID_MP3)
        return Mp4Mp3Rates;
    return nullptr;
}

bool Listed(const int* list, int value) {
    if (!list)
        return true;
    for (; *list; ++list)
        if (*list == value)
            return true;
    return false;
}

// The entry of the zero-terminated `list` nearest to `wanted` that `alsoIn` holds too.
int Nearest(const int* list, int wanted, const int* alsoIn) {
    int best = 0;
    for (; *list; ++list)
        if (Listed(alsoIn, *list) && (!best || std::abs(*list - wanted) < std::abs(best - wanted)))
            best = *list;
    return best;
}

// MPEG program streams carry MPEG audio, AC-3, DTS and PCM only.
bool ProgramStream(const AVOutputFormat* format) {
    return Named(format, {"mpeg", "vob", "dvd", "svcd", "vcd"});
}

// The nearest codec a container can carry in place of `refused`, or none.
AVCodecID SubstituteFor(const AVOutputFormat* format, AVCodecID refused) {
    // QuickTime takes FLAC only in its MP4 form; its own lossless codec keeps every sample.
    if (refused == AV_CODEC_ID_FLAC && Named(format, {"mov"}))
        return AV_CODEC_ID_ALAC;
    if ((refused == AV_CODEC_ID_FLAC || refused == AV_CODEC_ID_AAC) && ProgramStream(format))
        return AV_CODEC_ID_MP2;
    // Flash files carry MP3 only (of what the profiles offer), FLV files MP3 and AAC.
    if (Named(format, {"swf"}) && refused != AV_CODEC_ID_MP3 &&
        avcodec_get_type(refused) == AVMEDIA_TYPE_AUDIO)
        return AV_CODEC_ID_MP3;
    if (Named(format, {"flv"}) && (refused == AV_CODEC_ID_AC3 || refused == AV_CODEC_ID_FLAC))
        return AV_CODEC_ID_MP3;
    return AV_CODEC_ID_NONE;
}

// Bit rates an encoder codes exactly and refuses all others of; the MPEG-2
// extension to low sample rates (below 32 kHz) has its own table.
constexpr int64_t Mp2Rates[] = {32000,  48000,  56000,  64000,  80000,  96000,  112000,
                                128000, 160000, 192000, 224000, 256000, 320000, 384000};
constexpr int64_t Mp2LowRates[] = {8000,  16000, 24000, 32000,  40000,  48000,  56000,
                                   64000, 80000, 96000, 112000, 128000, 144000, 160000};
constexpr int Mp2LowSampleRateLimit = 32000;
// The Windows Media Audio encoders need this much at least.
constexpr int64_t WmaMinimumBitRate = 24000;

// The average bit rates libvorbis sets up for one and two channels, by sample
// rate (a row holds from its rate up to the next row's); it refuses others and
// publishes no list.
struct TVorbisRange {
    int SampleRate;
    int64_t Lowest[2];
    int64_t Highest[2];
};
constexpr TVorbisRange VorbisRanges[] = {
    {8000, {8000, 12000}, {42000, 84000}},     {11025, {12000, 16000}, {50000, 100000}},
    {16000, {16000, 24000}, {100000, 200000}}, {22050, {16000, 30000}, {90000, 180000}},
    {32000, {30000, 36000}, {190000, 380000}}, {44100, {32000, 46000}, {240000, 500000}},
};

int64_t VorbisBitRate(int sampleRate, int channels, int64_t wanted) {
    if (channels < 1 || channels > 2)
        return wanted;
    const TVorbisRange* row = &VorbisRanges[0];
    for (const TVorbisRange& range : VorbisRanges)
        if (range.SampleRate <= sampleRate)
            row = &range;
    return std::clamp(wanted, row->Lowest[channels - 1], row->Highest[channels - 1]);
}

template <size_t N> int64_t NearestBitRate(const int64_t (&list)[N], int64_t wanted) {
    int64_t best = list[0];
    for (int64_t rate : list)
        if (std::llabs(rate - wanted) < std::llabs(best - wanted))
            best = rate;
    return best;
}

// Pixel aspects of MPEG-1 video as height / width of a pixel, by the code
// its sequence header carries (codes 1 to 14).
constexpr double Mpeg1PixelShapes[] = {1.0000, 0.6735, 0.7031, 0.7615, 0.8055, 0.8437, 0.8935,
                                       0.9157, 0.9815, 1.0255, 1.0695, 1.0950, 1.1575, 1.2015};
// Display aspects MPEG-2 video codes besides square pixels.
constexpr AVRational Mpeg2DisplayAspects[] = {{4, 3}, {16, 9}, {221, 100}};
constexpr int AspectPrecision = 255;

// How far apart two ratios are, the same for either order.
double RatioDistance(double a, double b) {
    return std::fabs(std::log(a / b));
}

// Containers that keep no pixel aspect of their own, and codecs of theirs that code none.
bool KeepsNoAspect(const AVOutputFormat* format) {
    return format && Named(format, {"flv", "swf", "rm"});
}

bool CodesNoAspect(AVCodecID id) {
    switch (id) {
    case AV_CODEC_ID_FLV1:
    case AV_CODEC_ID_RV10:
    case AV_CODEC_ID_RV20:
        return true;
    default:
        return false;
    }
}

} // namespace

const AVCodec* SubstituteEncoder(const AVOutputFormat* format, const AVCodec* encoder) {
    if (!format || !encoder)
        return nullptr;
    const AVCodecID instead = SubstituteFor(format, encoder->id);
    return instead == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(instead);
}

int64_t AcceptedBitRate(const AVCodec* encoder, int sampleRate, int channels, int64_t wanted) {
    if (!encoder || wanted <= 0)
        return wanted;
    if (!std::strcmp(encoder->name, "libvorbis"))
        return VorbisBitRate(sampleRate, channels, wanted);
    switch (encoder->id) {
    case AV_CODEC_ID_MP2:
        return sampleRate < Mp2LowSampleRateLimit ? NearestBitRate(Mp2LowRates, wanted)
                                                  : NearestBitRate(Mp2Rates, wanted);
    case AV_CODEC_ID_WMAV1:
    case AV_CODEC_ID_WMAV2:
        return std::max(wanted, WmaMinimumBitRate);
    default:
        return wanted;
    }
}

AVRational AcceptedFrameRate(const AVCodec* encoder, AVRational wanted, int strictness) {
    if (encoder && SixteenBitClock(encoder->id) &&
        (wanted.num > MaxClockTicks || wanted.den > MaxClockTicks)) {
        AVRational near{0, 1};
        av_reduce(&near.num, &near.den, wanted.num, wanted.den, MaxClockTicks);
        return near;
    }
    if (!encoder || !encoder->supported_framerates)
        return wanted;
    const AVRational* rates = encoder->supported_framerates;
    int count = 0;
    while (rates[count].num)
        ++count;
    if (encoder->id == AV_CODEC_ID_MPEG1VIDEO && strictness > FF_COMPLIANCE_UNOFFICIAL)
        count = std::min(count, StandardMpeg1Rates);
    AVRational best = rates[0];
    for (int i = 1; i < count; ++i)
        if (av_nearer_q(wanted, rates[i], best) > 0)
            best = rates[i];
    return best;
}

bool FitFrameSize(const AVCodec* encoder, int& width, int& height) {
    for (const TSizeStep& step : SizeSteps) {
        if (!encoder || std::strcmp(encoder->name, step.Encoder))
            continue;
        const int fittedWidth = std::max(step.Step, (width + step.Step / 2) / step.Step * step.Step);
        const int fittedHeight = std::max(step.Step, (height + step.Step / 2) / step.Step * step.Step);
        const bool changed = fittedWidth != width || fittedHeight != height;
        width = fittedWidth;
        height = fittedHeight;
        return changed;
    }
    return false;
}

int AcceptedSampleRate(const AVCodec* encoder, const AVOutputFormat* format, int wanted) {
    if (const TFixedAudio* fixed = FixedAudioOf(encoder))
        return fixed->SampleRate;
    const int* encoderRates = encoder ? encoder->supported_samplerates : nullptr;
    const int* muxerRates = MuxerSampleRates(format, encoder ? encoder->id : AV_CODEC_ID_NONE);
    int rate = wanted;
    if (muxerRates && !Listed(muxerRates, rate))
        rate = Nearest(muxerRates, rate, encoderRates);
    if (encoderRates && !Listed(encoderRates, rate))
        rate = Nearest(encoderRates, rate, nullptr);
    return rate > 0 ? rate : wanted;
}

int AcceptedChannels(const AVCodec* encoder, int wanted) {
    if (const TFixedAudio* fixed = FixedAudioOf(encoder))
        return fixed->Channels;
    if (!encoder || !encoder->ch_layouts)
        return wanted;
    int best = 0;
    for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l)
        if (!best || std::abs(l->nb_channels - wanted) < std::abs(best - wanted))
            best = l->nb_channels;
    return best ? best : wanted;
}

bool MuxerCallsExperimental(const AVOutputFormat* format, AVCodecID codec) {
    return format && codec == AV_CODEC_ID_FLAC && Mp4Proper(format);
}

AVRational CodedSampleAspect(const AVOutputFormat* format, const AVCodec* encoder, AVRational wanted,
                             int width, int height) {
    const double sar = wanted.num > 0 && wanted.den > 0 ? av_q2d(wanted) : 1.0;
    const AVCodecID id = encoder ? encoder->id : AV_CODEC_ID_NONE;
    if (KeepsNoAspect(format) && CodesNoAspect(id))
        return AVRational{1, 1};
    if (id == AV_CODEC_ID_MPEG1VIDEO) {
        double best = Mpeg1PixelShapes[0];
        for (const double shape : Mpeg1PixelShapes)
            if (RatioDistance(1.0 / shape, sar) < RatioDistance(1.0 / best, sar))
                best = shape;
        // As the decoder reads the code back.
        return av_d2q(1.0 / best, AspectPrecision);
    }
    if (id == AV_CODEC_ID_MPEG2VIDEO && width > 0 && height > 0) {
        const double display = width * sar / height;
        AVRational best{1, 1};
        double distance = RatioDistance(sar, 1.0);
        for (const AVRational aspect : Mpeg2DisplayAspects) {
            const AVRational pixel = av_mul_q(aspect, AVRational{height, width});
            if (const double d = RatioDistance(av_q2d(aspect), display); d < distance) {
                best = pixel;
                distance = d;
            }
        }
        return best;
    }
    return wanted;
}
