// The parts of a second start's hand-over that need no running program: the
// socket's place, the message both ends read, and relative paths.
#include "app/InstanceHandOver.h"

#include <gtest/gtest.h>

TEST(InstanceHandOverTest, TheSocketLivesInTheUsersRuntimeFolderElseUnderTheUserId) {
    struct TCase {
        const char* RuntimeDir;
        const char* Expected;
    };
    const TCase cases[] = {{"/run/user/1000", "/run/user/1000/vantoro.socket"},
                           {nullptr, "/tmp/vantoro-1000.socket"},
                           {"", "/tmp/vantoro-1000.socket"},
                           {"relative/dir", "/tmp/vantoro-1000.socket"}};
    for (const TCase& c : cases)
        EXPECT_EQ(InstanceSocketPath(c.RuntimeDir, 1000, "/tmp"), c.Expected)
            << (c.RuntimeDir ? c.RuntimeDir : "(unset)");
}

TEST(InstanceHandOverTest, AMessageCarriesItsPathsAndIsReadOnlyWhenComplete) {
    const std::vector<std::string> paths{"/v/a.mp4", "/v/名字 with blanks.mkv", "/v/line\nbreak.avi"};
    const std::string message = EncodeHandOver(paths);
    EXPECT_EQ(DecodeHandOver(message), paths);
    // Split on the way: nothing until the end has come.
    for (size_t cut = 0; cut < message.size(); ++cut)
        EXPECT_FALSE(DecodeHandOver(std::string_view(message).substr(0, cut))) << cut;

    // A start without files: an empty list that still raises the window.
    EXPECT_EQ(DecodeHandOver(EncodeHandOver({})), std::vector<std::string>{});
    // Names no file can have are left out rather than breaking the message.
    EXPECT_EQ(DecodeHandOver(EncodeHandOver({"", std::string("a\0b", 3), "/v/c.mp4"})),
              std::vector<std::string>{"/v/c.mp4"});
}

TEST(InstanceHandOverTest, RelativePathsAreTakenFromTheSecondStartsFolder) {
    EXPECT_EQ(AbsolutePaths({"a.mp4", "../b.mkv", "/abs/c.avi", "./d/e.flac"}, "/home/u/videos"),
              (std::vector<std::string>{"/home/u/videos/a.mp4", "/home/u/b.mkv", "/abs/c.avi",
                                        "/home/u/videos/d/e.flac"}));
}
