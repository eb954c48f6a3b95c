// Settings that older libraries took and today's encoders or muxers refuse
// are bent to the nearest accepted value with a warning, and the conversion
// runs to a file that decodes.
#include "setup/EncoderLimits.h"
#include "BoundedRun.h"
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

#include <algorithm>

namespace {

using namespace std::chrono_literals;
constexpr auto RunLimit = 30s;

struct LimitCase {
    const char* Label;
    const char* Output;
    TOptionList Options;
    const char* Warning;
    // What the encoders get; 0 leaves a value unchecked.
    int Width = 0, Height = 0;
    AVRational Rate{0, 0};
    int SampleRate = 0, Channels = 0;
    AVCodecID AudioCodec = AV_CODEC_ID_NONE;
    int64_t AudioBitRate = 0;
};

void PrintTo(const LimitCase& c, std::ostream* os) {
    *os << c.Label;
}

class EncoderLimits : public SetupTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(EncoderLimits, BendsTheSettingAndConverts) {
    const LimitCase& c = GetParam();
    // A size that is no multiple of 16, 25 fps, stereo at 44100 Hz.
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Video[0].Width = 100;
    spec.Video[0].Height = 52;
    OpenInput(Clip("in.avi", spec));
    LogCapture log;
    const std::string path = dir.File(c.Output);
    OpenOutput(path, c.Options);
    EXPECT_TRUE(log.Has(llWarning, c.Warning)) << c.Warning;

    const TOutputFile& output = task.Output(0);
    for (const TOutputStreamSetup& stream : output.Streams) {
        const AVCodecContext* codec = stream.Codec.get();
        if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
            EXPECT_TRUE(!c.Width || codec->width == c.Width) << codec->width;
            EXPECT_TRUE(!c.Height || codec->height == c.Height) << codec->height;
            EXPECT_TRUE(!c.Rate.num || !av_cmp_q(codec->framerate, c.Rate))
                << codec->framerate.num << "/" << codec->framerate.den;
        } else if (codec->codec_type == AVMEDIA_TYPE_AUDIO) {
            EXPECT_TRUE(!c.SampleRate || codec->sample_rate == c.SampleRate) << codec->sample_rate;
            EXPECT_TRUE(!c.AudioBitRate || codec->bit_rate == c.AudioBitRate) << codec->bit_rate;
            EXPECT_TRUE(!c.AudioCodec || codec->codec_id == c.AudioCodec)
                << avcodec_get_name(codec->codec_id);
            EXPECT_TRUE(!c.Channels || codec->ch_layout.nb_channels == c.Channels)
                << codec->ch_layout.nb_channels;
        }
    }

    const size_t streams = output.Streams.size();
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, RunLimit);
    ASSERT_TRUE(run.InTime);
    ASSERT_EQ(run.Error, "");
    const TDecodedFile out = DecodeWholeFile(path);
    ASSERT_TRUE(out.Opened);
    EXPECT_EQ(out.Errors, 0);
    // Every stream written decodes to something (DVD files add a navigation stream of their own).
    EXPECT_EQ(
        static_cast<size_t>(std::count_if(out.Frames.begin(), out.Frames.end(), [](int n) { return n > 0; })),
        streams);
}

