// Runs the real "vantoro-cli transcode", so exit status, both output streams,
// Ctrl-C and the files left behind are checked as a script meets them.
#include "CliTest.h"
#include "ProbedOutput.h"
#include "fixtures/FixtureMaker.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
    for (const auto& l : Lines(text))
        if (l == line)
            return true;
    return false;
}

class TranscodeCommandTest : public CliTest {
protected:
    static void SetUpTestSuite() {
        CliTest::SetUpTestSuite();
        MakeClip(Clip(), VideoAndAudioClip(1.0));
        MakeClip(LongClip(), VideoAndAudioClip(LongClipSeconds));
    }

    // 1 s, 64x48, H.264 and AAC.
    static std::string Clip() { return CliTest::Clip("片段 一.mp4"); }
    static constexpr double LongClipSeconds = 8.0;
    static std::string LongClip() { return CliTest::Clip("long.mp4"); }

    std::set<std::filesystem::path> Listing() const {
        std::set<std::filesystem::path> names;
        for (const auto& entry : std::filesystem::directory_iterator(out()))
            names.insert(entry.path().filename());
        return names;
    }

    // Runs "vantoro-cli transcode ARGS..."; `onLine` sees each line of standard
    // output as it comes, with the process id. A run that outlives `limit` is
    // killed and fails the test.
    CliResult Run(const Args& transcodeArgs, const CliLineWatcher& onLine = {},
                  std::chrono::seconds limit = std::chrono::seconds(60)) const {
        Args args = {"transcode"};
        args.insert(args.end(), transcodeArgs.begin(), transcodeArgs.end());
        return RunCliWatching({args, 1, dir.File("stderr"), {}, onLine, limit});
    }
};

const std::regex kProgressLine(
    R"(task (\d+): +(\d+|\?)% time=(\d+\.\d\ds|N/A) fps=(\d+|-) bitrate=\d+\.\dkbits/s size=\d+kB)");

} // namespace

