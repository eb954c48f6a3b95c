// Run preparation: stream mapping with and without maps, the stream-copy
// checks, codec opening, two-pass logs, filters, metadata maps, and the
// header of an output built end to end from options.
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

#include <filesystem>

namespace {

class RunPreparationTest : public SetupTest {
protected:
    std::string VideoAndAudio() { return Clip("in.avi", VideoAndAudioClip(0.5)); }

    // Expects PrepareRun to fail with exactly `message`.
    void ExpectPrepareError(const std::string& message) { EXPECT_FFMPEG_ERROR(task.PrepareRun(), message); }
};

TEST_F(RunPreparationTest, OutputHasTheStreamsAndPropertiesTheOptionsAskedFor) {
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Metadata = {{"title", "Source"}};
    OpenInput(Clip("tagged.avi", spec));
    const std::string path = dir.File("out.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"},
                      {"s", "32x24"},
                      {"r", "10"},
                      {"aspect", "16:9"},
                      {"acodec", "mp2"},
                      {"ar", "22050"},
                      {"ac", "1"},
                      {"metadata", "title=Converted"},
                      {"metadata", "comment=by test"}});
    LogCapture log;
    task.PrepareRun();
    EXPECT_TRUE(log.Has(llVerbose, "Stream mapping:"));
    EXPECT_TRUE(log.Has(llVerbose, "  Stream #0.0 -> #0.0 (Video)"));
    EXPECT_TRUE(log.Has(llVerbose, "  Stream #0.1 -> #0.1 (Audio)"));
    EXPECT_TRUE(task.InputStreams()[0].DecodingNeeded);
    EXPECT_TRUE(task.OutputStreams()[0].VideoResample); // 64x48 -> 32x24
    task.WriteTrailers();
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();

    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->nb_streams, 2u);
    const AVCodecParameters* video = out->streams[0]->codecpar;
    const AVCodecParameters* audio = out->streams[1]->codecpar;
    EXPECT_EQ(video->codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(video->width, 32);
    EXPECT_EQ(video->height, 24);
    // 16:9 on 32x24 gives pixels 4:3 wide.
    EXPECT_EQ(av_cmp_q(out->streams[0]->sample_aspect_ratio, AVRational{4, 3}), 0);
    EXPECT_EQ(audio->codec_id, AV_CODEC_ID_MP2);
    EXPECT_EQ(audio->sample_rate, 22050);
    EXPECT_EQ(audio->ch_layout.nb_channels, 1);
    EXPECT_STREQ(av_dict_get(out->metadata, "title", nullptr, 0)->value, "Converted");
    EXPECT_STREQ(av_dict_get(out->metadata, "comment", nullptr, 0)->value, "by test");
}

TEST_F(RunPreparationTest, VideoStreamWithMoreFramesIsChosen) {
    ClipSpec spec = VideoOnlyClip(0.5);
    spec.Video.push_back(spec.Video[0]);
    spec.Video[0].FrameRateNum = 5;  // stream 0: few frames
    spec.Video[1].FrameRateNum = 25; // stream 1: many frames
    OpenInput(Clip("two_video.avi", spec));
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}});
    task.PrepareRun();
    ASSERT_EQ(task.OutputStreams().size(), 1u);
    EXPECT_EQ(task.OutputStreams()[0].SourceIndex, 1);
    EXPECT_TRUE(task.InputStreams()[0].Discard);
    EXPECT_FALSE(task.InputStreams()[1].Discard);
}

TEST_F(RunPreparationTest, EachSourceFeedsOneStreamUntilAllAreUsed) {
    ClipSpec spec = VideoOnlyClip(0.5);
    spec.Video.push_back(spec.Video[0]);
    OpenInput(Clip("two_video.avi", spec));
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}});
    Apply({{"vcodec", "mpeg4"}, {"newvideo", ""}, {"vcodec", "mpeg4"}, {"newvideo", ""}});
    task.PrepareRun();
    ASSERT_EQ(task.OutputStreams().size(), 3u);
    EXPECT_EQ(task.OutputStreams()[0].SourceIndex, 0);
    EXPECT_EQ(task.OutputStreams()[1].SourceIndex, 1);
    // Every source used: the last one of the kind serves again.
    EXPECT_EQ(task.OutputStreams()[2].SourceIndex, 1);
}

