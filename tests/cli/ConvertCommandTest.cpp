// Runs the real "vantoro-cli convert" and "vantoro-cli profiles": batches of
// fixtures through several profiles and parallel jobs, read back with the
// probe; a failing job among good ones; names of existing outputs; Ctrl-C.
#include "CliRunner.h"
#include "ProbedOutput.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

class ConvertCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
        clips_ = new TempDir;
        MakeClip(Clip("一.mkv"), VideoAndAudioClip(1.0));
        MakeClip(Clip("two.avi"), VideoAndAudioClip(1.0));
        MakeClip(Clip("three.mp4"), VideoAndAudioClip(1.0));
        MakeClip(Clip("long.mp4"), VideoAndAudioClip(LongSeconds));
    }
    static void TearDownTestSuite() {
        delete clips_;
        clips_ = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(fs::exists(CliProgram())) << "build vantoro-cli first: " << CliProgram();
        fs::create_directory(out());
    }

    static constexpr double LongSeconds = 30.0;
    static std::string Clip(const std::string& name) { return clips_->File(name); }
    static Args Batch() { return {Clip("一.mkv"), Clip("two.avi"), Clip("three.mp4")}; }
    fs::path out() const { return dir.Path() / "out"; }
    std::string Out(const std::string& name) const { return (out() / name).string(); }

    // Runs "vantoro-cli ARGS..." with HOME in the scratch folder; `onErrLine`
    // sees each line of standard error as it comes.
    CliResult Run(const Args& args, const CliLineWatcher& onErrLine = {},
                  std::chrono::seconds limit = std::chrono::seconds(120)) const {
        return RunCliWatching(
            {args,
             2,
             dir.File("stdout"),
             {"HOME=" + dir.File("home"), "XDG_CONFIG_HOME=" + dir.File("config"), "PATH=/usr/bin:/bin"},
             onErrLine,
             limit});
    }

    CliResult Convert(const std::string& profile, Args extra, const Args& files) const {
        Args args{"convert", "--profile", profile, "--output-dir", out().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), files.begin(), files.end());
        return Run(args);
    }

    static TempDir* clips_;
    TempDir dir;
};

TempDir* ConvertCommandTest::clips_ = nullptr;

} // namespace

TEST_F(ConvertCommandTest, ConvertsABatchThroughSeveralProfilesAndParallelJobs) {
    struct Case {
        const char* profile;
        Args extra;
        const char* ext;
        const char* videoCodec; // empty: audio only
        int width, height;
        const char* audioCodec;
    };
    const Case cases[] = {
        {"18", {"--parallel", "3"}, ".mpg", "mpeg1video", 320, 240, "mp2"},
        {"202", {"--parallel", "2"}, ".wav", "", 0, 0, "pcm_s16le"},
        {"501",
         {"--parallel", "1", "--set", "VS=176*144", "--set", "VE=MPEG4 视频压缩器"},
         ".avi",
         "mpeg4",
         176,
         144,
         "mp3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.profile);
        const CliResult result = Convert(c.profile, c.extra, Batch());
        ASSERT_EQ(result.status, 0) << result.err;
        for (const auto& source : Batch()) {
            const std::string name = Out(fs::path(source).stem().string() + c.ext);
            SCOPED_TRACE(name);
            // Each finished output is named on standard output.
            EXPECT_NE(result.out.find(name + "\n"), std::string::npos) << result.out;
            const Probed probed = ProbeFile(name);
            ASSERT_TRUE(probed.opened) << probed.error;
            EXPECT_EQ(probed.video.codec, c.videoCodec);
            EXPECT_EQ(probed.video.width, c.width);
            EXPECT_EQ(probed.video.height, c.height);
            EXPECT_EQ(probed.audioCodec, c.audioCodec);
        }
        EXPECT_NE(result.err.find("3 of 3 files converted"), std::string::npos) << result.err;
    }
}

TEST_F(ConvertCommandTest, AFailingJobLeavesTheOthersCompleteAndExitsOne) {
    // The middle job's output name is taken by a folder, which --overwrite cannot replace.
    fs::create_directory(Out("two.wav"));
    const CliResult result = Convert("202", {"--overwrite", "--parallel", "2"}, Batch());
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find(Clip("two.avi")), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("2 of 3 files converted"), std::string::npos) << result.err;
    for (const char* name : {"一.wav", "three.wav"}) {
        const Probed probed = ProbeFile(Out(name));
        EXPECT_TRUE(probed.opened) << name << ": " << probed.error;
    }
}

