// Two-pass encoding end to end: pass 1 writes its statistics under the pass
// log prefix, pass 2 reads them and meets the bit rate asked for.
#include "ConverterTestSupport.h"
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

#include <filesystem>

#include <unistd.h>

namespace {

constexpr double ClipSeconds = 2.0;
constexpr int ClipFrames = 50;

class NeverStop : public TRunControl {
public:
    bool StopRequested() const override { return false; }
    void PausePoint() override {}
};

struct TwoPassCase {
    const char* Encoder;
    const char* Output;
    // Within what the encoder can spend on the plain test picture at 320x240.
    int BitRate;
};

class TwoPass : public SetupTest, public testing::WithParamInterface<TwoPassCase> {
protected:
    void RunPass(int pass, const std::string& in, const std::string& out, const std::string& prefix) {
        task.ReleaseEngineState();
        task.ResetEngineState();
        OpenInput(in);
        OpenOutput(out, {{"vcodec", GetParam().Encoder},
                         {"b", std::to_string(GetParam().BitRate)},
                         {"pass", std::to_string(pass)},
                         {"passlogfile", prefix}});
        NeverStop control;
        task.TranscodeLoop(control);
        task.CloseOpenedCodecs();
        task.ReleaseEngineState();
    }
};

class TwoPassLimits : public SetupTest {};

TEST_P(TwoPass, SecondPassMeetsTheBitRate) {
    ClipSpec spec = VideoOnlyClip(ClipSeconds);
    spec.Video[0].Width = 320;
    spec.Video[0].Height = 240;
    const std::string in = Clip("in.mkv", spec);
    const std::string prefix = dir.File("passes");
    const std::string out = dir.File(GetParam().Output);

    RunPass(1, in, dir.File(std::string("first-") + GetParam().Output), prefix);
    EXPECT_TRUE(std::filesystem::exists(prefix + "-0.log"));
    EXPECT_GT(std::filesystem::file_size(prefix + "-0.log"), 0u);
    RunPass(2, in, out, prefix);
    EXPECT_TRUE(std::filesystem::exists(prefix + "-0.log")) << "a pass log the user named stays";

    int64_t videoBytes = 0;
    {
        ReadBackPtr ctx = ReadBack(out);
        ASSERT_TRUE(ctx);
        AVPacket* pkt = av_packet_alloc();
        while (av_read_frame(ctx.get(), pkt) >= 0) {
            videoBytes += pkt->size;
            av_packet_unref(pkt);
        }
        av_packet_free(&pkt);
    }
    const TDecodedFile decoded = DecodeWholeFile(out);
    EXPECT_EQ(decoded.Frames[0], ClipFrames);
    EXPECT_EQ(decoded.Errors, 0);
    const double bitRate = videoBytes * 8.0 / ClipSeconds;
    EXPECT_NEAR(bitRate, GetParam().BitRate, GetParam().BitRate * 0.15);
}

// A second pass asked for fewer bits than the first pass's motion and headers
// need is refused as an encoder open failure (the library would crash on it).
TEST_F(TwoPassLimits, BitRateBelowTheFixedBitsIsRefused) {
    ClipSpec spec = VideoOnlyClip(ClipSeconds);
    spec.Video[0].Width = 320;
    spec.Video[0].Height = 240;
    const std::string in = Clip("in.mkv", spec);
    const std::string prefix = dir.File("passes");
    const TOptionList pass1{{"vcodec", "mpeg4"}, {"b", "100000"}, {"pass", "1"}, {"passlogfile", prefix}};
    OpenInput(in);
    OpenOutput(dir.File("out1.avi"), pass1);
    NeverStop control;
    task.TranscodeLoop(control);
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();

    task.ResetEngineState();
    OpenInput(in);
    OpenOutput(dir.File("out2.avi"),
               {{"vcodec", "mpeg4"}, {"b", "20000"}, {"pass", "2"}, {"passlogfile", prefix}});
    LogCapture log;
    try {
        task.PrepareRun();
        ADD_FAILURE() << "the second pass was opened";
    } catch (const FFmpegException& e) {
        EXPECT_EQ(
            std::string(e.what()).rfind("Error while opening encoder for output stream #0.0 (Video)", 0), 0u);
    }
    EXPECT_TRUE(log.Has(llError, "requested bitrate is too low"));
    task.CloseOpenedCodecs();
}

// Two-pass conversions of two sources through the component, with the
// default pass-log name, run from a scratch working folder (where the default
// name lives).
class DefaultPassLogs : public ConverterTest {
protected:
    DefaultPassLogs() : saved_(std::filesystem::current_path()) { std::filesystem::current_path(dir.Path()); }
    ~DefaultPassLogs() override { std::filesystem::current_path(saved_); }

    void AddPass(const std::string& input, int pass, const std::string& output) {
        TOutputOptions options;
        InitOutputOptions(options);
        options.VideoCodec = "mpeg4";
        options.ExtOptions = "b=100000\npass=" + std::to_string(pass);
        const int index = conv.AddTask(input);
        ASSERT_GE(index, 0) << conv.LastError();
        ASSERT_TRUE(conv.SetOutputFile(index, dir.File(output), options)) << conv.LastError();
    }
    void RunAndExpectFinished(int threads) {
        conv.StartTask(threads);
        ASSERT_TRUE(WaitForAllDone());
        for (const TEventRecord& e : Events()) {
            EXPECT_TRUE(e.Finished) << e.TaskIndex << ": " << e.ErrorMessage;
            EXPECT_FALSE(e.Failed) << e.TaskIndex << ": " << e.ErrorMessage;
        }
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
    std::vector<std::string> PassLogsLeft() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            if (entry.path().filename().string().rfind("ffmpeg2pass", 0) == 0)
                names.push_back(entry.path().filename().string());
        return names;
    }

private:
    std::filesystem::path saved_;
};

// Each source's passes keep their own statistics, even when the passes of
// several sources run at once; the second pass removes the logs once it ended.
TEST_F(DefaultPassLogs, EachSourceKeepsItsOwnStatisticsAndTheSecondPassTidiesUp) {
    const std::string longer = Clip("long.mkv", VideoOnlyClip(2.0));
    const std::string shorter = Clip("short.mkv", VideoOnlyClip(1.0));
    for (int threads : {2, 0}) {
        SCOPED_TRACE(threads);
        AddPass(longer, 1, "long-1.avi");
        AddPass(shorter, 1, "short-1.avi");
        RunAndExpectFinished(threads);
        EXPECT_EQ(PassLogsLeft().size(), 2u) << "one log per source";
        AddPass(longer, 2, "long-2.avi");
        AddPass(shorter, 2, "short-2.avi");
        RunAndExpectFinished(threads);
        EXPECT_EQ(DecodeWholeFile(dir.File("long-2.avi")).Frames[0], 50);
        EXPECT_EQ(DecodeWholeFile(dir.File("short-2.avi")).Frames[0], 25);
        EXPECT_TRUE(PassLogsLeft().empty()) << PassLogsLeft().front();
    }
}

INSTANTIATE_TEST_SUITE_P(Encoders, TwoPass,
                         testing::Values(TwoPassCase{"mpeg4", "out.avi", 40000},
                                         TwoPassCase{"libx264", "out.mkv", 15000}),
                         [](const testing::TestParamInfo<TwoPassCase>& info) {
                             return std::string(info.param.Encoder);
                         });

} // namespace
