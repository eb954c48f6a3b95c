#include "loop/FrameHookModule.h"
#include "engine/FFmpegException.h"
#include "options/OptionTable.h"

#include "OptionTestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

TEST(SplitHookArguments, AtBarsWhenThereAreAnyElseAtBlanks) {
    struct Case {
        std::string Value;
        std::vector<std::string> Words;
    };
    const Case cases[] = {
        {"mod.so a  b\tc", {"mod.so", "a", "b", "c"}},
        {"/my dir/mod.so|text with blanks|x", {"/my dir/mod.so", "text with blanks", "x"}},
        {"mod.so||a|", {"mod.so", "a"}},
        {"  mod.so  ", {"mod.so"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitHookArguments(c.Value), c.Words) << c.Value;
    }
    std::string many = "mod.so";
    for (int i = 0; i < 300; ++i) {
        many += " w";
    }
    EXPECT_EQ(SplitHookArguments(many).size(), 254u);
}

// A 4:2:0 picture of 8x4 filled with 16 (luma) and 128 (chroma).
class Picture {
public:
    Picture() : luma_(8 * 4, 16), u_(4 * 2, 128), v_(4 * 2, 128) {
        picture_.data[0] = luma_.data();
        picture_.data[1] = u_.data();
        picture_.data[2] = v_.data();
        picture_.linesize[0] = 8;
        picture_.linesize[1] = 4;
        picture_.linesize[2] = 4;
    }
    VantoroHookPicture& Get() { return picture_; }
    bool LumaIs(int value) const {
        for (uint8_t sample : luma_) {
            if (sample != value) {
                return false;
            }
        }
        return true;
    }
    int FirstChroma() const { return u_[0]; }

private:
    std::vector<uint8_t> luma_, u_, v_;
    VantoroHookPicture picture_{};
};

TEST(FrameHookModule, ChangesThePictureItIsGiven) {
    struct Case {
        std::string Value;
        int Luma;
    };
    const Case cases[] = {
        {std::string(TEST_HOOK_MODULE) + " 200", 200},
        {std::string(TEST_HOOK_MODULE) + "|77", 77},
        {TEST_HOOK_MODULE, 255},         // Configure with no arguments
        {TEST_HOOK_MODULE_BARE, 16 + 0}, // no Configure needed without arguments
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value);
        std::shared_ptr<TFrameHookModule> hook = CreateFrameHook(c.Value);
        ASSERT_TRUE(hook);
        Picture picture;
        if (c.Luma == 16) {
            picture.Get().data[0][0] = 99; // the bare module writes 16 everywhere
        }
        hook->Process(picture.Get(), AV_PIX_FMT_YUV420P, 8, 4, 0x1234);
        EXPECT_TRUE(picture.LumaIs(c.Luma));
        EXPECT_EQ(picture.FirstChroma(), 0x34);
    }
}

TEST(FrameHookModule, OptionAddsHooksThatRunInOrder) {
    FakeOptionTarget target;
    DispatchOption(target, "vhook", std::string(TEST_HOOK_MODULE) + " 10");
    DispatchOption(target, "vhook", std::string(TEST_HOOK_MODULE) + " 20");
    ASSERT_EQ(target.settings.FrameHooks.size(), 2u);
    Picture picture;
    RunFrameHooks(target.settings.FrameHooks, picture.Get(), AV_PIX_FMT_YUV420P, 8, 4, 0);
    EXPECT_TRUE(picture.LumaIs(20));
}

TEST(FrameHookModule, RefusalsAreLoggedAndRaisedByTheOption) {
    struct Case {
        std::string Value;
        std::string Logged;
    };
    const Case cases[] = {
        {std::string(TEST_HOOK_MODULE_NO_PROCESS),
         std::string("Failed to find Process entrypoint in ") + TEST_HOOK_MODULE_NO_PROCESS},
        {std::string(TEST_HOOK_MODULE_BARE) + " 5",
         std::string("Failed to find Configure entrypoint in ") + TEST_HOOK_MODULE_BARE},
        {std::string(TEST_HOOK_MODULE) + " refuse", std::string("Failed to Configure ") + TEST_HOOK_MODULE},
        {"/nonexistent/hook.so 1", "/nonexistent/hook.so"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value);
        FakeOptionTarget target;
        LogCapture log;
        EXPECT_FFMPEG_ERROR(DispatchOption(target, "vhook", c.Value),
                            "Failed to add video hook function: " + c.Value);
        EXPECT_TRUE(log.Has(llError, c.Logged));
        EXPECT_TRUE(target.settings.FrameHooks.empty());
    }
}

TEST(FrameHookModule, ItsFolderJoinsThePathOnce) {
    ASSERT_TRUE(CreateFrameHook(TEST_HOOK_MODULE));
    ASSERT_TRUE(CreateFrameHook(TEST_HOOK_MODULE));
    const std::string folder = std::filesystem::path(TEST_HOOK_MODULE).parent_path().string();
    const std::string path = std::getenv("PATH");
    size_t count = 0;
    for (size_t at = path.find(folder + ":"); at != std::string::npos; at = path.find(folder + ":", at + 1)) {
        ++count;
    }
    EXPECT_EQ(count, 1u) << path;
}

} // namespace
