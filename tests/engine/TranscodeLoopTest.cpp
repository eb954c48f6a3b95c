// Whole runs of the loop on tiny clips: the outputs are complete files with
// the expected amount of media, and the progress reports say what happened.
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"
#include "media/FileHelpers.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <regex>
#include <stdexcept>

namespace {

class TranscodeLoopTest : public SetupTest {
protected:
    // Without `withProgress` the report lines go to the log instead.
    void Run(bool withProgress = true) {
        task.OnProgress = nullptr;
        if (withProgress)
            task.OnProgress = [this](const TProgressInfo& info) { reports.push_back(info); };
        RunToEnd();
    }
    // Packets per stream of a written file.
    static std::vector<int> CountPackets(AVFormatContext* ctx) {
        std::vector<int> counts(ctx->nb_streams, 0);
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(ctx, pkt) >= 0) {
            ++counts[pkt->stream_index];
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
        return counts;
    }

    std::vector<TProgressInfo> reports;
};

TEST_F(TranscodeLoopTest, EncodesEveryFrameAndAllTheSound) {
    OpenInput(Clip("in.avi", VideoAndAudioClip(1.0)));
    const std::string path = dir.File("out.mkv");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"s", "32x24"}, {"acodec", "mp2"}, {"ar", "22050"}, {"ac", "1"}});
    Run();

    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->nb_streams, 2u);
    EXPECT_NEAR(out->duration / 1e6, 1.0, 0.15);
    std::vector<int> packets = CountPackets(out.get());
    EXPECT_EQ(packets[0], 25); // one second at 25 fps, no dup or drop
    // mp2 frames are 1152 samples: about 19 in one second at 22050 Hz.
    EXPECT_NEAR(packets[1], 19, 2);

    ASSERT_FALSE(reports.empty());
    const TProgressInfo& last = reports.back();
    EXPECT_EQ(last.FileIndex, -1);
    EXPECT_EQ(last.FrameNumber, 25);
    EXPECT_GT(last.TotalSize, 0);
    EXPECT_NEAR(last.CurrentDuration / 1e6, 1.0, 0.15);
}

struct FrameRateCase {
    const char* Rate;
    int Frames;          // written
    const char* DupDrop; // the counts the last report line shows; null: no counts shown
};

class FrameRateSync : public TranscodeLoopTest, public testing::WithParamInterface<FrameRateCase> {};