TEST_F(ConvertCommandTest, AnOutputThatFailsItsCheckIsReportedAndExitsOne) {
    // The header promises ten seconds; the file holds about four.
    MakeClip(dir.File("cut.mkv"), VideoAndAudioClip(10.0));
    TruncateFile(dir.File("cut.mkv"), 0.4);
    const CliResult result = Convert("202", {}, {Clip("一.mkv"), dir.File("cut.mkv")});
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("vantoro-cli: " + dir.File("cut.mkv") + ": 输出文件不完整：时长 "),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("秒，应为 10.0 秒"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("1 of 2 files converted"), std::string::npos) << result.err;
    EXPECT_FALSE(fs::exists(Out("cut.wav")));
    EXPECT_TRUE(fs::exists(Out("一.wav")));
    // Each invocation stands alone: no job list is kept anywhere.
    EXPECT_FALSE(fs::exists(fs::path(CliProgram()).parent_path() / "joblist.txt"));
    EXPECT_FALSE(fs::exists(dir.Path() / "config" / "vantoro" / "joblist.txt"));
}

TEST_F(ConvertCommandTest, ExistingOutputsAreKeptUnlessOverwriteIsGiven) {
    const std::string existing = Out("一.wav");
    std::ofstream(existing) << "keep me";
    const CliResult first = Convert("202", {}, {Clip("一.mkv")});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(ReadFile(existing), "keep me");
    EXPECT_TRUE(ProbeFile(Out("一(New_1).wav")).opened);

    const CliResult second = Convert("202", {}, {Clip("一.mkv")});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_TRUE(ProbeFile(Out("一(New_2).wav")).opened);

    const CliResult overwritten = Convert("202", {"--overwrite"}, {Clip("一.mkv")});
    ASSERT_EQ(overwritten.status, 0) << overwritten.err;
    EXPECT_TRUE(ProbeFile(existing).opened);
}

TEST_F(ConvertCommandTest, AClipConvertsItsRangeAndARangePastTheEndIsRefused) {
    const CliResult clipped = Convert("18", {"--clip", "00:00:10-00:00:12"}, {Clip("long.mp4")});
    ASSERT_EQ(clipped.status, 0) << clipped.err;
    const Probed probed = ProbeFile(Out("long.mpg"));
    ASSERT_TRUE(probed.opened) << probed.error;
    EXPECT_NEAR(static_cast<double>(probed.videoDuration) / 1e6, 2.0, 0.3);

    const CliResult past = Convert("18", {"--clip", "00:00:10-00:01:00"}, {Clip("long.mp4")});
    EXPECT_EQ(past.status, 1) << past.err;
    EXPECT_FALSE(fs::exists(Out("long(New_1).mpg")));
}

TEST_F(ConvertCommandTest, CtrlCStopsWithWaitingAndCompletesTheOutput) {
    Clock::time_point signalled{};
    const CliResult result = Run({"convert", "--profile", "18", "--set", "VS=1280*720", "--output-dir",
                                  out().string(), Clip("long.mp4")},
                                 [&](const std::string& line, pid_t pid) {
                                     if (signalled == Clock::time_point{} && line.find("long.mp4: ") == 0) {
                                         signalled = Clock::now();
                                         kill(pid, SIGINT);
                                     }
                                 });
    ASSERT_NE(signalled, Clock::time_point{}) << result.err;
    EXPECT_EQ(result.status, 130) << result.err;
    EXPECT_NE(result.err.find("stopped: " + Clip("long.mp4")), std::string::npos) << result.err;
    // Kept under a name that says it was stopped.
    EXPECT_FALSE(fs::exists(Out("long.mpg")));
    const Probed probed = ProbeFile(Out("long(停止).mpg"));
    ASSERT_TRUE(probed.opened) << probed.error;
    EXPECT_GT(probed.videoDuration, 0);
    EXPECT_LT(probed.videoDuration, static_cast<int64_t>(LongSeconds * 1e6));
}