struct MapCase {
    const char* Label;
    TOptionList Maps;
    const char* Error; // null: preparation succeeds
    const char* Logged;
};

class StreamMapTest : public SetupTest, public testing::WithParamInterface<MapCase> {};

TEST_P(StreamMapTest, MapsAreCheckedAndFollowed) {
    const MapCase& c = GetParam();
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
    Apply(c.Maps);
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}, {"acodec", "mp2"}});
    LogCapture log;
    if (c.Error) {
        EXPECT_FFMPEG_ERROR(task.PrepareRun(), c.Error);
        return;
    }
    task.PrepareRun();
    EXPECT_TRUE(log.Has(llVerbose, c.Logged)) << c.Logged;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamMapTest,
    testing::Values(
        MapCase{"count_mismatch",
                {{"map", "0.0"}},
                "Number of stream maps must match number of output streams",
                nullptr},
        MapCase{
            "missing_stream", {{"map", "0.9"}, {"map", "0.1"}}, "Could not find input stream #0.9", nullptr},
        MapCase{
            "missing_file", {{"map", "2.0"}, {"map", "0.1"}}, "Could not find input stream #2.0", nullptr},
        MapCase{
            "missing_sync", {{"map", "0.0:0.9"}, {"map", "0.1"}}, "Could not find sync stream #0.9", nullptr},
        MapCase{"type_mismatch",
                {{"map", "0.1"}, {"map", "0.0"}},
                "Codec type mismatch for mapping #0.1 (Audio) -> #0.0 (Video)",
                nullptr},
        MapCase{"sync_logged",
                {{"map", "0.0"}, {"map", "0.1:0.0"}},
                nullptr,
                "  Stream #0.1 -> #0.1 (Audio) [sync #0.0 (Video)]"}),
    [](const testing::TestParamInfo<MapCase>& info) { return std::string(info.param.Label); });

struct CopyCase {
    const char* Label;
    TOptionList Options;
    bool Hook, Preview;
    const char* Error;
};

class StreamCopyCheckTest : public SetupTest, public testing::WithParamInterface<CopyCase> {};

TEST_P(StreamCopyCheckTest, CopyRefusesWhatNeedsDecodedFrames) {
    const CopyCase& c = GetParam();
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
    OpenOutput(dir.File("out.avi"), c.Options);
    if (c.Hook)
        task.OnHook = [](TBitmap24&, int, int64_t, bool&, bool&) {};
    if (c.Preview)
        task.Preview().SetFlag(PreviewBitmapBit, true);
    EXPECT_FFMPEG_ERROR(task.PrepareRun(), c.Error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StreamCopyCheckTest,
    testing::Values(CopyCase{"preview",
                             {{"vcodec", "copy"}},
                             false,
                             true,
                             "-vcodec copy and PostHooks are incompatible (frames are not decoded)"},
                    CopyCase{"custom_hook",
                             {{"vcodec", "copy"}},
                             true,
                             false,
                             "-vcodec copy and CustomHook are incompatible (frames are not decoded)"},
                    CopyCase{"volume",
                             {{"acodec", "copy"}, {"vol", "512"}},
                             false,
                             false,
                             "-acodec copy and -vol are incompatible (frames are not decoded)"}),
    [](const testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.Label); });

