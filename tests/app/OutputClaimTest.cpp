// Output names taken by creating the file exclusively: whatever is already
// there under the name (another program's output, a link) makes it taken and
// stays untouched; releasing removes only an empty file of our own making.
#include "app/OutputFiles.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

namespace fs = std::filesystem;

TEST(OutputClaimTest, OnlyAFreeNameIsClaimedAndOnlyAnEmptyFileIsReleased) {
    TempDir dir;
    const std::string out = dir.File("out");
    fs::create_directory(out);
    auto file = [&](const std::string& name) { return out + "/" + name; };
    std::ofstream(file("written.avi")) << "another program's output";
    fs::create_symlink(file("nowhere.avi"), file("dangling.avi"));
    fs::create_directory(file("folder.avi"));
    std::ofstream{file("empty.avi")};
    fs::create_symlink(file("empty.avi"), file("link-to-empty.avi"));

    struct Case {
        const char* name;
        bool claimed;
        std::function<void(const std::string&)> after;
    };
    const Case claims[] = {
        {"free.avi", true, [](const std::string& p) { EXPECT_EQ(fs::file_size(p), 0u); }},
        {"written.avi", false, [](const std::string& p) { EXPECT_EQ(fs::file_size(p), 24u); }},
        {"dangling.avi", false, [](const std::string& p) { EXPECT_TRUE(fs::is_symlink(p)); }},
        {"folder.avi", false, [](const std::string& p) { EXPECT_TRUE(fs::is_directory(p)); }},
        // Cannot be created for another reason: free, and the output's open says why.
        {"no such folder/a.avi", true, [](const std::string& p) { EXPECT_FALSE(fs::exists(p)); }},
    };
    for (const auto& c : claims) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ClaimNewFile(file(c.name)), c.claimed);
        c.after(file(c.name));
    }
    // A second program asking for a name just claimed finds it taken.
    EXPECT_FALSE(ClaimNewFile(file("free.avi")));

    for (const char* name : {"free.avi", "written.avi", "folder.avi", "link-to-empty.avi", "missing.avi"})
        ReleaseEmptyClaim(file(name));
    EXPECT_FALSE(fs::exists(file("free.avi")));
    EXPECT_TRUE(fs::exists(file("written.avi")));
    EXPECT_TRUE(fs::is_directory(file("folder.avi")));
    EXPECT_TRUE(fs::is_symlink(file("link-to-empty.avi")));
    EXPECT_TRUE(fs::exists(file("empty.avi")));
}
