// The password lock and the "(New_N)" output names.
#include "app/OutputFiles.h"
#include "app/PasswordLock.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <set>

TEST(PasswordLockTest, StoredScrambledPasswordAndTheMasterOpen) {
    TempDir dir;
    EXPECT_FALSE(ReadPasswordLockFile(dir.File("none")).LockOn);

    const std::string lock = dir.File("Check_PsP");
    std::ofstream(lock, std::ios::binary) << ScramblePassword("秘密=1");
    const TPasswordStore store = ReadPasswordLockFile(lock);
    ASSERT_TRUE(store.LockOn);
    struct Case {
        const char* typed;
        bool accepted;
    };
    for (const Case c : {Case{"秘密=1", true}, Case{"mubmub", true}, Case{"", false}, Case{"秘密", false},
                         Case{"MUBMUB", false}}) {
        EXPECT_EQ(PasswordAccepted(store, c.typed), c.accepted) << c.typed;
    }
    // A lock without a stored value takes the empty password.
    std::ofstream(lock, std::ios::binary | std::ios::trunc);
    EXPECT_TRUE(PasswordAccepted(ReadPasswordLockFile(lock), ""));
    EXPECT_EQ(ScramblePassword("a0"), "V\x07");
}

TEST(OutputNamingTest, NewNamesKeepExistingFiles) {
    std::set<std::string> taken{"/o/a.avi", "/o/a(New_1).avi", "/o/b"};
    auto isTaken = [&](const std::string& p) { return taken.count(p) > 0; };
    EXPECT_EQ(UniqueOutputName("/o/a.avi", false, isTaken), "/o/a(New_2).avi");
    EXPECT_EQ(UniqueOutputName("/o/a.avi", true, isTaken), "/o/a.avi");
    EXPECT_EQ(UniqueOutputName("/o/c.avi", false, isTaken), "/o/c.avi");
    EXPECT_EQ(UniqueOutputName("/o/b", false, isTaken), "/o/b(New_1)");

    // At start: the suffix of the add is dropped when the plain name is free,
    // kept (renumbered) when it is not, and the new output folder applies.
    EXPECT_EQ(StartOutputName("/n", "/o/x(New_3).mp4", isTaken), "/n/x.mp4");
    EXPECT_EQ(StartOutputName("/o", "/old/a(New_7).avi", isTaken), "/o/a(New_2).avi");
    EXPECT_EQ(StartOutputName("/o", "/o/a.avi", isTaken), "/o/a(New_2).avi");
}

TEST(OutputNamingTest, AStoppedJobsFileTakesOneForm) {
    TempDir dir;
    std::ofstream(dir.File("b(停止).mp4")) << "earlier";
    struct Case {
        const char* finalName;
        const char* stopped;
    };
    for (const Case c : {
             Case{"a.mp4", "a(停止).mp4"},
             Case{"a(New_1).mp4", "a(停止).mp4"}, // "(New_N)" of the name rule goes after
             Case{"b(New_12).mp4", "b(停止)(New_1).mp4"},
             Case{"c(New_).mp4", "c(New_)(停止).mp4"}, // not the rule's suffix
             Case{"d(New_1)x.mp4", "d(New_1)x(停止).mp4"},
         }) {
        EXPECT_EQ(StoppedFileName(dir.File(c.finalName)), dir.File(c.stopped)) << c.finalName;
    }
}

TEST(OutputNamingTest, TheSearchForAFreeNameEnds) {
    // A folder whose name is cut at a NUL byte makes every name seem taken.
    int asked = 0;
    const auto everyNameTaken = [&](const std::string&) { return ++asked > 0; };
    EXPECT_EQ(UniqueOutputName("/o/a.avi", false, everyNameTaken), "");
    EXPECT_EQ(asked, MaxNewNumber + 1);
    EXPECT_EQ(StartOutputName("/o", "/o/a.avi", everyNameTaken), "");
    const std::string withNul("/o\0x/a.avi", 10);
    EXPECT_EQ(UniqueOutputName(withNul, false, PathExists), "");
    EXPECT_EQ(UniqueOutputName(withNul, true, PathExists), "");
    EXPECT_NE(NoFreeNameMessage(withNul).find("空字符"), std::string::npos);
}