// Ten frames at 25 fps into a constant-rate container at another rate.
TEST_P(FrameRateSync, DuplicatesOrDropsToKeepTime) {
    const FrameRateCase& c = GetParam();
    OpenInput(Clip("in.avi", VideoOnlyClip(0.4)));
    const std::string path = dir.File("out.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"r", c.Rate}});
    LogCapture log;
    Run();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().FrameNumber, c.Frames);
    if (c.DupDrop) {
        EXPECT_TRUE(log.HasAny(c.DupDrop));
    } else {
        EXPECT_FALSE(log.HasAny(" dup="));
    }
    const TDecodedFile out = DecodeWholeFile(path);
    ASSERT_TRUE(out.Opened);
    EXPECT_EQ(out.Frames[0], c.Frames);
    EXPECT_EQ(out.Errors, 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, FrameRateSync,
                         testing::Values(FrameRateCase{"25", 10, nullptr},
                                         // Every frame twice, the last one too: 0.4 s of pictures.
                                         FrameRateCase{"50", 10 * 2, " dup=10 drop=0"},
                                         // Every other frame: the one on screen at each output time.
                                         FrameRateCase{"12.5", 5, " dup=0 drop=5"}));

TEST_F(TranscodeLoopTest, StreamCopyWritesThePacketsUnchanged) {
    OpenInput(Clip("in.avi", VideoAndAudioClip(0.5)));
    const std::string path = dir.File("copy.avi");
    OpenOutput(path, {{"vcodec", "copy"}, {"acodec", "copy"}});
    Run();
    ReadBackPtr in = ReadBack(dir.File("in.avi"));
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(in && out);
    EXPECT_EQ(CountPackets(out.get()), CountPackets(in.get()));
    EXPECT_EQ(out->streams[0]->codecpar->codec_id, AV_CODEC_ID_MPEG4);
}

struct BitstreamFilterCase {
    const char* Filter;
    bool ExitOnError;
    const char* Failure; // what the run reports; null: nothing
};

class BitstreamFilters : public TranscodeLoopTest, public testing::WithParamInterface<BitstreamFilterCase> {};

// A filter that cannot take the stream is reported; without "xerror" the
// packets go on unfiltered, so nothing is lost.
TEST_P(BitstreamFilters, FilterEveryPacketOrReportTheFailure) {
    const BitstreamFilterCase& c = GetParam();
    const std::string in = Clip("in.avi", VideoOnlyClip(0.4));
    OpenInput(in);
    const std::string path = dir.File("out.avi");
    TOptionList options{{"vcodec", "copy"}, {"vbsf", c.Filter}};
    if (c.ExitOnError)
        options.emplace_back("xerror", "");
    OpenOutput(path, options);
    LogCapture log;
    std::string error;
    try {
        Run();
    } catch (const FFmpegException& e) {
        error = e.what();
        task.CloseOpenedCodecs();
        task.ReleaseEngineState();
    }
    if (c.ExitOnError) {
        EXPECT_EQ(error.rfind(c.Failure, 0), 0u) << error;
        return;
    }
    EXPECT_EQ(error, "");
    EXPECT_EQ(log.Has(llError, c.Failure ? c.Failure : " failed for stream "), c.Failure != nullptr);
    const TDecodedFile out = DecodeWholeFile(path);
    EXPECT_EQ(out.Frames[0], 10);
    EXPECT_EQ(out.Errors, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Chains, BitstreamFilters,
    testing::Values(
        BitstreamFilterCase{"null", false, nullptr},
        BitstreamFilterCase{"h264_mp4toannexb", false, "h264_mp4toannexb failed for stream 0, codec copy: "},
        BitstreamFilterCase{"h264_mp4toannexb", true, "h264_mp4toannexb failed for stream 0, codec copy: "}));

TEST_F(TranscodeLoopTest, AudioOnlyRunReportsNoVideo) {
    OpenInput(Clip("in.wav", AudioOnlyClip(0.5)));
    const std::string path = dir.File("out.mp3");
    OpenOutput(path);
    Run();
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().FrameNumber, -1);
    EXPECT_EQ(reports.back().FPS, -1);
    EXPECT_FLOAT_EQ(reports.back().Quality, -1.0f);
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    EXPECT_NEAR(out->duration / 1e6, 0.5, 0.1);
}

TEST_F(TranscodeLoopTest, RecordingTimeCutsTheOutput) {
    OpenInput(Clip("in.avi", VideoOnlyClip(1.0)));
    const std::string path = dir.File("cut.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"t", "0.4"}});
    Run();
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    EXPECT_EQ(CountPackets(out.get())[0], 10);
    // "t" also sets what progress measures against, and the run ends there.
    EXPECT_EQ(reports.back().TotalDuration, 400000);
    EXPECT_NEAR(reports.back().CurrentDuration / 1e6, 0.4, 0.05);
}

struct LimitCase {
    TOptionList Options;
    int MinimumFrames, MaximumFrames; // written of the clip's 50
};

class RunLimits : public TranscodeLoopTest, public testing::WithParamInterface<LimitCase> {};

TEST_P(RunLimits, EndTheRunWithACompleteFile) {
    ClipSpec spec = VideoOnlyClip(2.0);
    spec.Video[0].Width = 320; // pictures of a few kB each
    spec.Video[0].Height = 240;
    OpenInput(Clip("in.avi", spec));
    const std::string path = dir.File("out.avi");
    TOptionList options{{"vcodec", "mpeg4"}, {"qscale", "2"}};
    options.insert(options.end(), GetParam().Options.begin(), GetParam().Options.end());
    OpenOutput(path, options);
    LogCapture log;
    Run();
    const TDecodedFile out = DecodeWholeFile(path);
    ASSERT_TRUE(out.Opened);
    EXPECT_EQ(out.Errors, 0);
    EXPECT_GE(out.Frames[0], GetParam().MinimumFrames);
    EXPECT_LE(out.Frames[0], GetParam().MaximumFrames) << std::filesystem::file_size(path) << " bytes";
    EXPECT_TRUE(log.Has(llVerbose, "muxing overhead")); // the closing summary
}

INSTANTIATE_TEST_SUITE_P(Limits, RunLimits,
                         testing::Values(LimitCase{{}, 50, 50}, LimitCase{{{"vframes", "5"}}, 5, 5},
                                         // The file stops growing soon after it passes the limit.
                                         LimitCase{{{"fs", "12000"}}, 5, 40}));

// With "re" the input is read no faster than it plays, whether it is encoded or copied.
TEST_F(TranscodeLoopTest, RateEmulationKeepsToTheInputsClock) {
    const std::string in = Clip("in.avi", VideoOnlyClip(0.4));
    for (const char* codec : {"mpeg4", "copy"}) {
        task.ResetEngineState();
        OpenInput(in, {{"re", "1"}});
        OpenOutput(dir.File(std::string(codec) + ".avi"), {{"vcodec", codec}});
        const auto start = std::chrono::steady_clock::now();
        Run();
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(330)) << codec;
        EXPECT_EQ(reports.back().FrameNumber, 10) << codec;
    }
}

// H.264 holds its first pictures back (look-ahead) while the sound is written
// at once: read at the input's pace, the first reports come before the first
// picture leaves the encoder. The time they carry never goes back.
TEST_F(TranscodeLoopTest, ProgressOnlyMovesForwardWhileTheVideoEncoderLooksAhead) {
    OpenInput(Clip("in.mkv", VideoAndAudioClip(2.5)), {{"re", "1"}});
    OpenOutput(dir.File("out.mp4"), {{"vcodec", "libx264"}, {"acodec", "aac"}});
    task.SetReportInterval(100000);
    Run();
    ASSERT_GT(reports.size(), 5u);
    for (size_t i = 1; i < reports.size(); ++i)
        EXPECT_GE(reports[i].CurrentDuration, reports[i - 1].CurrentDuration)
            << "report " << i << " of " << reports.size();
    EXPECT_NEAR(static_cast<double>(reports.back().CurrentDuration) / 1e6, 2.5, 0.2);
}

// Two inputs of different lengths: "shortest" ends the output with the shorter one.
TEST_F(TranscodeLoopTest, ShortestEndsWithTheShorterInput) {
    const std::string video = Clip("video.avi", VideoOnlyClip(0.4));
    const std::string sound = Clip("sound.wav", AudioOnlyClip(1.0));
    for (const bool shortest : {false, true}) {
        task.ResetEngineState();
        OpenInput(video);
        OpenInput(sound);
        const std::string path = dir.File(shortest ? "short.mkv" : "long.mkv");
        OpenOutput(path, {{"vcodec", "mpeg4"}, {"acodec", "pcm_s16le"}, {"shortest", shortest ? "1" : "0"}});
        Run();
        const std::vector<int16_t> samples = SamplesOf(path);
        const double seconds = samples.size() / (2.0 * 44100);
        if (shortest) {
            EXPECT_LT(seconds, 0.7);
        } else {
            EXPECT_NEAR(seconds, 1.0, 0.05);
        }
    }
}

TEST_F(TranscodeLoopTest, CustomHookSeesEachPictureUntilItStops) {
    OpenInput(Clip("in.avi", VideoOnlyClip(0.4)));
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}});
    std::vector<int> frameNumbers;
    task.OnHook = [&](TBitmap24& bitmap, int frameNumber, int64_t, bool& update, bool& stopHook) {
        EXPECT_EQ(bitmap.Width, 64);
        EXPECT_EQ(bitmap.Height, 48);
        std::fill(bitmap.Bits.begin(), bitmap.Bits.end(), 0xFF); // paint it white
        EXPECT_TRUE(update);
        frameNumbers.push_back(frameNumber);
        stopHook = frameNumber == 3;
    };
    Run();
    EXPECT_EQ(frameNumbers, (std::vector<int>{1, 2, 3}));
}