const LimitCase LimitCases[] = {
    // RealVideo codes whole macroblocks.
    {.Label = "rv10_size",
     .Output = "out.rm",
     .Options = {{"vcodec", "rv10"}},
     .Warning = "Frame size 100x52 is not supported by rv10, using 96x48 instead",
     .Width = 96,
     .Height = 48},
    {.Label = "rv20_size",
     .Output = "out.rm",
     .Options = {{"vcodec", "rv20"}, {"s", "200*120"}},
     .Warning = "Frame size 200x120 is not supported by rv20, using 208x128 instead",
     .Width = 208,
     .Height = 128},
    // 4:2:0 encoders that need whole chroma samples, for sources of odd sizes.
    {.Label = "x264_odd_size",
     .Output = "out.mp4",
     .Options = {{"vcodec", "libx264"}, {"s", "101x51"}},
     .Warning = "Frame size 101x51 is not supported by libx264, using 102x52 instead",
     .Width = 102,
     .Height = 52},
    {.Label = "wmv2_odd_size",
     .Output = "out.wmv",
     .Options = {{"vcodec", "wmv2"}, {"s", "101x51"}},
     .Warning = "Frame size 101x51 is not supported by wmv2, using 102x52 instead",
     .Width = 102,
     .Height = 52},
    // MPEG-1 takes only the standard rates; the extra ones of its table need non-standard streams.
    {.Label = "mpeg1_13fps",
     .Output = "out.mpg",
     .Options = {{"vcodec", "mpeg1video"}, {"r", "13.00"}},
     .Warning = "Frame rate 13/1 is not supported by mpeg1video, using 24000/1001 instead",
     .Rate = {24000, 1001}},
    {.Label = "mpeg1_15fps",
     .Output = "out.mpg",
     .Options = {{"vcodec", "mpeg1video"}, {"r", "15.00"}},
     .Warning = "Frame rate 15/1 is not supported by mpeg1video, using 24000/1001 instead",
     .Rate = {24000, 1001}},
    {.Label = "mpeg2_13fps",
     .Output = "out.mpg",
     .Options = {{"vcodec", "mpeg2video"}, {"r", "13.00"}},
     .Warning = "Frame rate 13/1 is not supported by mpeg2video, using 12/1 instead",
     .Rate = {12, 1}},
    // AMR is 8 kHz mono, whatever was asked; the old encoder name still works.
    {.Label = "amr_nb",
     .Output = "out.amr",
     .Options = {{"acodec", "libamr_nb"}, {"ab", "7400"}},
     .Warning = "encoder 'libamr_nb' is not available, using 'libopencore_amrnb' instead",
     .SampleRate = 8000,
     .Channels = 1},
    {.Label = "amr_nb_mono",
     .Output = "out.amr",
     .Options = {{"acodec", "libopencore_amrnb"}},
     .Warning = "2 channels are not supported by libopencore_amrnb, using 1 instead",
     .SampleRate = 8000,
     .Channels = 1},
    {.Label = "aac_for_libfaac",
     .Output = "out.m4a",
     .Options = {{"vn", "1"}, {"acodec", "libfaac"}, {"ar", "24000"}},
     .Warning = "encoder 'libfaac' is not available, using 'aac' instead",
     .SampleRate = 24000,
     .Channels = 2,
     .AudioCodec = AV_CODEC_ID_AAC},
    // Flash containers store three sample rates (MP3 in FLV also 48 kHz).
    {.Label = "flv_mp3_32000",
     .Output = "out.flv",
     .Options = {{"ar", "32000"}},
     .Warning = "Requested sampling rate unsupported using closest supported (22050)",
     .SampleRate = 22050},
    {.Label = "swf_mp3_48000",
     .Output = "out.swf",
     .Options = {{"ar", "48000"}},
     .Warning = "Requested sampling rate unsupported using closest supported (44100)",
     .SampleRate = 44100},
    // MP4 refuses MP3 below 16 kHz, and takes FLAC only as an experimental feature.
    {.Label = "mp4_mp3_11025",
     .Output = "out.mp4",
     .Options = {{"vn", "1"}, {"acodec", "libmp3lame"}, {"ar", "11025"}},
     .Warning = "Requested sampling rate unsupported using closest supported (16000)",
     .SampleRate = 16000},
    {.Label = "mp4_flac",
     .Output = "out.mp4",
     .Options = {{"vn", "1"}, {"acodec", "flac"}},
     .Warning = "flac in mp4 is written with experimental features allowed",
     .AudioCodec = AV_CODEC_ID_FLAC},
    // MPEG audio codes a fixed set of bit rates, one set below 32 kHz and one above.
    {.Label = "mp2_bit_rate",
     .Output = "out.mpg",
     .Options = {{"vn", "1"}, {"ab", "144000"}},
     .Warning = "Bit rate 144000 is not supported by mp2 at 44100 Hz, using 128000 instead",
     .AudioBitRate = 128000},
    {.Label = "mp2_low_rate_bit_rate",
     .Output = "out.mpg",
     .Options = {{"vn", "1"}, {"ab", "320000"}, {"ar", "22050"}},
     .Warning = "Bit rate 320000 is not supported by mp2 at 22050 Hz, using 160000 instead",
     .AudioBitRate = 160000},
    {.Label = "wma_minimum_bit_rate",
     .Output = "out.wma",
     .Options = {{"vn", "1"}, {"ab", "16000"}},
     .Warning = "Bit rate 16000 is not supported by wmav2 at 44100 Hz, using 24000 instead",
     .AudioBitRate = 24000},
    // libvorbis sets up a range of bit rates that depends on the sample rate and channels.
    {.Label = "vorbis_high_bit_rate",
     .Output = "out.ogg",
     .Options = {{"vn", "1"}, {"ab", "320000"}, {"ar", "11025"}},
     .Warning = "Bit rate 320000 is not supported by libvorbis at 11025 Hz, using 100000 instead",
     .AudioBitRate = 100000},
    {.Label = "vorbis_low_bit_rate",
     .Output = "out.ogg",
     .Options = {{"vn", "1"}, {"ab", "16000"}, {"ar", "48000"}},
     .Warning = "Bit rate 16000 is not supported by libvorbis at 48000 Hz, using 46000 instead",
     .AudioBitRate = 46000},
    // Program streams carry MPEG audio and AC-3 but neither AAC nor FLAC.
    {.Label = "mpeg_aac",
     .Output = "out.mpg",
     .Options = {{"acodec", "aac"}},
     .Warning = "mpeg cannot carry aac, using mp2 instead",
     .AudioCodec = AV_CODEC_ID_MP2},
    {.Label = "dvd_flac",
     .Output = "out.vob",
     .Options = {{"f", "dvd"}, {"vcodec", "mpeg2video"}, {"acodec", "flac"}},
     .Warning = "dvd cannot carry flac, using mp2 instead",
     .AudioCodec = AV_CODEC_ID_MP2},
    // QuickTime takes no FLAC: Apple's lossless codec stands in.
    {.Label = "mov_flac",
     .Output = "out.mov",
     .Options = {{"f", "mov"}, {"vn", "1"}, {"acodec", "flac"}},
     .Warning = "mov cannot carry flac, using alac instead",
     .AudioCodec = AV_CODEC_ID_ALAC},
    // Flash files carry MP3 only, FLV files no AC-3 or FLAC: MP3 stands in.
    {.Label = "swf_ac3",
     .Output = "out.swf",
     .Options = {{"acodec", "ac3"}},
     .Warning = "swf cannot carry ac3, using libmp3lame instead",
     .SampleRate = 44100,
     .AudioCodec = AV_CODEC_ID_MP3},
    {.Label = "swf_aac",
     .Output = "out.swf",
     .Options = {{"acodec", "aac"}},
     .Warning = "swf cannot carry aac, using libmp3lame instead",
     .AudioCodec = AV_CODEC_ID_MP3},
    {.Label = "flv_flac",
     .Output = "out.flv",
     .Options = {{"acodec", "flac"}},
     .Warning = "flv cannot carry flac, using libmp3lame instead",
     .AudioCodec = AV_CODEC_ID_MP3},
};

