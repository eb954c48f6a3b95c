// Temporary names and the publish of a checked output: a final name is only
// ever taken by the finished file, without replacing another writer's file
// unless the user chose to overwrite, and what killed runs left is cleared.
#include "app/OutputFiles.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const std::string& file) {
    std::ifstream in(file);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

// The id of a process that has ended.
pid_t DeadPid() {
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

} // namespace

TEST(OutputStagingTest, TemporaryNamesAreThisProcesssOwnWithTheExtensionLast) {
    const std::string pid = std::to_string(getpid());
    EXPECT_EQ(RunPartName("/o/a.mp4"), "/o/a." + pid + ".part.mp4");
    EXPECT_EQ(RunPartName("/o.d/a"), "/o.d/a." + pid + ".part");
    EXPECT_EQ(StageOutput("/o/a.mp4", {}, false).Part, RunPartName("/o/a.mp4"));
}

TEST(OutputStagingTest, APublishTakesOnlyAFreeNameUnlessOverwriting) {
    struct Case {
        const char* what;
        std::set<std::string> existing; // in the folder before the publish, each holding "old"
        bool overwrite;
        std::string published;
    };
    const Case cases[] = {
        {"free", {}, false, "a.mp4"},
        {"taken by another writer", {"a.mp4"}, false, "a(New_1).mp4"},
        {"taken twice", {"a.mp4", "a(New_1).mp4"}, false, "a(New_2).mp4"},
        {"a link to nowhere", {"link"}, false, "a(New_1).mp4"},
        {"overwrite", {"a.mp4"}, true, "a.mp4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        std::set<std::string> before;
        for (const std::string& name : c.existing) {
            if (name == "link") {
                fs::create_symlink(dir.File("nowhere.mp4"), dir.File("a.mp4"));
                before.insert("a.mp4");
                continue;
            }
            std::ofstream(dir.File(name)) << "old";
            before.insert(name);
        }
        const std::string part = RunPartName(dir.File("a.mp4"));
        std::ofstream(part) << "new";
        std::string error;
        EXPECT_EQ(PublishOutput(part, dir.File("a.mp4"), c.overwrite, error), dir.File(c.published));
        EXPECT_EQ(error, "");
        EXPECT_EQ(ReadAll(dir.File(c.published)), "new");
        std::set<std::string> after = before;
        after.insert(c.published);
        EXPECT_EQ(Listing(dir.Path()), after);
        for (const std::string& name : c.existing) {
            if (name != "link" && name != c.published) {
                EXPECT_EQ(ReadAll(dir.File(name)), "old") << name;
            }
        }
        EXPECT_FALSE(fs::exists(dir.File("nowhere.mp4")));
    }
}

TEST(OutputStagingTest, AFailedPublishSaysWhyAndLeavesTheFinalNameAlone) {
    TempDir dir;
    std::string error;
    EXPECT_EQ(PublishOutput(dir.File("missing.part.mp4"), dir.File("a.mp4"), false, error), "");
    EXPECT_NE(error, "");
    EXPECT_FALSE(fs::exists(dir.File("a.mp4")));
}

TEST(OutputStagingTest, OnlyTheTemporaryFilesOfEndedProcessesAreRemoved) {
    TempDir dir;
    const std::string dead = std::to_string(DeadPid());
    const std::string alive = std::to_string(getppid());
    const std::string own = std::to_string(getpid());
    for (const std::string& name : std::vector<std::string>{
             "a." + dead + ".part.mp4", "a." + alive + ".part.mp4", "a." + own + ".part.mp4",
             "b." + dead + ".part.mp4", "a." + dead + ".part.mkv", "a.part.mp4", "a.x" + dead + ".part.mp4",
             "a.mp4"})
        std::ofstream(dir.File(name)) << "x";
    RemoveDeadRunParts(dir.File("a.mp4"));
    EXPECT_EQ(Listing(dir.Path()),
              (std::set<std::string>{"a." + alive + ".part.mp4", "a." + own + ".part.mp4",
                                     "b." + dead + ".part.mp4", "a." + dead + ".part.mkv", "a.part.mp4",
                                     "a.x" + dead + ".part.mp4", "a.mp4"}));
}

// A final name that fits a folder entry has a temporary name that fits too:
// the stem is cut (never inside a character) for any process id, the final
// name stays whole, and what a killed run left under such a name is found.
TEST(OutputStagingTest, TheTemporaryNameOfALongNameFitsAndIsStillFound) {
    TempDir dir;
    std::string wide = "ab"; // then 一 after 一: a cut at 235 bytes would split one
    while (wide.size() + 3 <= 251)
        wide += "\xE4\xB8\x80";
    struct Case {
        std::string stem;
        size_t keptBytes; // of the stem in the temporary name
    };
    // 255 bytes less the room for ".<10 digits>.part.mp4" leaves 235.
    const Case cases[] = {{std::string(251, 'x'), 235}, {wide, 233}, {"short", 5}};
    for (const Case& c : cases) {
        const std::string& stem = c.stem;
        const std::string finalName = dir.File(stem + ".mp4");
        const std::string part = fs::path(RunPartName(finalName)).filename().string();
        SCOPED_TRACE(part);
        EXPECT_LE(part.size(), 255u);
        EXPECT_EQ(part.substr(part.size() - 9), ".part.mp4");
        const std::string kept = part.substr(0, part.find('.'));
        EXPECT_EQ(kept.size(), c.keptBytes);
        EXPECT_EQ(stem.compare(0, kept.size(), kept), 0);
        // Whole characters only: the next byte of the stem starts one.
        if (kept.size() < stem.size()) {
            EXPECT_NE(static_cast<unsigned char>(stem[kept.size()]) & 0xC0, 0x80);
        }
        ASSERT_TRUE(std::ofstream(dir.File(part)) << "x");

        const std::string left = kept + "." + std::to_string(DeadPid()) + ".part.mp4";
        ASSERT_TRUE(std::ofstream(dir.File(left)) << "x");
        RemoveDeadRunParts(finalName);
        EXPECT_FALSE(fs::exists(dir.File(left)));
        EXPECT_TRUE(fs::exists(dir.File(part)));
        EXPECT_EQ(StageOutput(finalName, {}, false).Final, finalName);
    }
}
