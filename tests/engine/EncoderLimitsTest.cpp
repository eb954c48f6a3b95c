// Settings that older libraries took and today's encoders or muxers refuse
// are bent to the nearest accepted value with a warning, and the conversion
// runs to a file that decodes.
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

namespace {

class NeverStop : public TRunControl {
public:
    bool StopRequested() const override { return false; }
    void PausePoint() override {}
};

struct LimitCase {
    const char* Label;
    const char* Output;
    TOptionList Options;
    const char* Warning;
    // What the encoders get; 0 leaves a value unchecked.
    int Width = 0, Height = 0;
    AVRational Rate{0, 0};
    int SampleRate = 0, Channels = 0;
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
            EXPECT_TRUE(!c.Channels || codec->ch_layout.nb_channels == c.Channels)
                << codec->ch_layout.nb_channels;
        }
    }

    NeverStop control;
    ASSERT_NO_THROW(task.TranscodeLoop(control));
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();
    const TDecodedFile out = DecodeWholeFile(path);
    ASSERT_TRUE(out.Opened);
    EXPECT_EQ(out.Errors, 0);
    for (int frames : out.Frames)
        EXPECT_GT(frames, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EncoderLimits,
    testing::Values(
        // RealVideo codes whole macroblocks.
        LimitCase{"rv10_size",
                  "out.rm",
                  {{"vcodec", "rv10"}},
                  "Frame size 100x52 is not supported by rv10, using 96x48 instead",
                  96,
                  48},
        LimitCase{"rv20_size",
                  "out.rm",
                  {{"vcodec", "rv20"}, {"s", "200*120"}},
                  "Frame size 200x120 is not supported by rv20, using 208x128 instead",
                  208,
                  128},
        // MPEG-1 takes only the standard rates; the extra ones of its table need non-standard streams.
        LimitCase{"mpeg1_13fps",
                  "out.mpg",
                  {{"vcodec", "mpeg1video"}, {"r", "13.00"}},
                  "Frame rate 13/1 is not supported by mpeg1video, using 24000/1001 instead",
                  0,
                  0,
                  AVRational{24000, 1001}},
        LimitCase{"mpeg1_15fps",
                  "out.mpg",
                  {{"vcodec", "mpeg1video"}, {"r", "15.00"}},
                  "Frame rate 15/1 is not supported by mpeg1video, using 24000/1001 instead",
                  0,
                  0,
                  AVRational{24000, 1001}},
        LimitCase{"mpeg2_13fps",
                  "out.mpg",
                  {{"vcodec", "mpeg2video"}, {"r", "13.00"}},
                  "Frame rate 13/1 is not supported by mpeg2video, using 12/1 instead",
                  0,
                  0,
                  AVRational{12, 1}},
        // AMR is 8 kHz mono, whatever was asked; the old encoder name still works.
        LimitCase{"amr_nb",
                  "out.amr",
                  {{"acodec", "libamr_nb"}, {"ab", "7400"}},
                  "encoder 'libamr_nb' is not available, using 'libopencore_amrnb' instead",
                  0,
                  0,
                  {},
                  8000,
                  1},
        LimitCase{"amr_nb_mono",
                  "out.amr",
                  {{"acodec", "libopencore_amrnb"}},
                  "2 channels are not supported by libopencore_amrnb, using 1 instead",
                  0,
                  0,
                  {},
                  8000,
                  1},
        LimitCase{"aac_for_libfaac",
                  "out.m4a",
                  {{"vn", "1"}, {"acodec", "libfaac"}, {"ar", "24000"}},
                  "encoder 'libfaac' is not available, using 'aac' instead",
                  0,
                  0,
                  {},
                  24000,
                  2},
        // Flash containers store three sample rates (MP3 in FLV also 48 kHz).
        LimitCase{"flv_mp3_32000",
                  "out.flv",
                  {{"ar", "32000"}},
                  "Requested sampling rate unsupported using closest supported (22050)",
                  0,
                  0,
                  {},
                  22050},
        LimitCase{"swf_mp3_48000",
                  "out.swf",
                  {{"ar", "48000"}},
                  "Requested sampling rate unsupported using closest supported (44100)",
                  0,
                  0,
                  {},
                  44100}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.Label); });

} // namespace
