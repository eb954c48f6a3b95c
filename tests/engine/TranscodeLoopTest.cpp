// Whole runs of the loop on tiny clips: the outputs are complete files with
// the expected amount of media, and the progress reports say what happened.
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"
#include "media/FileHelpers.h"

#include <algorithm>
#include <stdexcept>

namespace {

class NeverStop : public TRunControl {
public:
    bool StopRequested() const override { return false; }
    void PausePoint() override {}
};

class TranscodeLoopTest : public SetupTest {
protected:
    void Run() {
        task.OnProgress = [this](const TProgressInfo& info) { reports.push_back(info); };
        NeverStop control;
        task.TranscodeLoop(control);
        task.CloseOpenedCodecs();
        task.ReleaseEngineState();
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

TEST_F(TranscodeLoopTest, DoubleFrameRateDuplicatesFromTheThirdFrame) {
    OpenInput(Clip("in.avi", VideoOnlyClip(0.4))); // 10 frames at 25 fps
    LogCapture log;
    OpenOutput(dir.File("out.avi"), {{"vcodec", "mpeg4"}, {"r", "50"}});
    Run();
    ASSERT_FALSE(reports.empty());
    // Frames 1 and 2 once each, frames 3 to 10 twice.
    EXPECT_EQ(reports.back().FrameNumber, 2 + 8 * 2);
}

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
    // "t" also sets what progress measures against.
    EXPECT_EQ(reports.back().TotalDuration, 400000);
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

// The loudest 16-bit sample of a PCM file.
int PeakOf(const std::string& path) {
    ReadBackPtr ctx = ReadBack(path);
    int peak = 0;
    AVPacket* pkt = av_packet_alloc();
    while (ctx && av_read_frame(ctx.get(), pkt) >= 0) {
        const auto* samples = reinterpret_cast<const int16_t*>(pkt->data);
        for (int i = 0; i < pkt->size / 2; ++i)
            peak = std::max(peak, std::abs(static_cast<int>(samples[i])));
        av_packet_unref(pkt);
    }
    av_packet_free(&pkt);
    return peak;
}

TEST_F(TranscodeLoopTest, VolumeScalesAndClipsTheSamples) {
    ClipSpec spec = AudioOnlyClip(0.2);
    spec.Audio[0].Codec = "pcm_s16le";
    spec.Audio[0].Amplitude = 0.3;
    const std::string in = Clip("tone.wav", spec);
    const int sourcePeak = PeakOf(in);
    ASSERT_GT(sourcePeak, 9000);

    OpenInput(in);
    OpenOutput(dir.File("same.wav"), {{"acodec", "pcm_s16le"}});
    Run();
    EXPECT_EQ(PeakOf(dir.File("same.wav")), sourcePeak);

    task.ResetEngineState();
    OpenInput(in);
    OpenOutput(dir.File("double.wav"), {{"acodec", "pcm_s16le"}, {"vol", "512"}});
    Run();
    EXPECT_NEAR(PeakOf(dir.File("double.wav")), 2 * sourcePeak, 2);

    task.ResetEngineState();
    OpenInput(in);
    OpenOutput(dir.File("loud.wav"), {{"acodec", "pcm_s16le"}, {"vol", "1024"}});
    Run();
    // Clipped at full scale (-32768..32767) rather than wrapped around.
    EXPECT_GE(PeakOf(dir.File("loud.wav")), 32767);
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
}

} // namespace
