// The job list survives a program killed in the middle of a run: the program
// (the window logic in a process of its own, tests/drivers) is ended with
// SIGKILL while its second of three jobs converts, started again, and must
// list the three jobs with the right statuses and no stray files, then
// convert all three.
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A started driver whose stdout the test reads line by line.
class TDriver {
public:
    explicit TDriver(const std::vector<std::string>& args) {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(JOBLIST_DRIVER));
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(JOBLIST_DRIVER, argv.data());
            _exit(127);
        }
        close(fds[1]);
        out_ = fdopen(fds[0], "r");
    }
    ~TDriver() {
        if (out_)
            std::fclose(out_);
        if (pid_ > 0 && !waited_) {
            kill(pid_, SIGKILL);
            Wait();
        }
    }
    TDriver(const TDriver&) = delete;
    TDriver& operator=(const TDriver&) = delete;

    // The next line without its line end; false at the end of the output.
    bool ReadLine(std::string& line) {
        char buffer[512];
        if (!out_ || !std::fgets(buffer, sizeof buffer, out_))
            return false;
        line = buffer;
        if (!line.empty() && line.back() == '\n')
            line.pop_back();
        return true;
    }
    std::vector<std::string> AllLines() {
        std::vector<std::string> lines;
        for (std::string line; ReadLine(line);)
            lines.push_back(line);
        return lines;
    }
    void Kill() { kill(pid_, SIGKILL); }
    // The wait status.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        waited_ = true;
        return status;
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    bool waited_ = false;
};

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

bool PartFileHoldsData(const fs::path& folder, const std::string& stem) {
    for (const std::string& name : FilesIn(folder))
        if (name.rfind(stem, 0) == 0 && name.find(".part.") != std::string::npos &&
            fs::file_size(folder / name) > 0)
            return true;
    return false;
}

TEST(JobListCrashTest, AKilledRunComesBackAndCompletes) {
    TempDir dir;
    const fs::path settings = dir.Path() / "settings";
    const fs::path out = dir.Path() / "out";
    fs::create_directories(settings);
    fs::create_directories(out);
    // The second job lasts long enough for the kill to land while it converts.
    MakeClip(dir.File("a.mkv"), VideoAndAudioClip(1.0));
    MakeClip(dir.File("long.mkv"), VideoAndAudioClip(30.0));
    MakeClip(dir.File("c.mkv"), VideoAndAudioClip(1.0));

    {
        TDriver first({"run", settings.string(), out.string(), dir.File("a.mkv"), dir.File("long.mkv"),
                       dir.File("c.mkv")});
        bool firstEnded = false;
        std::string line;
        while (first.ReadLine(line)) {
            if (line == "ended 0 完成") {
                firstEnded = true;
                continue;
            }
            ASSERT_EQ(line.rfind("ended", 0), std::string::npos) << "a job ended before the kill: " << line;
            // Killed once the second job's file holds data (its first bytes may
            // wait in the writer's buffer for a while on a busy machine).
            if (firstEnded && line == "progress 1" && PartFileHoldsData(out, "long."))
                break;
        }
        ASSERT_TRUE(firstEnded) << "the driver ended early";
        first.Kill();
        const int status = first.Wait();
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    }
    // What the kill left: the first job's file, and the others' (the second's
    // begun) only under the run's temporary names, nothing under their final names.
    const std::vector<std::string> left = FilesIn(out);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0], "a.mpg");
    EXPECT_TRUE(std::regex_match(left[1], std::regex(R"(c\.[0-9]+\.part\.mpg)"))) << left[1];
    EXPECT_TRUE(std::regex_match(left[2], std::regex(R"(long\.[0-9]+\.part\.mpg)"))) << left[2];
    EXPECT_GT(fs::file_size(out / left[2]), 0u);

    {
        TDriver second({"list", settings.string(), out.string()});
        EXPECT_EQ(second.AllLines(),
                  (std::vector<std::string>{"restored 0 完成", "restored 1 准备", "restored 2 准备"}));
        EXPECT_EQ(second.Wait(), 0);
    }
    EXPECT_EQ(FilesIn(out), std::vector<std::string>{"a.mpg"});
    EXPECT_EQ(FilesIn(settings), (std::vector<std::string>{"joblist.txt", "system.ini"}));

    {
        TDriver third({"run", settings.string(), out.string()});
        const std::vector<std::string> lines = third.AllLines();
        EXPECT_EQ(third.Wait(), 0);
        for (int row = 0; row < 3; ++row)
            EXPECT_NE(std::find(lines.begin(), lines.end(), "ended " + std::to_string(row) + " 完成"),
                      lines.end())
                << row;
    }
    // The first job's file was there: its second conversion got a new name.
    EXPECT_EQ(FilesIn(out), (std::vector<std::string>{"a(New_1).mpg", "a.mpg", "c.mpg", "long.mpg"}));
}

} // namespace
