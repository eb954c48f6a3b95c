// Runs the real "vantoro-cli convert" and "vantoro-cli profiles": batches of
// fixtures through several profiles and parallel jobs, read back with the
// probe; a failing job among good ones; names of existing outputs; Ctrl-C;
// the JSON lines; settings files of its own and runs side by side.
#include "CliTest.h"
#include "JsonReader.h"
#include "ProbedOutput.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/ShownPicture.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
using Args = std::vector<std::string>;

class ConvertCommandTest : public CliTest {
protected:
    static void SetUpTestSuite() {
        CliTest::SetUpTestSuite();
        MakeClip(Clip("一.mkv"), VideoAndAudioClip(1.0));
        MakeClip(Clip("two.avi"), VideoAndAudioClip(1.0));
        MakeClip(Clip("three.mp4"), VideoAndAudioClip(1.0));
        MakeClip(Clip("long.mp4"), VideoAndAudioClip(LongSeconds));
    }
    static constexpr double LongSeconds = 30.0;
    static Args Batch() { return {Clip("一.mkv"), Clip("two.avi"), Clip("three.mp4")}; }
    std::set<std::string> Listing() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(out()))
            names.insert(entry.path().filename().string());
        return names;
    }

    // Runs "vantoro-cli ARGS..." with HOME in the scratch folder; `onErrLine`
    // sees each line of standard error as it comes.
    CliResult Run(const Args& args, const CliLineWatcher& onErrLine = {},
                  std::chrono::seconds limit = std::chrono::seconds(120),
                  const std::string& stdoutFile = "stdout", const fs::path& program = {}) const {
        return RunCliWatching(
            {args, 2, dir.File(stdoutFile), PrivateEnvironment(dir.Path()), onErrLine, limit, program});
    }

    // Standard output as JSON objects, one a line; anything else fails the test.
    static std::vector<Json> JsonLines(const CliResult& result) {
        std::vector<std::string> bad;
        std::vector<Json> lines = JsonObjectLines(result.out, bad);
        for (const auto& line : bad)
            ADD_FAILURE() << "not a JSON object line: " << testing::PrintToString(line);
        return lines;
    }

    CliResult Convert(const std::string& profile, Args extra, const Args& files) const {
        Args args{"convert", "--profile", profile, "--output-dir", out().string()};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), files.begin(), files.end());
        return Run(args);
    }
};

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

