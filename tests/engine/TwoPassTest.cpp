// Two-pass encoding end to end: pass 1 writes its statistics under the pass
// log prefix, pass 2 reads them and meets the bit rate asked for.
#include "ConverterTestSupport.h"
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <unistd.h>

namespace {

constexpr double ClipSeconds = 2.0;
constexpr int ClipFrames = 50;

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
        RunToEnd();
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
    RunToEnd();

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

// Every encoder of the libraries' MPEG-family rate control, asked for a second
// pass it cannot make (a bit rate far too low, none at all, statistics that
// are not a first pass's), fails its task with a message; the process, which
// the library's rate control would bring down, lives on. A sane bit rate
// still converts.
struct RateControlCase {
    const char* Encoder;
    const char* Extension;
    TOptionList Extra; // sizes the encoder takes, B-frames
};

class PassTwoRefusal : public SetupTest, public testing::WithParamInterface<RateControlCase> {
protected:
    // Runs a whole pass; false when it could not be set up, with the reason.
    bool RunPass(int pass, const std::string& in, int64_t bitRate, const std::string& prefix,
                 std::string& error) {
        task.ReleaseEngineState();
        task.ResetEngineState();
        OpenInput(in);
        TOptionList options{{"vcodec", GetParam().Encoder},
                            {"b", std::to_string(bitRate)},
                            {"pass", std::to_string(pass)},
                            {"passlogfile", prefix}};
        options.insert(options.end(), GetParam().Extra.begin(), GetParam().Extra.end());
        OpenOutput(dir.File("pass" + std::to_string(pass) + "." + GetParam().Extension), options);
        bool ran = true;
        try {
            NeverStop control;
            task.TranscodeLoop(control);
        } catch (const FFmpegException& e) {
            error = e.what();
            ran = false;
        }
        task.CloseOpenedCodecs();
        task.ReleaseEngineState();
        return ran;
    }
};

TEST_P(PassTwoRefusal, AnImpossibleSecondPassFailsTheTaskAndNotTheProcess) {
    ClipSpec spec = VideoOnlyClip(ClipSeconds);
    spec.Video[0].Width = 352;
    spec.Video[0].Height = 288;
    const std::string in = Clip("in.mkv", spec);
    const std::string prefix = dir.File("passes");
    const std::string log = prefix + "-0.log";
    std::string error;
    ASSERT_TRUE(RunPass(1, in, 400000, prefix, error)) << error;
    std::string statistics;
    {
        std::ifstream read(log, std::ios::binary);
        statistics.assign(std::istreambuf_iterator<char>(read), {});
    }
    ASSERT_NE(statistics.find("misc:"), std::string::npos);

    struct Attempt {
        const char* what;
        int64_t bitRate;
        std::string statistics;
    };
    const Attempt attempts[] = {
        {"a bit rate far too low", 1000, statistics},
        {"no bit rate", 0, statistics},
        {"damaged statistics", 400000, "in:7 out:0 garbage;\nnot a statistics line;\n"},
        {"statistics of another source", 400000, "in:999999 out:0 type:1 q:2;"},
    };
    for (const Attempt& a : attempts) {
        SCOPED_TRACE(a.what);
        std::ofstream(log, std::ios::binary | std::ios::trunc) << a.statistics;
        LogCapture captured;
        error.clear();
        EXPECT_FALSE(RunPass(2, in, a.bitRate, prefix, error));
        EXPECT_EQ(error.rfind("Error while opening encoder for output stream #0.0 (Video)", 0), 0u) << error;
    }

    std::ofstream(log, std::ios::binary | std::ios::trunc) << statistics;
    EXPECT_TRUE(RunPass(2, in, 400000, prefix, error)) << error;
    EXPECT_EQ(DecodeWholeFile(dir.File(std::string("pass2.") + GetParam().Extension)).Frames[0], ClipFrames);
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, PassTwoRefusal,
    testing::Values(RateControlCase{"mpeg4", "avi", {}}, RateControlCase{"mpeg4", "avi", {{"bf", "2"}}},
                    RateControlCase{"msmpeg4", "avi", {}}, RateControlCase{"wmv2", "asf", {}},
                    RateControlCase{"mpeg1video", "mpg", {{"bf", "2"}}},
                    RateControlCase{"mpeg2video", "mpg", {}}, RateControlCase{"h263", "avi", {}},
                    RateControlCase{"flv", "flv", {}}),
    [](const testing::TestParamInfo<RateControlCase>& info) {
        return std::string(info.param.Encoder) + (info.param.Extra.empty() ? "" : "_bframes");
    });

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
