// Opening outputs: format guessing, which stream kinds are created, encoder
// choice and the fallbacks to what an encoder supports, and failures that
// leave neither an output nor a file behind.
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

#include <filesystem>

namespace {

class OutputSetupTest : public SetupTest {
protected:
    void OpenVideoAndAudio() { OpenInput(Clip("in.avi", VideoAndAudioClip(0.5))); }
};

struct FormatCase {
    const char* Label;
    const char* FileName;
    const char* Forced; // "" for none
    const char* Format; // muxer name, or null when the open fails
    const char* Error;  // "%s" stands for the file path
};

class OutputFormatTest : public SetupTest, public testing::WithParamInterface<FormatCase> {};

TEST_P(OutputFormatTest, FormatIsGuessedOrTheOpenFails) {
    const FormatCase& c = GetParam();
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
    const std::string path = dir.File(c.FileName);
    if (*c.Forced)
        Apply({{"f", c.Forced}});
    const int result = task.OpenOutputFile(path);
    if (c.Format) {
        ASSERT_EQ(result, 1) << task.ErrorText();
        EXPECT_STREQ(task.OutputContext(0)->oformat->name, c.Format);
        EXPECT_TRUE(std::filesystem::exists(path));
    } else {
        EXPECT_EQ(result, -1);
        std::string expected = c.Error;
        if (size_t at = expected.find("%s"); at != std::string::npos)
            expected.replace(at, 2, path);
        EXPECT_EQ(task.ErrorText(), expected);
        EXPECT_EQ(task.OpenedOutputCount(), 0);
        EXPECT_FALSE(std::filesystem::exists(path));
    }
    // The forced name is used up either way.
    EXPECT_TRUE(task.Settings().FileFormat.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OutputFormatTest,
    testing::Values(FormatCase{"avi_by_extension", "out.avi", "", "avi", nullptr},
                    FormatCase{"mkv_by_extension", "out.mkv", "", "matroska", nullptr},
                    FormatCase{"forced_beats_extension", "out.bin", "mp4", "mp4", nullptr},
                    FormatCase{"unknown_extension", "out.xyz", "", nullptr,
                               "Unable to find a suitable output format for '%s'"},
                    FormatCase{"unknown_forced", "out.avi", "nosuch", nullptr,
                               "Requested output format 'nosuch' is not a suitable output format"},
                    FormatCase{"feed_output", "out.ffm", "ffm", nullptr,
                               "Requested output format 'ffm' is not a suitable output format"},
                    FormatCase{"missing_folder", "nofolder/out.avi", "", nullptr,
                               "%s: No such file or directory"}),
    [](const testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.Label); });

TEST_F(OutputSetupTest, KindsTheInputLacksAreDropped) {
    OpenInput(Clip("audio.wav", AudioOnlyClip(0.5)));
    OpenOutput(dir.File("out.avi"));
    const TOutputFile& output = task.Output(0);
    ASSERT_EQ(output.Streams.size(), 1u);
    EXPECT_EQ(output.Streams[0].Codec->codec_type, AVMEDIA_TYPE_AUDIO);
}

TEST_F(OutputSetupTest, DisabledKindsAreNotCreated) {
    OpenVideoAndAudio();
    OpenOutput(dir.File("out.avi"), {{"an", ""}});
    ASSERT_EQ(task.Output(0).Streams.size(), 1u);
    EXPECT_EQ(OutputCodec(0, 0)->codec_type, AVMEDIA_TYPE_VIDEO);
}

TEST_F(OutputSetupTest, VideoStreamTakesTheSettings) {
    OpenVideoAndAudio();
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"},
                                     {"s", "32x24"},
                                     {"r", "10"},
                                     {"b", "200000"},
                                     {"vtag", "XVID"},
                                     {"vlang", "eng"}});
    const AVCodecContext* video = OutputCodec(0, 0);
    EXPECT_EQ(video->codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(video->width, 32);
    EXPECT_EQ(video->height, 24);
    EXPECT_EQ(av_cmp_q(video->time_base, AVRational{1, 10}), 0);
    EXPECT_EQ(video->bit_rate, 200000);
    EXPECT_EQ(video->codec_tag, MKTAG('X', 'V', 'I', 'D'));
    EXPECT_EQ(video->thread_count, 1);
    const AVDictionaryEntry* language =
        av_dict_get(task.Output(0).Streams[0].Stream->metadata, "language", nullptr, 0);
    ASSERT_NE(language, nullptr);
    EXPECT_STREQ(language->value, "eng");
    // Per-stream settings are used up by the stream.
    EXPECT_TRUE(task.Settings().VideoCodecName.empty());
    EXPECT_TRUE(task.Settings().VideoLanguage.empty());
}

