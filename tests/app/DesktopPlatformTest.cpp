// The desktop platform's opening: xdg-open's exit status reaches the main
// thread, so a target nothing can open does not fail unseen. A stand-in
// xdg-open on the search path answers as the real one would.
#include "app/DesktopPlatform.h"
#include "fixtures/FixtureMaker.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Puts a script named xdg-open, ending with `exitStatus`, first on PATH for its lifetime.
class StandInOpener {
public:
    explicit StandInOpener(int exitStatus) {
        const fs::path script = dir_.Path() / "xdg-open";
        std::ofstream(script) << "#!/bin/sh\nexit " << exitStatus << "\n";
        fs::permissions(script, fs::perms::owner_all);
        const char* path = std::getenv("PATH");
        oldPath_ = path ? path : "";
        setenv("PATH", (dir_.Path().string() + ":" + oldPath_).c_str(), 1);
    }
    ~StandInOpener() { setenv("PATH", oldPath_.c_str(), 1); }
    StandInOpener(const StandInOpener&) = delete;
    StandInOpener& operator=(const StandInOpener&) = delete;

private:
    TempDir dir_;
    std::string oldPath_;
};

// The desktop platform without dialogs, which only the front ends supply.
class DialoglessPlatform : public TDesktopPlatform {
public:
    std::optional<std::string> ChooseOpenFile(const std::vector<TFileFilter>&) override {
        return std::nullopt;
    }
    std::vector<std::string> ChooseOpenFiles(const std::vector<TFileFilter>&) override { return {}; }
    std::optional<std::string> ChooseFolder(const std::string&) override { return std::nullopt; }
};

} // namespace

TEST(DesktopPlatformTest, TheDesktopsAnswerComesBackOnTheMainThread) {
    struct Case {
        int exitStatus;
        bool opened;
    };
    // 0 opened; 3 no program found for it; 4 the program failed.
    for (const Case c : {Case{0, true}, Case{3, false}, Case{4, false}}) {
        SCOPED_TRACE(c.exitStatus);
        StandInOpener opener(c.exitStatus);
        DialoglessPlatform platform;
        std::optional<bool> answer;
        bool onMainThread = false;
        ASSERT_TRUE(platform.OpenWithDesktop("/nowhere", [&](bool opened) {
            answer = opened;
            onMainThread = IsMainThread();
        }));
        ASSERT_TRUE(ServeUntil([&] { return answer.has_value(); }, 10s));
        EXPECT_EQ(*answer, c.opened);
        EXPECT_TRUE(onMainThread);
    }
}