TEST_F(RunPreparationTest, StreamCopyKeepsTheSourceCodecAndFrameClock) {
    OpenInput(VideoAndAudio());
    const std::string path = dir.File("copy.avi");
    OpenOutput(path, {{"vcodec", "copy"}, {"acodec", "copy"}});
    task.PrepareRun();
    EXPECT_FALSE(task.InputStreams()[0].DecodingNeeded);
    EXPECT_FALSE(task.InputStreams()[1].DecodingNeeded);
    const AVStream* video = task.OutputStreams()[0].Stream;
    EXPECT_EQ(video->codecpar->codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(video->codecpar->width, 64);
    EXPECT_EQ(av_cmp_q(video->time_base, AVRational{1, 25}), 0);
    EXPECT_EQ(task.OutputStreams()[1].Stream->codecpar->codec_id, AV_CODEC_ID_MP3);
}

TEST_F(RunPreparationTest, OutputWithoutStreamsIsRefused) {
    OpenInput(VideoAndAudio());
    OpenOutput(dir.File("out.avi"), {{"vn", ""}, {"an", ""}});
    ExpectPrepareError("Output file #0 does not contain any stream");
}

TEST_F(RunPreparationTest, EncoderThatRefusesItsParametersIsReported) {
    OpenInput(VideoAndAudio());
    // MPEG-2 has no 7 fps; forcing the rate keeps it and the encoder refuses it.
    OpenOutput(dir.File("out.mpg"), {{"vcodec", "mpeg2video"}, {"r", "7"}, {"force_fps", ""}});
    LogCapture log;
    ExpectPrepareError(
        "Error while opening encoder for output stream #0.0 (Video) - maybe incorrect parameters "
        "such as bit_rate, rate, width or height. Please check error log message to find out "
        "more detail information.");
    EXPECT_TRUE(log.Has(llError, "Error while opening encoder for output stream #0.0 (Video)"));
}

TEST_F(RunPreparationTest, PassOneWritesALogAndPassTwoNeedsOne) {
    OpenInput(VideoAndAudio());
    const std::string prefix = dir.File("stats");
    OpenOutput(dir.File("pass1.avi"),
               {{"vcodec", "mpeg4"}, {"an", ""}, {"pass", "1"}, {"passlogfile", prefix}});
    task.PrepareRun();
    EXPECT_TRUE(std::filesystem::exists(prefix + "-0.log"));
    task.ReleaseEngineState();

    task.ResetEngineState();
    OpenInput(VideoAndAudio());
    const std::string missing = dir.File("missing");
    OpenOutput(dir.File("pass2.avi"),
               {{"vcodec", "mpeg4"}, {"an", ""}, {"pass", "2"}, {"passlogfile", missing}});
    ExpectPrepareError("Cannot read file: Error reading log file \"" + missing +
                       "-0.log\" for pass-2 encoding");
}

TEST_F(RunPreparationTest, FilterTextBuildsAGraphThatSetsTheEncoderSize) {
    OpenInput(VideoAndAudio());
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"vf", "scale=48:32,hflip"}});
    task.PrepareRun();
    const TOutputStream& ost = task.OutputStreams()[0];
    ASSERT_TRUE(ost.FilterGraph);
    EXPECT_EQ(ost.Scaler, nullptr); // the graph scales
    EXPECT_EQ(ost.Stream->codecpar->width, 48);
    EXPECT_EQ(ost.Stream->codecpar->height, 32);
}

TEST_F(RunPreparationTest, BadFilterTextIsReported) {
    OpenInput(VideoAndAudio());
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}, {"an", ""}, {"vf", "nosuchfilter"}});
    try {
        task.PrepareRun();
        ADD_FAILURE() << "no exception";
    } catch (const FFmpegException& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Error opening filters", 0), 0u) << e.what();
    }
}

TEST_F(RunPreparationTest, MetadataMapCopiesTheInputsTagsWithoutOverwriting) {
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Metadata = {{"title", "Source"}, {"artist", "Someone"}};
    OpenInput(Clip("tagged.mkv", spec));
    Apply({{"map_meta_data", "0:0"}});
    OpenOutput(dir.File("out.mkv"), {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"metadata", "title=Mine"}});
    task.PrepareRun();
    const AVDictionary* metadata = task.OutputContext(0)->metadata;
    EXPECT_STREQ(av_dict_get(metadata, "title", nullptr, 0)->value, "Mine");
    ASSERT_NE(av_dict_get(metadata, "artist", nullptr, 0), nullptr);
    EXPECT_STREQ(av_dict_get(metadata, "artist", nullptr, 0)->value, "Someone");
}

TEST_F(RunPreparationTest, MetadataMapToAMissingFileIsRefused) {
    OpenInput(VideoAndAudio());
    Apply({{"map_meta_data", "3:0"}});
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}, {"acodec", "mp2"}});
    ExpectPrepareError("Invalid output file index 3 map_meta_data(3,0)");
}

} // namespace
