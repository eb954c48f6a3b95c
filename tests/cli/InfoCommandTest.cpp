// Runs the real vantoro-cli program, so the exit status, both output streams
// and the handling of awkward file names are checked as a user meets them.
#include "CliProgram.h"
#include "fixtures/FixtureMaker.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

std::set<std::filesystem::path> Listing(const std::filesystem::path& dir) {
    std::set<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        names.insert(entry.path());
    return names;
}

class InfoCommandTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet)); }

    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(CliProgram())) << "build vantoro-cli first: " << CliProgram();
        std::filesystem::create_directory(media());
    }

    std::filesystem::path media() const { return dir.Path() / "media"; }
    std::string File(const std::string& name) const { return (media() / name).string(); }

    // Runs "vantoro-cli info ARGS..." with its output captured outside the media folder.
    CliResult RunInfo(const std::vector<std::string>& files) const {
        const std::string program = CliProgram().string();
        const std::string outName = dir.File("stdout");
        const std::string errName = dir.File("stderr");
        std::vector<std::string> args = {program, "info"};
        args.insert(args.end(), files.begin(), files.end());
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, outName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errName.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        CliResult result;
        if (spawned != 0) {
            ADD_FAILURE() << "cannot start " << program;
            return result;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        result.out = ReadFile(outName);
        result.err = ReadFile(errName);
        return result;
    }

    // What the program should print for a file that opens: its report with LF
    // line ends (the probe's text has CR LF) and a line break.
    static std::string ReportOf(const std::string& name) {
        TAVProbe probe;
        EXPECT_TRUE(probe.Open(name)) << probe.LastError();
        std::string report;
        probe.GetFormatReport(report);
        EXPECT_NE(report.find("\r\n"), std::string::npos);
        std::string lf;
        for (char c : report)
            if (c != '\r')
                lf += c;
        return lf + "\n";
    }

    static std::string ErrorOf(const std::string& name) {
        TAVProbe probe;
        EXPECT_FALSE(probe.Open(name));
        return probe.LastError() + "\n";
    }

    TempDir dir;
};

} // namespace

TEST_F(InfoCommandTest, ReportsEveryContainerTheFixturesWrite) {
    struct Case {
        const char* muxer;
        const char* extension;
        bool audioOnly;
    };
    const Case cases[] = {
        {"avi", "avi", false},  {"mp4", "mp4", false},   {"mov", "mov", false},      {"ipod", "m4v", false},
        {"3gp", "3gp", false},  {"3g2", "3g2", false},   {"matroska", "mkv", false}, {"webm", "webm", false},
        {"mpeg", "mpg", false}, {"vcd", "dat", false},   {"svcd", "mpg", false},     {"vob", "vob", false},
        {"dvd", "vob", false},  {"mpegts", "ts", false}, {"flv", "flv", false},      {"swf", "swf", false},
        {"asf", "wmv", false},  {"rm", "rm", false},     {"ogg", "ogv", false},      {"wav", "wav", true},
        {"mp3", "mp3", true},   {"mp2", "mp2", true},    {"ac3", "ac3", true},       {"adts", "aac", true},
        {"flac", "flac", true}, {"amr", "amr", true},    {"oga", "oga", true},       {"opus", "opus", true},
        {"aiff", "aiff", true}, {"au", "au", true},
    };
    std::vector<std::string> files;
    std::string expected;
    for (const auto& c : cases) {
        ClipSpec spec = c.audioOnly ? AudioOnlyClip(0.3) : VideoAndAudioClip(0.3);
        spec.Format = c.muxer;
        const std::string name = File(std::to_string(files.size()) + " 片段 " + c.muxer + "." + c.extension);
        MakeClip(name, spec);
        files.push_back(name);
        expected += ReportOf(name);
    }
    const CliResult result = RunInfo(files);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out, expected);
}

TEST_F(InfoCommandTest, ReportsSeveralStreamsOfOneKindAndTags) {
    const std::string name = File("多 轨道 (2).mkv");
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Video.push_back(spec.Video.front());
    spec.Audio.push_back(spec.Audio.front());
    spec.Audio.back().Metadata = {{"language", "chi"}, {"title", "国语"}};
    spec.Metadata = {{"title", "电影"}};
    MakeClip(name, spec);
    const CliResult result = RunInfo({name});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, ReportOf(name));
    EXPECT_NE(result.out.find("Stream #3(chi)"), std::string::npos);
    EXPECT_NE(result.out.find("\n  title           : 电影\n"), std::string::npos);
    EXPECT_EQ(result.out.find('\r'), std::string::npos);
}

TEST_F(InfoCommandTest, BadFilesFailAloneAndQuickly) {
    const std::string good = File("好 文件.mp4");
    MakeClip(good, VideoAndAudioClip(0.5));
    const std::string truncated = File("截断.mp4");
    std::filesystem::copy_file(good, truncated);
    TruncateFile(truncated, 0.5);
    const std::string zero = File("零.mkv");
    std::ofstream(zero).close();
    const std::string noise = File("噪声.avi");
    WriteRandomBytes(noise, 256 * 1024);
    const std::string folder = File("文件夹.mp4");
    std::filesystem::create_directory(folder);
    const std::string missing = File("缺少.avi");

    const std::vector<std::string> bad = {missing, zero, truncated, noise, folder};
    std::vector<std::string> args = {good};
    std::string expectedErr;
    for (const auto& name : bad) {
        args.push_back(name);
        expectedErr += ErrorOf(name);
    }
    args.push_back(good);
    const auto before = Listing(media());

    const auto start = std::chrono::steady_clock::now();
    const CliResult result = RunInfo(args);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, ReportOf(good) + ReportOf(good));
    EXPECT_EQ(result.err, expectedErr);
    EXPECT_NE(result.err.find(missing + ": No such file or directory\n"), std::string::npos);
    EXPECT_NE(result.err.find(zero + ": Invalid data found when processing input\n"), std::string::npos);
    EXPECT_EQ(Listing(media()), before);
}

TEST_F(InfoCommandTest, NoFileIsAUsageError) {
    const CliResult result = RunInfo({});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.out, "");
    EXPECT_NE(result.err.find("usage"), std::string::npos);
}
