// The window's controls after the kept job list comes back at a start (the
// list is there, and what needs a selected row waits for one), and where the
// output folder's dialog opens.
#include "app/AppFakes.h"
#include "app/JobListFile.h"
#include "app/MainWindowLogic.h"
#include "app/OutputFiles.h"
#include "fixtures/FixtureMaker.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace {

class RestoredListStateTest : public ::testing::Test {
protected:
    void SetUp() override {
        MarkMainThread();
        fs::create_directories(dir_.Path() / "out");
        MakeClip(dir_.File("a.mkv"), VideoAndAudioClip(0.2));
        MakeClip(dir_.File("b.mkv"), VideoAndAudioClip(0.2));
    }
    void TearDown() override {
        logic_.reset();
        ProcessPendingMessages();
    }
    // A window's logic as at a program start, keeping its list in the test folder.
    void Start() {
        logic_.reset();
        ProcessPendingMessages();
        view_ = TFakeView{};
        view_.Chooser = ConfirmWith({200}); // MP3
        logic_ = std::make_unique<TMainWindowLogic>(view_, platform_, store_, dir_.Path().string());
        logic_->SetJobListFile(dir_.File("joblist.txt"));
        logic_->Initialise(dir_.File("out"));
    }

    TempDir dir_;
    TSettingsStore store_{dir_.File("system.ini"), dir_.Path().string()};
    TFakePlatform platform_;
    TFakeView view_;
    std::unique_ptr<TMainWindowLogic> logic_;
};

TEST_F(RestoredListStateTest, RemoveWaitsForASelectedRowAfterARestart) {
    Start();
    for (const char* name : {"a.mkv", "b.mkv"}) {
        platform_.OneFile = dir_.File(name);
        logic_->AddOneFile();
        ASSERT_TRUE(ServeUntil([&] { return !logic_->Adding(); }, std::chrono::seconds(30)));
    }
    ASSERT_EQ(view_.Rows.size(), 2u);

    Start();
    ASSERT_EQ(view_.Rows.size(), 2u);
    ASSERT_EQ(view_.Selected, -1);
    EXPECT_FALSE(view_.IsEnabled(TMainAction::Remove));
    EXPECT_FALSE(view_.IsEnabled(TMainAction::ListRemove));
    // The rest of what a listed job allows is there.
    for (auto action : {TMainAction::Clear, TMainAction::Start, TMainAction::ListClear,
                        TMainAction::ListMoveUp, TMainAction::ListMoveDown})
        EXPECT_TRUE(view_.IsEnabled(action)) << static_cast<int>(action);
    // Clicking "移除" anyway asks for a pick and removes nothing.
    logic_->RemoveSelectedJob();
    EXPECT_EQ(view_.Rows.size(), 2u);

    view_.Selected = 1;
    logic_->JobRowSelected();
    EXPECT_TRUE(view_.IsEnabled(TMainAction::Remove));
    EXPECT_TRUE(view_.IsEnabled(TMainAction::ListRemove));
}

TEST_F(RestoredListStateTest, BrowseStartsInTheCurrentOutputFolder) {
    // Records where the folder dialog opens.
    class TStartRecordingPlatform : public TFakePlatform {
    public:
        std::vector<std::string> Starts;
        std::optional<std::string> ChooseFolderFrom(const std::string& caption,
                                                    const std::string& startFolder) override {
            Starts.push_back(startFolder);
            return ChooseFolder(caption);
        }
    } platform;
    TFakeView view;
    TMainWindowLogic logic(view, platform, store_, dir_.Path().string());
    logic.Initialise(dir_.File("out"));
    platform.Folder = dir_.File("elsewhere");
    logic.BrowseOutputFolder();
    logic.BrowseOutputFolder();
    EXPECT_EQ(platform.Starts, (std::vector<std::string>{dir_.File("out"), dir_.File("elsewhere")}));
}

} // namespace
