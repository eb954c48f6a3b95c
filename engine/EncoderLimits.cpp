#include "engine/EncoderLimits.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

// MPEG-1's rate table ends in rates that its encoder refuses unless
// non-standard streams are allowed; the standard ones come first.
constexpr int StandardMpeg1Rates = 8;

struct TSizeStep {
    AVCodecID Codec;
    int Step;
};
// RealVideo pictures are coded in whole macroblocks.
constexpr TSizeStep SizeSteps[] = {{AV_CODEC_ID_RV10, 16}, {AV_CODEC_ID_RV20, 16}};

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

// The MPEG-4 family refuses MP3 below 16 kHz (MPEG-2.5) as non-standard.
constexpr int Mp4Mp3Rates[] = {48000, 44100, 32000, 24000, 22050, 16000, 0};

bool Named(const AVOutputFormat* format, std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (!std::strcmp(format->name, name))
            return true;
    return false;
}

bool Mp4Family(const AVOutputFormat* format) {
    return Named(format, {"mp4", "mov", "ipod", "psp", "3gp", "3g2"});
}

const int* MuxerSampleRates(const AVOutputFormat* format, AVCodecID codec) {
    if (!format)
        return nullptr;
    if (Named(format, {"swf"}))
        return FlashRates;
    if (Named(format, {"flv"}) && codec != AV_CODEC_ID_AAC && codec != AV_CODEC_ID_SPEEX)
        return codec == AV_CODEC_ID_MP3 ? FlvMp3Rates : FlashRates;
    if (Mp4Family(format) && codec == AV_CODEC_ID_MP3)
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

} // namespace

AVRational AcceptedFrameRate(const AVCodec* encoder, AVRational wanted, int strictness) {
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
        if (!encoder || encoder->id != step.Codec)
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
    return format && codec == AV_CODEC_ID_FLAC && Mp4Family(format);
}
