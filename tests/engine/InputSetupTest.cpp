// Opening inputs: the settings an input hands on to its outputs, forced
// formats and decoders, seeking, and the failures that leave nothing open.
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

namespace {

class InputSetupTest : public SetupTest {};

TEST_F(InputSetupTest, InputHandsItsPropertiesToTheSettings) {
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Video[0].Width = 96;
    spec.Video[0].Height = 64;
    spec.Audio[0].SampleRate = 22050;
    spec.Audio[0].Channels = 1;
    OpenInput(Clip("in.mkv", spec));

    const TEngineSettings& s = task.Settings();
    EXPECT_EQ(task.OpenedInputCount(), 1);
    EXPECT_EQ(s.FrameWidth, 96);
    EXPECT_EQ(s.FrameHeight, 64);
    EXPECT_FLOAT_EQ(s.FrameAspectRatio, 96.0f / 64.0f);
    EXPECT_EQ(av_cmp_q(s.FrameRate, AVRational{25, 1}), 0);
    EXPECT_NE(s.FramePixFmt, AV_PIX_FMT_NONE);
    EXPECT_EQ(s.AudioSampleRate, 22050);
    EXPECT_EQ(s.AudioChannels, 1);
    EXPECT_NE(s.AudioSampleFmt, AV_SAMPLE_FMT_NONE);
    // About one second expected in all.
    EXPECT_GT(s.ExpectedDuration, 900000);
    EXPECT_LT(s.ExpectedDuration, 1200000);
    EXPECT_EQ(task.InputVideoFrameRates().size(), 1u);
}

TEST_F(InputSetupTest, StartTimeSeeksAndShiftsTheTimestamps) {
    const std::string path = Clip("in.mkv", VideoAndAudioClip(1.0));
    OpenInput(path, {{"ss", "0.5"}, {"itsoffset", "2"}});
    const int64_t start =
        task.InputContext(0)->start_time == AV_NOPTS_VALUE ? 0 : task.InputContext(0)->start_time;
    EXPECT_EQ(task.Settings().StartTime, 0);
    EXPECT_EQ(task.Input(0).TimestampOffset, 2000000 - (500000 + start));

    // With copied timestamps the input keeps its own clock.
    OpenInput(path, {{"ss", "0.5"}, {"copyts", ""}});
    EXPECT_EQ(task.Input(1).TimestampOffset, 2000000);
}

TEST_F(InputSetupTest, DisabledKindsAreDiscarded) {
    OpenInput(Clip("in.mkv", VideoAndAudioClip(0.5)), {{"vn", ""}});
    const AVFormatContext* ctx = task.InputContext(0);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const bool video = ctx->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_VIDEO;
        EXPECT_EQ(ctx->streams[i]->discard == AVDISCARD_ALL, video) << "stream " << i;
    }
}

TEST_F(InputSetupTest, ForcedDecoderIsRecordedAndTheNamesAreReset) {
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)), {{"vcodec", "mpeg4"}});
    const TInputFile& input = task.Input(0);
    ASSERT_NE(input.Streams[0].ForcedDecoder, nullptr);
    EXPECT_STREQ(input.Streams[0].ForcedDecoder->name, "mpeg4");
    EXPECT_TRUE(task.Settings().VideoCodecName.empty());
}

struct BadInputCase {
    const char* Label;
    TOptionList Options;
    std::string Error; // "%s" stands for the file name
};

class BadInputTest : public SetupTest, public testing::WithParamInterface<BadInputCase> {};

TEST_P(BadInputTest, FailsWithItsTextAndKeepsNothingOpen) {
    const BadInputCase& c = GetParam();
    std::string path = Clip("in.avi", VideoAndAudioClip(0.5));
    if (c.Error.find("No such file") != std::string::npos)
        path = dir.File("missing.avi");
    Apply(c.Options);
    EXPECT_FALSE(task.OpenInputFile(path));
    std::string expected = c.Error;
    if (size_t at = expected.find("%s"); at != std::string::npos)
        expected.replace(at, 2, path);
    EXPECT_EQ(task.ErrorText(), expected);
    EXPECT_EQ(task.OpenedInputCount(), 0);
    // A failed open frees the forced names, so the next input is not affected.
    EXPECT_TRUE(task.Settings().VideoCodecName.empty());
    EXPECT_TRUE(task.Settings().AudioCodecName.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInputTest,
    testing::Values(BadInputCase{"missing", {}, "%s: No such file or directory"},
                    BadInputCase{"unknown_decoder", {{"vcodec", "nosuch"}}, "Unknown decoder 'nosuch'"},
                    BadInputCase{"wrong_type", {{"acodec", "mpeg4"}}, "Invalid decoder type 'mpeg4'"},
                    BadInputCase{"no_program", {{"programid", "7"}}, "Specified program id not found"}),
    [](const testing::TestParamInfo<BadInputCase>& info) { return std::string(info.param.Label); });

TEST_F(InputSetupTest, UnknownForcedFormatRaises) {
    const std::string path = Clip("in.avi", VideoAndAudioClip(0.5));
    Apply({{"f", "nosuchformat"}});
    EXPECT_FFMPEG_ERROR(task.OpenInputFile(path), "Unknown input format: \"nosuchformat\"");
    EXPECT_EQ(task.OpenedInputCount(), 0);
}

TEST_F(InputSetupTest, GarbageIsRejectedWithoutACrash) {
    const std::string path = dir.File("noise.avi");
    WriteRandomBytes(path, 4096);
    EXPECT_FALSE(task.OpenInputFile(path));
    EXPECT_EQ(task.ErrorText().rfind(path + ": ", 0), 0u) << task.ErrorText();
    EXPECT_EQ(task.OpenedInputCount(), 0);
}

} // namespace