TEST_F(TranscodeCommandTest, WritesPlayableOutputsOneAfterAnotherAndInThreads) {
    struct Output {
        std::string name;
        Args options;
        Stream video;
        std::string audioCodec;
        bool secondOutput = false; // of the task before, not a task of its own
    };
    struct Case {
        const char* threads;
        std::vector<Output> outputs;
    };
    const Case cases[] = {
        {"0",
         {{"一 个.avi",
           {"vcodec=mpeg4", "s=32x24", "acodec=libmp3lame", "ab=64000"},
           {"mpeg4", 32, 24},
           "mp3"},
          {"二.mkv", {"vcodec=libx264", "s=48x32", "an=1"}, {"h264", 48, 32}, "", true}}},
        {"2",
         {{"a.mkv", {"vcodec=libx264", "s=128x96"}, {"h264", 128, 96}, "vorbis"},
          {"b.mp4", {"vcodec=mpeg4", "an=1"}, {"mpeg4", 64, 48}, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("--threads ") + c.threads);
        Args args = {"--threads", c.threads};
        int count = 0;
        for (const auto& output : c.outputs) {
            if (!output.secondOutput) {
                args.insert(args.end(), {"-i", Clip()});
                ++count;
            }
            args.insert(args.end(), {"-o", Out(output.name)});
            for (const auto& option : output.options)
                args.insert(args.end(), {"--oopt", option});
        }
        const CliResult result = Run(args);
        EXPECT_EQ(result.status, 0) << result.err;
        std::vector<int> progressLines(count + 1, 0);
        for (const auto& line : Lines(result.out)) {
            std::smatch m;
            if (std::regex_match(line, m, kProgressLine))
                ++progressLines.at(std::stoi(m[1]));
        }
        for (int n = 1; n <= count; ++n) {
            // Every task makes at least its last report.
            EXPECT_GE(progressLines[n], 1) << result.out;
            EXPECT_TRUE(HasLine(result.out, "task " + std::to_string(n) + ": finished")) << result.out;
        }
        EXPECT_EQ(Lines(result.out).back(), "done: " + std::to_string(count) + " of " +
                                                std::to_string(count) +
                                                " tasks finished (0 failed, 0 stopped, 0 not set up)");
        for (const auto& output : c.outputs) {
            SCOPED_TRACE(output.name);
            const Probed probed = ProbeFile(Out(output.name));
            ASSERT_TRUE(probed.opened) << probed.error;
            EXPECT_EQ(probed.video.codec, output.video.codec);
            EXPECT_EQ(probed.video.width, output.video.width);
            EXPECT_EQ(probed.video.height, output.video.height);
            EXPECT_EQ(probed.audioCodec, output.audioCodec);
            EXPECT_GT(probed.videoDuration, 500000);
        }
    }
}

// A task that cannot be set up prints the component's reason, leaves no file
// and does not keep the next task from running.
TEST_F(TranscodeCommandTest, SetUpErrorsPrintTheReasonAndTheOthersRun) {
    struct Case {
        const char* what;
        Args badTask;
        std::string reason; // part of the component's LastError
    };
    const std::string missing = dir.File("缺少.avi");
    const Case cases[] = {
        {"unknown encoder",
         {"-i", Clip(), "-o", Out("bad.avi"), "--oopt", "vcodec=nosuchcodec"},
         "nosuchcodec"},
        {"missing input", {"-i", missing, "-o", Out("bad.avi")}, missing + ": No such file or directory"},
        {"unknown input format",
         {"-i", Clip(), "--iopt", "f=nosuchformat", "-o", Out("bad.avi")},
         "nosuchformat"},
        {"bad duration", {"-i", Clip(), "-o", Out("bad.avi"), "--oopt", "t=soon"}, "soon"},
        {"second output refused",
         {"-i", Clip(), "-o", Out("bad.avi"), "-o", Out("bad2.avi"), "--oopt", "acodec=nosuchcodec"},
         "nosuchcodec"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Args args = c.badTask;
        args.insert(args.end(), {"-i", Clip(), "-o", Out("good.avi")});
        const CliResult result = Run(args);
        EXPECT_EQ(result.status, 1);
        bool reported = false;
        for (const auto& line : Lines(result.err))
            reported =
                reported || (line.rfind("task 1: ", 0) == 0 && line.find(c.reason) != std::string::npos);
        EXPECT_TRUE(reported) << result.err;
        EXPECT_TRUE(HasLine(result.out, "task 2: finished")) << result.out;
        EXPECT_EQ(Lines(result.out).back(),
                  "done: 1 of 2 tasks finished (0 failed, 0 stopped, 1 not set up)");
        EXPECT_EQ(Listing(), std::set<std::filesystem::path>{"good.avi"});
        std::filesystem::remove(Out("good.avi"));
    }
}

// Opening an output truncates it: an output that names an input, also through
// a link or "..", is refused before anything is written and the source stays whole.
TEST_F(TranscodeCommandTest, AnOutputThatIsTheInputIsRefusedAndTheSourceKept) {
    const std::string source = Out("源.mp4");
    std::filesystem::copy_file(Clip(), source);
    const auto size = std::filesystem::file_size(source);
    std::filesystem::create_symlink(source, Out("link.mp4"));
    std::filesystem::create_hard_link(source, Out("hard.mp4"));
    for (const std::string& output :
         {source, Out("link.mp4"), Out("hard.mp4"), (out() / ".." / "out" / "源.mp4").string()}) {
        SCOPED_TRACE(output);
        const CliResult result = Run({"-i", source, "-o", output});
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find("task 1: Output file '" + output + "' is the input file"),
                  std::string::npos)
            << result.err;
        EXPECT_FALSE(HasLine(result.out, "task 1: finished")) << result.out;
        EXPECT_EQ(std::filesystem::file_size(source), size);
    }
}

// A task that fails while it runs (the encoder refuses the picture size when
// it opens) is reported with its message; the run goes on with the next, in
// both run modes.
TEST_F(TranscodeCommandTest, AFailingTaskInTheMiddleDoesNotStopTheNext) {
    struct Case {
        const char* threads;
        Args middle;
        std::string failure;
    };
    // H.263 codes a few fixed picture sizes only, none of them the clip's.
    const Case cases[] = {
        {"0",
         {"-i", Clip(), "-o", Out("2.avi"), "--oopt", "vcodec=h263"},
         "task 2: failed: Error while opening encoder for output stream #0.0 (Video)"},
        {"2",
         {"-i", Clip(), "-o", Out("2.avi"), "--oopt", "vcodec=h263"},
         "task 2: failed: Error while opening encoder for output stream #0.0 (Video)"},
        {"0", {"-i", Clip()}, "task 2: failed: At least one output file must be specified"},
        {"1", {"-i", Clip()}, "task 2: failed: At least one output file must be specified"},
        // Everything lies before the start time: the output would hold no packet.
        {"0",
         {"-i", Clip(), "-o", Out("2.avi"), "--oopt", "ss=30"},
         "task 2: failed: Nothing was encoded: the input gave no frame for " + Out("2.avi")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("--threads ") + c.threads + ": " + c.failure);
        Args args = {"--threads", c.threads, "-i", Clip(), "-o", Out("1.avi")};
        args.insert(args.end(), c.middle.begin(), c.middle.end());
        args.insert(args.end(), {"-i", Clip(), "-o", Out("3.avi")});
        const CliResult result = Run(args);
        EXPECT_EQ(result.status, 1) << result.err;
        EXPECT_TRUE(HasLine(result.out, "task 1: finished")) << result.out;
        EXPECT_NE(result.out.find(c.failure), std::string::npos) << result.out;
        EXPECT_TRUE(HasLine(result.out, "task 3: finished")) << result.out;
        // The time before anything was written is no time to print.
        EXPECT_EQ(result.out.find("time=10000000000"), std::string::npos) << result.out;
        EXPECT_EQ(Lines(result.out).back(),
                  "done: 2 of 3 tasks finished (1 failed, 0 stopped, 0 not set up)");
        for (const char* name : {"1.avi", "3.avi"})
            EXPECT_TRUE(ProbeFile(Out(name)).opened) << name;
        std::filesystem::remove_all(out());
        std::filesystem::create_directory(out());
    }
}

// Ctrl-C stops with waiting: what ran has a complete, playable output (an MP4
// opens only with its trailer), what never ran leaves nothing behind.
TEST_F(TranscodeCommandTest, CtrlCStopsAndCompletesTheOutputs) {
    struct Case {
        const char* threads;
        int tasks;
        int running; // tasks that run at once
    };
    const Case cases[] = {{"0", 2, 1}, {"2", 3, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("--threads ") + c.threads);
        Args args = {"--threads", c.threads};
        for (int n = 1; n <= c.tasks; ++n) {
            // Read at the clip's own pace, so the run is still going when the signal comes.
            args.insert(args.end(), {"-i", LongClip(), "--iopt", "re=1", "-o",
                                     Out(std::to_string(n) + ".mp4"), "--oopt", "vcodec=mpeg4"});
        }
        std::set<int> reporting;
        Clock::time_point signalled{};
        const CliResult result = Run(args, [&](const std::string& line, pid_t pid) {
            std::smatch m;
            if (!std::regex_match(line, m, kProgressLine))
                return;
            reporting.insert(std::stoi(m[1]));
            if (signalled == Clock::time_point{} && static_cast<int>(reporting.size()) == c.running) {
                signalled = Clock::now();
                kill(pid, SIGINT);
            }
        });
        ASSERT_NE(signalled, Clock::time_point{}) << result.out << result.err;
        EXPECT_LT(Clock::now() - signalled, std::chrono::seconds(4));
        EXPECT_EQ(result.status, 130) << result.err;
        EXPECT_NE(result.err.find("stopping"), std::string::npos) << result.err;
        for (int n = 1; n <= c.tasks; ++n) {
            const std::string name = Out(std::to_string(n) + ".mp4");
            SCOPED_TRACE(name);
            EXPECT_TRUE(HasLine(result.out, "task " + std::to_string(n) + ": stopped")) << result.out;
            if (n > c.running) {
                EXPECT_FALSE(std::filesystem::exists(name));
                continue;
            }
            const Probed probed = ProbeFile(name);
            ASSERT_TRUE(probed.opened) << probed.error;
            EXPECT_EQ(probed.video.codec, "mpeg4");
            EXPECT_GT(probed.videoDuration, 0);
            EXPECT_LT(probed.videoDuration, static_cast<int64_t>(LongClipSeconds * 1e6));
        }
        const std::string count = std::to_string(c.tasks);
        EXPECT_EQ(Lines(result.out).back(),
                  "done: 0 of " + count + " tasks finished (0 failed, " + count + " stopped, 0 not set up)");
        std::filesystem::remove_all(out());
        std::filesystem::create_directory(out());
    }
}

TEST_F(TranscodeCommandTest, UsageErrorsPrintTheUsageAndRunNothing) {
    const std::string out = Out("x.avi");
    const Args cases[] = {
        {},
        {"-o", out},
        {"--oopt", "vcodec=mpeg4", "-i", Clip(), "-o", out},
        {"-i", Clip(), "--oopt", "vcodec=mpeg4", "-o", out},
        {"--iopt", "ss=0", "-i", Clip(), "-o", out},
        {"--threads", "two", "-i", Clip(), "-o", out},
        {"--threads", "-1", "-i", Clip(), "-o", out},
        {"--threads", "99999999999", "-i", Clip(), "-o", out},
        {"-i", Clip(), "-o", out, "--threads"},
        {"-i", Clip(), "-o"},
        {"-i", Clip(), "-o", out, "--verbose"},
        {Clip(), out},
    };
    for (const auto& args : cases) {
        std::string line;
        for (const auto& a : args)
            line += a + " ";
        SCOPED_TRACE(line);
        const CliResult result = Run(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("usage: vantoro-cli transcode"), std::string::npos) << result.err;
        EXPECT_TRUE(Listing().empty());
    }
    const CliResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vantoro-cli transcode", 0), 0u) << help.out;
}