INSTANTIATE_TEST_SUITE_P(Cases, EncoderLimits, testing::ValuesIn(LimitCases),
                         [](const testing::TestParamInfo<LimitCase>& info) {
                             return std::string(info.param.Label);
                         });

// A source's own rate reaches the encoder unparsed: MPEG-4 Part 2 and H.263
// code their clock in 16 bits and get the nearest fraction that fits.
TEST(EncoderClock, FineSourceRateFitsSixteenBits) {
    for (AVCodecID id : {AV_CODEC_ID_MPEG4, AV_CODEC_ID_H263P}) {
        const AVRational rate = AcceptedFrameRate(avcodec_find_encoder(id), {2997000, 100003}, 0);
        EXPECT_LE(rate.num, 65535);
        EXPECT_LE(rate.den, 65535);
        EXPECT_NEAR(av_q2d(rate), 2997000.0 / 100003, 1e-6);
    }
    // Encoders with a wider clock keep the rate.
    const AVRational kept = AcceptedFrameRate(avcodec_find_encoder(AV_CODEC_ID_H264), {2997000, 100003}, 0);
    EXPECT_EQ(av_cmp_q(kept, AVRational{2997000, 100003}), 0);
}

struct AspectCase {
    const char* Name;
    const char* Format;
    const char* Encoder;
    AVRational Wanted;
    int Width, Height;
    AVRational Shown; // the pixel aspect the output is read back with
};

void PrintTo(const AspectCase& c, std::ostream* os) {
    *os << c.Name;
}

class CodedAspect : public testing::TestWithParam<AspectCase> {};

TEST_P(CodedAspect, IsWhatTheOutputShows) {
    const AspectCase& c = GetParam();
    const AVRational shown =
        CodedSampleAspect(av_guess_format(c.Format, nullptr, nullptr),
                          avcodec_find_encoder_by_name(c.Encoder), c.Wanted, c.Width, c.Height);
    EXPECT_EQ(av_cmp_q(shown, c.Shown), 0) << shown.num << "/" << shown.den;
}

const AspectCase AspectCases[] = {
    {"mpeg4_any", "avi", "mpeg4", {9, 8}, 128, 96, {9, 8}},
    // MPEG-2 codes 4:3, 16:9 and 2.21:1 frames: a 3:2 one becomes 4:3.
    {"mpeg2_three_two_to_4_3", "svcd", "mpeg2video", {9, 5}, 480, 576, {8, 5}},
    {"mpeg2_wide", "dvd", "mpeg2video", {64, 45}, 720, 576, {64, 45}},
    {"mpeg2_square", "mpeg", "mpeg2video", {1, 1}, 320, 240, {1, 1}},
    // MPEG-1 codes fourteen pixel shapes; PAL 4:3 is 0.9157 (height / width).
    {"mpeg1_pal_4_3", "vcd", "mpeg1video", {12, 11}, 352, 288, av_d2q(1.0 / 0.9157, 255)},
    {"mpeg1_square", "mpeg", "mpeg1video", {1, 1}, 320, 240, {1, 1}},
    // Flash video keeps none: players show square pixels.
    {"flv_square", "flv", "flv", {4, 3}, 320, 240, {1, 1}},
    // H.264 codes it in its own headers, in any container.
    {"flv_h264_kept", "flv", "libx264", {4, 3}, 320, 240, {4, 3}},
};

INSTANTIATE_TEST_SUITE_P(Cases, CodedAspect, testing::ValuesIn(AspectCases),
                         [](const testing::TestParamInfo<AspectCase>& info) { return info.param.Name; });

} // namespace