TEST_F(TranscodeLoopTest, HookThatThrowsIsLoggedAndTheRunGoesOn) {
    OpenInput(Clip("in.avi", VideoOnlyClip(0.2)));
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}});
    task.OnHook = [](TBitmap24&, int, int64_t, bool&, bool&) { throw std::runtime_error("boom"); };
    LogCapture log;
    Run();
    EXPECT_TRUE(log.Has(llError, "Error occurs OnCustomHook: boom"));
    EXPECT_EQ(reports.back().FrameNumber, 5);
}

TEST_F(TranscodeLoopTest, CropAndDeinterlaceReachTheEncoder) {
    OpenInput(Clip("in.avi", VideoOnlyClip(0.2)));
    const std::string path = dir.File("out.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"croptop", "8"}, {"cropleft", "16"}, {"deinterlace", ""}});
    Run();
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->streams[0]->codecpar->width, 48);
    EXPECT_EQ(out->streams[0]->codecpar->height, 40);
    EXPECT_EQ(CountPackets(out.get())[0], 5);
}

TEST_F(TranscodeLoopTest, SizeChangeInTheMiddleIsScaledToTheOutputSize) {
    ClipSpec spec = VideoOnlyClip(0.4);
    spec.Video[0].SizeChangeAtFrame = 5;
    spec.Video[0].SecondWidth = 96;
    spec.Video[0].SecondHeight = 64;
    OpenInput(Clip("sizes.mkv", spec));
    // The output keeps the size the input declared, whichever of the two that is.
    const int declaredWidth = task.Settings().FrameWidth;
    const std::string path = dir.File("out.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"}});
    LogCapture log;
    Run();
    EXPECT_TRUE(log.HasAny("frame size changed to"));
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->streams[0]->codecpar->width, declaredWidth);
    EXPECT_EQ(CountPackets(out.get())[0], 10);
    int atOutputSize = 0;
    const TDecodedFile decoded = DecodeWholeFile(
        path, [&](int, const AVFrame& frame) { atOutputSize += frame.width == declaredWidth; });
    EXPECT_EQ(decoded.Errors, 0);
    EXPECT_EQ(atOutputSize, 10);
}