TEST_F(ConvertCommandTest, AWideFilmInAFourByThreeFrameIsLetterboxed) {
    // Profile 500's defaults: "1280*720" shown 4:3.
    constexpr int flatLuma = 170;
    ClipSpec spec = VideoAndAudioClip(0.4);
    spec.Video[0].Width = 160;
    spec.Video[0].Height = 90;
    spec.Video[0].FlatLuma = flatLuma;
    const std::string film = dir.File("film.mp4");
    MakeClip(film, spec);
    const CliResult result = Convert("500", {}, {film});
    ASSERT_EQ(result.status, 0) << result.err;
    const ShownPicture shown = ReadShownPicture(Out("film.mp4"), (16 + flatLuma) / 2);
    ASSERT_TRUE(shown.Decoded);
    EXPECT_EQ(shown.FrameWidth, 1280);
    EXPECT_EQ(shown.FrameHeight, 720);
    EXPECT_NEAR(shown.FrameAspect(), 4.0 / 3, 0.02);
    // The whole width, three quarters of the height, bars above and below.
    EXPECT_EQ(shown.Width, 1280);
    EXPECT_NEAR(shown.PictureAspect(), 16.0 / 9, 0.03);
    EXPECT_NEAR(shown.Y, 90, 2);
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

TEST_F(ConvertCommandTest, ALinkToNowhereInTheOutputFolderIsATakenName) {
    // A new name is taken by creating it, which never follows a link: the
    // output must not land wherever the link points.
    fs::create_symlink(dir.File("elsewhere.wav"), Out("一.wav"));
    const CliResult result = Convert("202", {}, {Clip("一.mkv")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(ProbeFile(Out("一(New_1).wav")).opened);
    EXPECT_FALSE(fs::exists(dir.File("elsewhere.wav")));
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

// A clip range is read as the options window's boxes take it: up to two
// digits a box, an empty box counting as "00".
TEST_F(ConvertCommandTest, AClipIsWhatTheOptionsWindowsBoxesTake) {
    const CliResult result = Convert("18", {"--clip", "0:0:10-::12"}, {Clip("long.mp4")});
    ASSERT_EQ(result.status, 0) << result.err;
    const Probed probed = ProbeFile(Out("long.mpg"));
    ASSERT_TRUE(probed.opened) << probed.error;
    EXPECT_NEAR(static_cast<double>(probed.videoDuration) / 1e6, 2.0, 0.3);
}

// A pick that the encoder pick refills away is refused, naming the list and the item.
TEST_F(ConvertCommandTest, APickTheOtherPicksRemoveIsAUsageError) {
    const CliResult result =
        Convert("1", {"--set", "VB=528 kbps(中等质量)", "--set", "VE=Mjpeg 视频压缩器"}, {Clip("一.mkv")});
    EXPECT_EQ(result.status, 2);
    EXPECT_NE(result.err.find("VB"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("528 kbps(中等质量)"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(out()));
    // The same bit rate with an encoder that keeps it converts with it.
    const CliResult kept =
        Convert("1", {"--set", "VB=528 kbps(中等质量)", "--set", "VE=MPEG4 视频压缩器"}, {Clip("一.mkv")});
    EXPECT_EQ(kept.status, 0) << kept.err;
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
        {"convert", "--profile", "18", "--clip", "00:00:01.5-00:00:03", Clip("一.mkv")},
        {"convert", "--profile", "18", "--clip", "000:00:01-00:00:02", Clip("一.mkv")},
        {"convert", "--profile", "18", "--clip", "00:00:01-00:02", Clip("一.mkv")},
        {"convert", "--profile", "18", "--clip", "00:00:01-00:00:02:00", Clip("一.mkv")},
        {"convert", "--profile", "1", "--set", "VB=528 kbps(中等质量)", "--set", "VE=Mjpeg 视频压缩器",
         Clip("一.mkv")},
        {"convert", "--profile", "18", "--clip", "00:00:01-00:00:02", Clip("一.mkv"), Clip("two.avi")},
        {"convert", "--profile", "18", "--parallel", "0", Clip("一.mkv")},
        {"convert", "--profile", "18", "--then", "reboot", Clip("一.mkv")},
        {"convert", "--profile", "18", "--bogus", Clip("一.mkv")},
        {"convert", "--profile", "18", "--json", "--settings", "", Clip("一.mkv")},
        {"convert", "--profile", "18", "--json", Clip("一.mkv"), "--settings"},
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

// The lines of a --json run, sorted by event and job.
struct JsonRun {
    std::vector<Json> added;                   // in order
    std::map<int, Json> ended;                 // by index
    std::map<int, std::vector<Json>> progress; // by index
    std::optional<Json> runEnded;
};

static JsonRun SortJsonLines(const std::vector<Json>& lines) {
    JsonRun run;
    for (size_t k = 0; k < lines.size(); ++k) {
        const Json& line = lines[k];
        const std::string& event = line["event"].text;
        const int index = static_cast<int>(line["index"].number);
        EXPECT_FALSE(run.runEnded) << "a line after run_ended: " << event;
        if (event == "job_added") {
            EXPECT_EQ(index, static_cast<int>(run.added.size()));
            run.added.push_back(line);
        } else if (event == "progress") {
            EXPECT_FALSE(run.ended.count(index)) << "progress after the end of job " << index;
            run.progress[index].push_back(line);
        } else if (event == "job_ended") {
            EXPECT_TRUE(run.ended.emplace(index, line).second) << "job " << index << " ended twice";
        } else if (event == "run_ended") {
            run.runEnded = line;
        } else {
            ADD_FAILURE() << "unknown event " << event;
        }
    }
    EXPECT_TRUE(run.runEnded) << "no run_ended line";
    EXPECT_EQ(run.ended.size(), run.added.size()) << "every job added ends once";
    return run;
}

TEST_F(ConvertCommandTest, JsonLinesDescribeEveryJobAndTheRun) {
    // A source whose name is not UTF-8, and a job whose output name is taken
    // by a folder, so that it cannot be set up at the start.
    const std::string oddName = dir.File("odd\xFF name.avi");
    fs::copy_file(Clip("two.avi"), oddName);
    fs::create_directory(Out("three.mpg"));
    const Args files{Clip("一.mkv"), oddName, Clip("three.mp4"), Clip("long.mp4")};
    const CliResult result = Convert("18", {"--json", "--overwrite", "--parallel", "2"}, files);
    EXPECT_EQ(result.status, 1) << result.err;
    // Messages stay on standard error.
    EXPECT_NE(result.err.find(Clip("three.mp4")), std::string::npos) << result.err;

    const JsonRun run = SortJsonLines(JsonLines(result));
    ASSERT_EQ(run.added.size(), 4u) << result.out;
    EXPECT_EQ(run.added[0]["source"].text, Clip("一.mkv"));
    EXPECT_EQ(run.added[1]["source"].text, dir.File("odd\xEF\xBF\xBD name.avi"));
    EXPECT_EQ(run.added[0]["output"].text, Out("一.mpg"));
    EXPECT_TRUE(run.added[2]["output"].IsNull());
    EXPECT_EQ(run.added[3]["profile"].number, 18);
    EXPECT_EQ(run.added[3]["profile_name"].text, "MPEG/MPG视频格式");

    struct Expected {
        int index;
        const char* status;
        double seconds; // what was converted
    };
    for (const Expected& e : {Expected{0, "finished", 1.0}, Expected{1, "finished", 1.0},
                              Expected{2, "failed", 0}, Expected{3, "finished", LongSeconds}}) {
        SCOPED_TRACE(e.index);
        const Json& ended = run.ended.at(e.index);
        EXPECT_EQ(ended["status"].text, e.status);
        EXPECT_EQ(ended["source"].text, run.added[static_cast<size_t>(e.index)]["source"].text);
        EXPECT_TRUE(ended["check"].IsNull() || ended["check"].kind == Json::Object);
        if (std::string(e.status) == "failed") {
            EXPECT_FALSE(ended["error"].text.empty());
            EXPECT_TRUE(ended["output"].IsNull());
            continue;
        }
        EXPECT_TRUE(ended["error"].IsNull());
        EXPECT_EQ(ended["output"].text, run.added[static_cast<size_t>(e.index)]["output"].text);
        if (e.index != 1) { // the odd name is written as its bytes, which the line cannot hold
            EXPECT_TRUE(ProbeFile(ended["output"].text).opened) << ended["output"].text;
        }
        EXPECT_NEAR(ended["expected_seconds"].number, e.seconds, 0.2);
        EXPECT_GE(ended["elapsed_seconds"].number, 0);
    }
    EXPECT_TRUE(ProbeFile(Out("odd\xFF name.mpg")).opened);

    // Progress of the long job: whole percents going up, never one line per report.
    const auto progress = run.progress.find(3);
    ASSERT_NE(progress, run.progress.end()) << result.out;
    double lastPercent = -1;
    for (const Json& p : progress->second) {
        EXPECT_GT(p["percent"].number, lastPercent);
        lastPercent = p["percent"].number;
        EXPECT_LE(p["percent"].number, 100);
        EXPECT_NEAR(p["total_seconds"].number, LongSeconds, 0.2);
        EXPECT_TRUE(p["speed"].IsNull() || p["speed"].number > 0);
    }

    const Json& summary = *run.runEnded;
    EXPECT_EQ(summary["files"].number, 4);
    EXPECT_EQ(summary["jobs"].number, 4);
    EXPECT_EQ(summary["finished"].number, 3);
    EXPECT_EQ(summary["failed"].number, 1);
    EXPECT_EQ(summary["stopped"].number, 0);
    EXPECT_EQ(summary["exit_status"].number, result.status);
}

TEST_F(ConvertCommandTest, AStoppedJsonRunEndsItsJobsAndSaysSo) {
    // SIGTERM, as a scheduler sends when it takes the machine back, on the first progress line.
    bool signalled = false;
    CliRun run{{"convert", "--json", "--profile", "18", "--set", "VS=1280*720", "--parallel", "1",
                "--output-dir", out().string(), Clip("long.mp4"), Clip("two.avi")},
               1,
               dir.File("stderr"),
               {"HOME=" + dir.File("home"), "PATH=/usr/bin:/bin"},
               [&](const std::string& line, pid_t pid) {
                   if (!signalled && line.find("\"event\":\"progress\"") != std::string::npos) {
                       signalled = true;
                       kill(pid, SIGTERM);
                   }
               },
               std::chrono::seconds(120)};
    const CliResult result = RunCliWatching(run);
    ASSERT_TRUE(signalled) << result.out;
    EXPECT_EQ(result.status, 130) << result.err;
    const JsonRun lines = SortJsonLines(JsonLines(result));
    ASSERT_EQ(lines.ended.size(), 2u);
    EXPECT_EQ(lines.ended.at(0)["status"].text, "stopped");
    EXPECT_EQ(lines.ended.at(0)["elapsed_seconds"].kind, Json::Number);
    // The second job never started.
    EXPECT_EQ(lines.ended.at(1)["status"].text, "stopped");
    EXPECT_TRUE(lines.ended.at(1)["elapsed_seconds"].IsNull());
    EXPECT_EQ((*lines.runEnded)["stopped"].number, 2);
    EXPECT_EQ((*lines.runEnded)["exit_status"].number, 130);
    // The stopped job's file keeps what was converted, under a name that says so.
    EXPECT_EQ(lines.ended.at(0)["output"].text, Out("long(停止).mpg"));
    EXPECT_TRUE(ProbeFile(Out("long(停止).mpg")).opened);
    EXPECT_FALSE(fs::exists(Out("long.mpg")));
}

TEST_F(ConvertCommandTest, WhatStartedProgramsPrintStaysOffTheJsonLines) {
    // The completion action starts xdg-open, which may well print.
    const fs::path bin = dir.Path() / "bin";
    fs::create_directories(bin);
    std::ofstream(bin / "xdg-open") << "#!/bin/sh\necho \"opening $1\"\n";
    fs::permissions(bin / "xdg-open", fs::perms::owner_all);
    CliRun run{{"convert", "--json", "--then", "open-folder", "--profile", "202", "--output-dir",
                out().string(), Clip("two.avi")},
               2,
               dir.File("stdout"),
               {"HOME=" + dir.File("home"), "PATH=" + bin.string() + ":/usr/bin:/bin"}};
    const CliResult result = RunCliWatching(run);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("opening " + out().string()), std::string::npos) << result.err;
    EXPECT_EQ(SortJsonLines(JsonLines(result)).ended.size(), 1u);
}

TEST_F(ConvertCommandTest, RunsThatEndBeforeConvertingStillEndTheirJsonLines) {
    WriteRandomBytes(dir.File("noise.avi"), 4096);
    fs::create_directory(dir.File("a folder"));
    std::ofstream(dir.File("a file")) << "x";
    struct Case {
        Args args;
        const char* message;
        int jobs; // a file that could not be listed is still a job, ended as failed
    };
    const Case cases[] = {
        {{"--settings", dir.File("a folder"), Clip("一.mkv")}, "cannot use the settings file", 0},
        {{"--settings", dir.File("a file") + "/system.ini", Clip("一.mkv")},
         "cannot use the settings file",
         0},
        {{dir.File("noise.avi")}, "nothing to convert", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        Args args{"convert", "--json", "--profile", "202", "--output-dir", out().string()};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliResult result = Run(args);
        EXPECT_EQ(result.status, 1);
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        const std::vector<Json> lines = JsonLines(result);
        ASSERT_FALSE(lines.empty()) << result.out;
        EXPECT_EQ(lines.back()["event"].text, "run_ended");
        EXPECT_EQ(lines.back()["exit_status"].number, 1);
        EXPECT_EQ(lines.back()["jobs"].number, c.jobs);
        EXPECT_EQ(lines.back()["failed"].number, c.jobs);
        EXPECT_EQ(lines.size(), 1u + 2u * static_cast<size_t>(c.jobs)) << result.out; // added and ended
    }
    EXPECT_TRUE(fs::is_empty(out()));
}

// Each file named is a job with an end, whatever keeps it off the list, and
// none holds up the others: a pipe without a writer and an endless device are
// refused without being opened.
TEST_F(ConvertCommandTest, EveryFileNamedIsAccountedFor) {
    WriteRandomBytes(dir.File("noise.avi"), 4096);
    ASSERT_EQ(mkfifo(dir.File("pipe.mkv").c_str(), 0600), 0);
    fs::create_directory(dir.File("folder.mkv"));
    // Its output name fits a folder entry; the temporary name would not without shortening.
    const std::string longName = std::string(250, 'x') + ".mkv";
    fs::copy_file(Clip("two.avi"), dir.File(longName));
    struct File {
        std::string path;
        const char* status;
        std::string reason; // a part of the error
    };
    const File files[] = {
        {dir.File("missing.mkv"), "failed", "源文件不存在"},
        {Clip("一.mkv"), "finished", ""},
        {dir.File("pipe.mkv"), "failed", "源文件不是普通文件"},
        {dir.File("noise.avi"), "failed", "无法识别的音频或视频文件"},
        {"/dev/zero", "failed", "源文件不是普通文件"},
        {dir.File("folder.mkv"), "failed", "源文件是文件夹"},
        {dir.File(longName), "finished", ""},
    };
    Args args;
    for (const File& f : files)
        args.push_back(f.path);
    const auto started = Clock::now();
    const CliResult result = Convert("18", {"--json", "--parallel", "1"}, args);
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(60));
    EXPECT_EQ(result.status, 1) << result.err;

    const JsonRun run = SortJsonLines(JsonLines(result));
    ASSERT_EQ(run.added.size(), std::size(files)) << result.out;
    for (int index = 0; index < static_cast<int>(std::size(files)); ++index) {
        const File& f = files[index];
        SCOPED_TRACE(f.path);
        EXPECT_EQ(run.added[static_cast<size_t>(index)]["source"].text, f.path);
        ASSERT_EQ(run.ended.count(index), 1u) << result.out;
        const Json& ended = run.ended.at(index);
        EXPECT_EQ(ended["source"].text, f.path);
        EXPECT_EQ(ended["status"].text, f.status) << ended["error"].text;
        if (f.reason.empty()) {
            EXPECT_TRUE(ProbeFile(ended["output"].text).opened) << ended["output"].text;
            continue;
        }
        EXPECT_TRUE(ended["output"].IsNull());
        EXPECT_NE(ended["error"].text.find(f.reason), std::string::npos) << ended["error"].text;
        EXPECT_NE(ended["error"].text.find(f.path), std::string::npos) << ended["error"].text;
        // Standard error names it too.
        EXPECT_NE(result.err.find(ended["error"].text), std::string::npos) << result.err;
    }
    EXPECT_TRUE(fs::exists(Out(std::string(250, 'x') + ".mpg")));
    EXPECT_EQ((*run.runEnded)["jobs"].number, std::size(files));
    EXPECT_EQ((*run.runEnded)["finished"].number, 2);
    EXPECT_EQ((*run.runEnded)["failed"].number, 5);
    EXPECT_NE(result.err.find("2 of 7 files converted"), std::string::npos) << result.err;
    // Nothing but the two outputs: no temporary file is left.
    EXPECT_EQ(Listing().size(), 2u);
}

TEST_F(ConvertCommandTest, ParallelRunsWithTheirOwnSettingsShareOnlyTheOutputFolder) {
    // A copy of the program, so that the settings beside it are this test's alone.
    const fs::path program = dir.Path() / "bin" / "vantoro-cli";
    fs::create_directories(program.parent_path());
    fs::copy_file(CliProgram(), program);
    // Each node's settings send its outputs to the one shared folder.
    constexpr int Runs = 3;
    const std::string settings[Runs] = {dir.File("node1/vantoro.ini"), dir.File("node2/vantoro.ini"),
                                        dir.File("node3/vantoro.ini")};
    for (const auto& file : settings) {
        fs::create_directories(fs::path(file).parent_path());
        std::ofstream(file) << "[OutPath]\nOutPath=" << out().string() << "\n";
    }

    // The runs convert the same three files at once, so they compete for every name.
    CliResult results[Runs];
    std::thread runs[Runs];
    for (int k = 0; k < Runs; ++k) {
        runs[k] = std::thread([&, k] {
            Args args{"convert", "--json", "--profile", "202", "--parallel", "2", "--settings", settings[k]};
            const Args files = Batch();
            args.insert(args.end(), files.begin(), files.end());
            results[k] = Run(args, {}, std::chrono::seconds(120), "stdout" + std::to_string(k), program);
        });
    }
    for (auto& run : runs)
        run.join();

    std::set<std::string> outputs;
    for (const auto& result : results) {
        ASSERT_EQ(result.status, 0) << result.err;
        const JsonRun run = SortJsonLines(JsonLines(result));
        for (const auto& [index, ended] : run.ended) {
            EXPECT_EQ(ended["status"].text, "finished");
            EXPECT_EQ(fs::path(ended["output"].text).parent_path(), out());
            EXPECT_TRUE(outputs.insert(ended["output"].text).second)
                << "written twice: " << ended["output"].text;
        }
    }
    ASSERT_EQ(outputs.size(), 3u * Runs);
    for (const auto& output : outputs)
        EXPECT_TRUE(ProbeFile(output).opened) << output;
    // Nothing else in the output folder: no leftover names taken for a job.
    EXPECT_EQ(std::distance(fs::directory_iterator(out()), fs::directory_iterator()), 3 * Runs);

    // Each run kept to its own settings file; the program's and the user's were not touched.
    for (const auto& file : settings) {
        EXPECT_EQ(
            std::distance(fs::directory_iterator(fs::path(file).parent_path()), fs::directory_iterator()), 1);
        EXPECT_NE(ReadFile(file).find("OutPath=" + out().string() + "\n"), std::string::npos)
            << ReadFile(file);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(program.parent_path()), fs::directory_iterator()), 1);
    EXPECT_FALSE(fs::exists(dir.File("config")));
    EXPECT_FALSE(fs::exists(dir.File("home")));
}

TEST_F(ConvertCommandTest, AMissingSettingsFileStartsFromTheDefaults) {
    const std::string file = dir.File("new/node.ini");
    const CliResult result = Run({"convert", "--profile", "202", "--settings", file, Clip("two.avi")});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::string folder = dir.File("home") + "/Video_Directory";
    EXPECT_NE(ReadFile(file).find("OutPath=" + folder + "\n"), std::string::npos) << ReadFile(file);
    EXPECT_TRUE(ProbeFile(folder + "/two.wav").opened);
}

// A scheduler's kill leaves no file under a final name, only the run's own
// temporary file, which the next run of that output clears before it takes
// the plain name.
TEST_F(ConvertCommandTest, AKilledRunLeavesNoFinalNameAndTheNextRunTakesIt) {
    pid_t killed = 0;
    const CliResult result = Run({"convert", "--profile", "18", "--set", "VS=1280*720", "--output-dir",
                                  out().string(), Clip("long.mp4")},
                                 [&](const std::string& line, pid_t pid) {
                                     if (killed == 0 && line.find("long.mp4: ") == 0) {
                                         killed = pid;
                                         kill(pid, SIGKILL);
                                     }
                                 });
    ASSERT_NE(killed, 0) << result.err;
    EXPECT_EQ(result.status, 128 + SIGKILL);
    const std::string part = "long." + std::to_string(killed) + ".part.mpg";
    EXPECT_EQ(Listing(), std::set<std::string>{part});

    const CliResult next = Convert("18", {}, {Clip("long.mp4")});
    ASSERT_EQ(next.status, 0) << next.err;
    EXPECT_EQ(Listing(), std::set<std::string>{"long.mpg"});
    EXPECT_TRUE(ProbeFile(Out("long.mpg")).opened);
}

// Overwriting runs side by side each write a temporary file of their own.
TEST_F(ConvertCommandTest, OverwritingRunsSideBySideDoNotSpoilEachOther) {
    constexpr int Runs = 3;
    CliResult results[Runs];
    std::thread runs[Runs];
    for (int k = 0; k < Runs; ++k)
        runs[k] = std::thread([&, k] {
            Args args{"convert",      "--profile",    "202",           "--overwrite",
                      "--output-dir", out().string(), Clip("long.mp4")};
            const Args files = Batch();
            args.insert(args.end(), files.begin(), files.end());
            results[k] = Run(args, {}, std::chrono::seconds(120), "stdout" + std::to_string(k));
        });
    for (auto& run : runs)
        run.join();
    for (const auto& result : results)
        EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(Listing(), (std::set<std::string>{"long.wav", "一.wav", "two.wav", "three.wav"}));
    for (const auto& name : Listing())
        EXPECT_TRUE(ProbeFile(Out(name)).opened) << name;
}

// A damaged settings file whose output folder holds a NUL byte: every name in
// it seemed taken and the naming never ended.
TEST_F(ConvertCommandTest, AnOutputFolderWithANulByteFallsBackToTheDefault) {
    const std::string file = dir.File("node.ini");
    std::ofstream(file) << "[OutPath]\nOutPath=" << out().string() << std::string(1, '\0') << "x\n";
    const CliResult result = Run({"convert", "--profile", "202", "--settings", file, Clip("two.avi")}, {},
                                 std::chrono::seconds(30));
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find("设置文件中的输出目录无效，改用默认目录："), std::string::npos) << result.err;
    EXPECT_TRUE(ProbeFile(dir.File("home") + "/Video_Directory/two.wav").opened);
}

// "clip:1.avi" is a file in the current folder, not the protocol "clip", for
// every command that opens a name.
TEST_F(ConvertCommandTest, LocalNamesWithAColonAreFilesForEveryCommand) {
    fs::copy_file(Clip("two.avi"), dir.File("clip:1.avi"));
    const fs::path was = fs::current_path();
    fs::current_path(dir.Path());
    const CliResult info = Run({"info", "clip:1.avi"});
    const CliResult transcode = Run({"transcode", "-i", "clip:1.avi", "-o", "copy:1.wav"});
    const CliResult convert = Run({"convert", "--profile", "202", "--output-dir", "o:ut", "clip:1.avi"});
    const CliResult play = Run({"play", "clip:1.avi", "--seconds", "0.3"});
    fs::current_path(was);
    EXPECT_EQ(play.status, 0) << play.err;
    EXPECT_NE(play.out.find("state psPlay"), std::string::npos) << play.out;
    EXPECT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("File Name: clip:1.avi\n"), std::string::npos) << info.out;
    EXPECT_EQ(transcode.status, 0) << transcode.err;
    EXPECT_TRUE(ProbeFile(dir.File("copy:1.wav")).opened);
    EXPECT_EQ(convert.status, 0) << convert.err;
    EXPECT_TRUE(ProbeFile(dir.File("o:ut/clip:1.wav")).opened);
}

// "play" of a pipe that no writer opens gives up at the open's time limit
// with a message naming it, instead of waiting for good.
TEST_F(ConvertCommandTest, PlayGivesUpOnAPipeWithoutWriter) {
    const std::string pipe = dir.File("pipe.avi");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const auto started = Clock::now();
    const CliResult play = Run({"play", pipe, "--seconds", "1"}, {}, std::chrono::seconds(60));
    EXPECT_LT(Clock::now() - started, std::chrono::seconds(30));
    EXPECT_NE(play.status, 0);
    EXPECT_NE(play.err.find(pipe), std::string::npos) << play.err;
}