TEST_F(OutputSetupTest, EncoderRateListGivesTheNearestRate) {
    OpenVideoAndAudio();
    // MPEG-1 video knows only the standard rates; 24.5 is nearest to 24.
    OpenOutput(dir.File("out.mpg"), {{"vcodec", "mpeg1video"}, {"r", "24.5"}});
    EXPECT_EQ(av_cmp_q(OutputCodec(0, 0)->time_base, AVRational{1, 24}), 0);
}

struct PixelFormatCase {
    const char* Label;
    TOptionList Options;
    AVPixelFormat Expected;
};

class PixelFormatTest : public SetupTest, public testing::WithParamInterface<PixelFormatCase> {};

TEST_P(PixelFormatTest, UnsupportedFormatFallsBackToTheEncodersFirst) {
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
    OpenOutput(dir.File("out.avi"), GetParam().Options);
    EXPECT_EQ(OutputCodec(0, 0)->pix_fmt, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PixelFormatTest,
    testing::Values(
        PixelFormatCase{"supported_kept", {{"vcodec", "mpeg4"}, {"pix_fmt", "yuv420p"}}, AV_PIX_FMT_YUV420P},
        PixelFormatCase{"unsupported_first", {{"vcodec", "mpeg4"}, {"pix_fmt", "rgb24"}}, AV_PIX_FMT_YUV420P},
        PixelFormatCase{
            "mjpeg_strict_full_range", {{"vcodec", "mjpeg"}, {"pix_fmt", "yuv420p"}}, AV_PIX_FMT_YUVJ420P},
        PixelFormatCase{"mjpeg_unofficial_keeps",
                        {{"strict", "-1"}, {"vcodec", "mjpeg"}, {"pix_fmt", "yuv420p"}},
                        AV_PIX_FMT_YUV420P}),
    [](const testing::TestParamInfo<PixelFormatCase>& info) { return std::string(info.param.Label); });

TEST_F(OutputSetupTest, UnsupportedSampleRateTakesTheClosestWithAWarning) {
    OpenVideoAndAudio();
    LogCapture log;
    // AC-3 lists 48000, 44100 and 32000 Hz.
    OpenOutput(dir.File("out.mkv"), {{"acodec", "ac3"}, {"ar", "22050"}});
    const AVCodecContext* audio = OutputCodec(0, 1);
    EXPECT_EQ(audio->sample_rate, 32000);
    EXPECT_TRUE(log.Has(llWarning, "Requested sampling rate unsupported using closest supported (32000)"));
    // Sample counts are timestamps: the time base follows the rate encoded.
    EXPECT_EQ(av_cmp_q(audio->time_base, AVRational{1, 32000}), 0);
}

TEST_F(OutputSetupTest, AudioStreamTakesTheSettingsAndTheEncodersFormats) {
    OpenVideoAndAudio(); // mp3: planar float
    OpenOutput(dir.File("out.mkv"), {{"acodec", "mp2"}, {"ac", "1"}, {"ab", "64000"}, {"alang", "deu"}});
    const AVCodecContext* audio = OutputCodec(0, 1);
    EXPECT_EQ(audio->codec_id, AV_CODEC_ID_MP2);
    EXPECT_EQ(audio->ch_layout.nb_channels, 1);
    EXPECT_EQ(audio->sample_rate, 44100);
    EXPECT_EQ(audio->sample_fmt, AV_SAMPLE_FMT_S16); // mp2 has no float input
    EXPECT_EQ(audio->bit_rate, 64000);
}

TEST_F(OutputSetupTest, RetiredEncoderNamesReachTheirSuccessor) {
    OpenVideoAndAudio();
    OpenOutput(dir.File("out.mp4"), {{"acodec", "libfaac"}});
    EXPECT_EQ(OutputCodec(0, 1)->codec_id, AV_CODEC_ID_AAC);
}

struct BadStreamCase {
    const char* Label;
    TOptionList Options;
    const char* Error;
};

class BadStreamTest : public SetupTest, public testing::WithParamInterface<BadStreamCase> {};

TEST_P(BadStreamTest, OpenFailsWithTheStreamsTextAndLeavesNoFile) {
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
    const std::string path = dir.File("out.avi");
    Apply(GetParam().Options);
    EXPECT_EQ(task.OpenOutputFile(path), -1);
    EXPECT_EQ(task.ErrorText(), GetParam().Error);
    EXPECT_EQ(task.OpenedOutputCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(path));
}

INSTANTIATE_TEST_SUITE_P(Cases, BadStreamTest,
                         testing::Values(BadStreamCase{"unknown_video",
                                                       {{"vcodec", "nosuch"}},
                                                       "new_video_stream fail: Unknown encoder 'nosuch'"},
                                         BadStreamCase{"audio_codec_for_video",
                                                       {{"vcodec", "mp2"}},
                                                       "new_video_stream fail: Invalid encoder type 'mp2'"},
                                         BadStreamCase{"video_codec_for_audio",
                                                       {{"acodec", "mpeg4"}},
                                                       "new_audio_stream fail: Invalid encoder type 'mpeg4'"},
                                         BadStreamCase{"bad_rc_override",
                                                       {{"vcodec", "mpeg4"}, {"rc_override", "1,2"}},
                                                       "new_video_stream fail: error parsing rc_override"}),
                         [](const testing::TestParamInfo<BadStreamCase>& info) {
                             return std::string(info.param.Label);
                         });

TEST_F(OutputSetupTest, MetadataEarlierEntryWinsAndTheListIsUsedUp) {
    OpenVideoAndAudio();
    OpenOutput(dir.File("out.mkv"), {{"metadata", "title=First"},
                                     {"metadata", "title=Second"},
                                     {"metadata", "album=A"},
                                     {"timestamp", "2020-01-02 03:04:05"}});
    const AVDictionary* metadata = task.OutputContext(0)->metadata;
    EXPECT_STREQ(av_dict_get(metadata, "title", nullptr, 0)->value, "First");
    EXPECT_STREQ(av_dict_get(metadata, "album", nullptr, 0)->value, "A");
    ASSERT_NE(av_dict_get(metadata, "creation_time", nullptr, 0), nullptr);
    EXPECT_TRUE(task.Settings().Metadata.empty());
}

TEST_F(OutputSetupTest, ExtraStreamsJoinTheLastOutput) {
    OpenVideoAndAudio();
    OpenOutput(dir.File("out.mkv"), {{"vcodec", "mpeg4"}, {"acodec", "mp2"}});
    Apply({{"acodec", "ac3"}, {"newaudio", ""}});
    const TOutputFile& output = task.Output(0);
    ASSERT_EQ(output.Streams.size(), 3u);
    EXPECT_EQ(output.Streams[2].Codec->codec_id, AV_CODEC_ID_AC3);
}

TEST_F(OutputSetupTest, ReleasingATaskDeletesOutputsNothingWasWrittenTo) {
    OpenVideoAndAudio();
    const std::string path = dir.File("out.avi");
    OpenOutput(path);
    ASSERT_TRUE(std::filesystem::exists(path));
    task.ReleaseEngineState();
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