ClipSpec ClipWithSubtitles() {
    ClipSpec spec = VideoOnlyClip(1.0);
    spec.Subtitles.push_back(SubtitleTrackSpec{"dvdsub", {{100000, 300000}, {500000, 700000}}, "Vantoro"});
    return spec;
}

TEST_F(TranscodeLoopTest, SubtitlesAreReencoded) {
    OpenInput(Clip("subs.mkv", ClipWithSubtitles()));
    const std::string path = dir.File("out.mkv");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"scodec", "dvdsub"}});
    Run();
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    ASSERT_EQ(out->nb_streams, 2u);
    EXPECT_EQ(out->streams[1]->codecpar->codec_id, AV_CODEC_ID_DVD_SUBTITLE);
    EXPECT_EQ(CountPackets(out.get())[1], 2);
}

TEST_F(TranscodeLoopTest, PictureSubtitlesCannotBecomeText) {
    OpenInput(Clip("subs.mkv", ClipWithSubtitles()));
    OpenOutput(dir.File("out.mkv"), {{"vcodec", "mpeg4"}, {"scodec", "ass"}});
    EXPECT_FFMPEG_ERROR(task.PrepareRun(),
                        "Subtitle encoding currently only possible from text to text or bitmap to bitmap");
}

TEST_F(TranscodeLoopTest, VideoStatsFileHasALinePerEncodedFrame) {
    OpenInput(Clip("in.avi", VideoOnlyClip(0.2)));
    const std::string stats = dir.File("vstats.log");
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}, {"vstats_file", stats}});
    Run();
    std::vector<char> text;
    int64_t size = 0;
    ASSERT_EQ(ReadWholeFile(stats, text, size), 0);
    const std::string content(text.data());
    EXPECT_EQ(std::count(content.begin(), content.end(), '\n'), 5);
    EXPECT_EQ(content.rfind("frame=     1 q= ", 0), 0u) << content;
    EXPECT_NE(content.find("type= I"), std::string::npos);
}