TEST_F(ConvertCommandTest, UsageErrorsExitTwoAndRunNothing) {
    const Args cases[] = {
        {"convert"},
        {"convert", Clip("一.mkv")},
        {"convert", "--profile", "999", Clip("一.mkv")},
        {"convert", "--profile", "18"},
        {"convert", "--profile", "18", "--set", "XX=1", Clip("一.mkv")},
        {"convert", "--profile", "18", "--set", "VB=no such item", Clip("一.mkv")},
        {"convert", "--profile", "18", "--filter", "blur", Clip("一.mkv")},
        {"convert", "--profile", "18", "--clip", "1-2", Clip("一.mkv")},
        {"convert", "--profile", "18", "--clip", "00:00:01-00:00:02", Clip("一.mkv"), Clip("two.avi")},
        {"convert", "--profile", "18", "--parallel", "0", Clip("一.mkv")},
        {"convert", "--profile", "18", "--then", "reboot", Clip("一.mkv")},
        {"convert", "--profile", "18", "--bogus", Clip("一.mkv")},
        {"profiles", "extra"},
    };
    for (const auto& args : cases) {
        Args full = args;
        if (args[0] == "convert")
            full.insert(full.begin() + 1, {"--output-dir", out().string()});
        const CliResult result = Run(full);
        SCOPED_TRACE(result.err);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("usage: vantoro-cli"), std::string::npos);
        EXPECT_TRUE(result.out.empty());
    }
    EXPECT_TRUE(fs::is_empty(out()));
    for (const char* command : {"convert", "profiles", "info"}) {
        const CliResult help = Run({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_NE(help.out.find("usage: vantoro-cli " + std::string(command)), std::string::npos) << help.out;
    }
}

TEST_F(ConvertCommandTest, BadSourcesAndOutputFoldersAreReported) {
    WriteRandomBytes(dir.File("noise.avi"), 4096);
    const CliResult mixed = Convert("202", {}, {dir.File("noise.avi"), Clip("two.avi")});
    EXPECT_EQ(mixed.status, 1);
    EXPECT_NE(mixed.err.find("无法识别的音频或视频文件！" + dir.File("noise.avi")), std::string::npos)
        << mixed.err;
    EXPECT_TRUE(ProbeFile(Out("two.wav")).opened);

    std::ofstream(dir.File("a file")) << "x";
    const CliResult folder =
        Run({"convert", "--profile", "202", "--output-dir", dir.File("a file") + "/sub", Clip("two.avi")});
    EXPECT_EQ(folder.status, 1);
    EXPECT_NE(folder.err.find("cannot write to the output folder"), std::string::npos) << folder.err;
}

TEST_F(ConvertCommandTest, ProfilesListsEveryProfileWithItsChoices) {
    const CliResult result = Run({"profiles"});
    ASSERT_EQ(result.status, 0) << result.err;
    std::istringstream in(result.out);
    int profiles = 0;
    bool preselected = false;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line[0] != ' ')
            ++profiles;
        if (line.rfind("  VB ", 0) == 0 && line.find("*\"528 kbps(中等质量)\"") != std::string::npos)
            preselected = true;
    }
    EXPECT_EQ(profiles, 80);
    EXPECT_NE(result.out.find("18\t"), std::string::npos);
    EXPECT_NE(result.out.find("\tMPEG/MPG视频格式\t.mpg\n"), std::string::npos);
    EXPECT_TRUE(preselected);
}