struct VolumeSource {
    const char* File;
    const char* Codec;
    // 16-bit steps between the scaled samples and the expected ones: a wider
    // source is scaled before it is cut to 16 bits, the reference after.
    int Tolerance;
};

class VolumeScaling : public TranscodeLoopTest, public testing::WithParamInterface<VolumeSource> {};

// Whatever sample format the decoder gives (s16, planar float, s32), a volume
// scales every sample by volume / 256 and clips at full scale.
TEST_P(VolumeScaling, ScalesEverySampleAndClips) {
    ClipSpec spec = AudioOnlyClip(0.2);
    spec.Audio[0].Codec = GetParam().Codec;
    spec.Audio[0].Amplitude = 0.3; // four times is beyond full scale
    const std::string in = Clip(GetParam().File, spec);

    std::vector<int16_t> unchanged;
    for (const int volume : {256, 0, 512, 1024}) {
        task.ResetEngineState();
        const std::string out = dir.File("vol" + std::to_string(volume) + ".wav");
        OpenInput(in);
        OpenOutput(out, {{"acodec", "pcm_s16le"}, {"vol", std::to_string(volume)}});
        Run();
        const std::vector<int16_t> samples = SamplesOf(out);
        if (volume == 256) {
            unchanged = samples;
            ASSERT_GT(unchanged.size(), 1000u);
            if (GetParam().Tolerance == 0) { // 16-bit source: untouched to the bit
                EXPECT_EQ(samples, SamplesOf(in));
            }
            continue;
        }
        ASSERT_EQ(samples.size(), unchanged.size()) << volume;
        int worst = 0;
        for (size_t i = 0; i < samples.size(); ++i) {
            const int expected = std::clamp(unchanged[i] * volume / 256, -32768, 32767);
            worst = std::max(worst, std::abs(samples[i] - expected));
        }
        EXPECT_LE(worst, GetParam().Tolerance) << "volume " << volume;
        if (volume == 1024) { // clipped rather than wrapped around
            EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 32767);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SampleFormats, VolumeScaling,
                         testing::Values(VolumeSource{"s16.wav", "pcm_s16le", 0},
                                         VolumeSource{"fltp.mp3", "libmp3lame", 3},
                                         VolumeSource{"s32.wav", "pcm_s24le", 3}));

struct FilterCase {
    const char* Filters;
    int Width, Height;                                        // of the output
    std::function<int(const TLumaPlane&, int, int)> Expected; // output luma from the input's
    bool Changes;                                             // the picture differs from the input's
};

class FilterGraphs : public TranscodeLoopTest, public testing::WithParamInterface<FilterCase> {};

TEST_P(FilterGraphs, ChangeThePictureAsTheFiltersSay) {
    const FilterCase& c = GetParam();
    const std::string in = Clip("in.avi", VideoOnlyClip(0.2));
    const std::string out = dir.File("out.avi");
    OpenInput(in);
    OpenOutput(out, {{"vcodec", "mpeg4"}, {"qscale", "2"}, {"vf", c.Filters}});
    Run();
    const TLumaPlane source = FirstPicture(in);
    const TLumaPlane result = FirstPicture(out);
    ASSERT_EQ(result.Width, c.Width);
    ASSERT_EQ(result.Height, c.Height);
    double fromExpected = 0.0;
    double fromSource = 0.0;
    for (int y = 0; y < result.Height; ++y) {
        for (int x = 0; x < result.Width; ++x) {
            fromExpected += std::abs(result.At(x, y) - c.Expected(source, x, y));
            fromSource += std::abs(result.At(x, y) - source.At(x, y));
        }
    }
    const double pixels = static_cast<double>(result.Width) * result.Height;
    EXPECT_LT(fromExpected / pixels, 4.0) << c.Filters;
    if (c.Changes) {
        EXPECT_GT(fromSource / pixels, 10.0) << c.Filters;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterGraphs,
    testing::Values(FilterCase{"hflip", 64, 48,
                               [](const TLumaPlane& in, int x, int y) { return in.At(in.Width - 1 - x, y); },
                               true},
                    FilterCase{"negate", 64, 48,
                               [](const TLumaPlane& in, int x, int y) { return 255 - in.At(x, y); }, true},
                    FilterCase{"crop=32:24:0:0", 32, 24,
                               [](const TLumaPlane& in, int x, int y) { return in.At(x, y); }, false}));

// The report line carries the quantizer histogram and the PSNR of each plane.
TEST_F(TranscodeLoopTest, ReportLineShowsHistogramAndPsnr) {
    OpenInput(Clip("in.avi", VideoOnlyClip(0.2)));
    const std::string stats = dir.File("vstats.log");
    OpenOutput(
        dir.File("out.avi"),
        {{"vcodec", "mpeg4"}, {"qscale", "3"}, {"psnr", "1"}, {"qphist", "1"}, {"vstats_file", stats}});
    LogCapture log;
    Run(false);
    // A plane coded without any error (the flat chroma) shows "inf".
    const std::regex last(
        R"(frame=\s+5 fps=\s*\d+ q=3\.0 L([0-9A-F]{32})PSNR=Y:(\d+\.\d\d) U:(\d+\.\d\d|inf) )"
        R"(V:(\d+\.\d\d|inf) \*:\d+\.\d\d size=)");
    std::smatch match;
    bool found = false;
    for (const LoggedLine& line : log.Lines())
        if (std::regex_search(line.Text, match, last)) {
            found = true;
            // Quantizer 3 seen by at least one report: a non-zero digit in its place.
            EXPECT_NE(match[1].str()[3], '0') << line.Text;
            EXPECT_GT(std::stod(match[2].str()), 25.0) << line.Text;
        }
    if (!found)
        for (const LoggedLine& line : log.Lines())
            if (line.Text.find("frame=") != std::string::npos)
                ADD_FAILURE() << "report line: " << line.Text;

    std::vector<char> text;
    int64_t size = 0;
    ASSERT_EQ(ReadWholeFile(stats, text, size), 0);
    EXPECT_NE(std::string(text.data()).find("PSNR= "), std::string::npos);
}

// Asks for a stop once the loop has gone round `rounds` times.
class StopAfterRounds : public TRunControl {
public:
    explicit StopAfterRounds(int rounds) : left_(rounds) {}
    bool StopRequested() const override { return left_ <= 0; }
    void PausePoint() override { --left_; }

private:
    int left_;
};

TEST_F(TranscodeLoopTest, StoppedRunLeavesACompleteShorterFile) {
    OpenInput(Clip("in.avi", VideoOnlyClip(1.0)));
    const std::string path = dir.File("stopped.mkv");
    OpenOutput(path, {{"vcodec", "mpeg4"}});
    StopAfterRounds control(6);
    task.TranscodeLoop(control);
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out); // the trailer was written
    const int written = CountPackets(out.get())[0];
    EXPECT_GT(written, 0);
    EXPECT_LT(written, 25);
    const TDecodedFile decoded = DecodeWholeFile(path);
    EXPECT_EQ(decoded.Frames[0], written);
    EXPECT_EQ(decoded.Errors, 0);
}

} // namespace
