// Dropped and command-line paths: which files a folder stands for, and the
// add they start (one file like the single add, several like the many add).
#include "app/AppFakes.h"
#include "app/MainWindowLogic.h"
#include "app/MediaFiles.h"
#include "fixtures/FixtureMaker.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& file) {
    fs::create_directories(file.parent_path());
    std::ofstream(file) << "x";
}

} // namespace

TEST(MediaFilesTest, ExtensionsComeFromTheDialogFiltersInAnyLetterCase) {
    struct TCase {
        const char* Path;
        bool Media;
    };
    const TCase cases[] = {{"/v/a.mkv", true},
                           {"/v/a.MKV", true},
                           {"/v/a.Mp3", true},
                           {"/v/a.m2ts", true},
                           {"/v/a.3gpp", true},
                           {"/v/a.txt", false},
                           {"/v/mkv", false},
                           {"/v/a.mkv.part", false},
                           {"/v/.flac", false},
                           // types the desktop entry claims beyond the dialogs' filters
                           {"/v/a.webm", true},
                           {"/v/a.OGV", true},
                           {"/v/a.opus", true},
                           {"/v/a.oga", true},
                           {"/v/a.srt", false},
                           {"/v/a.jpg", false}};
    for (const TCase& c : cases)
        EXPECT_EQ(IsMediaFile(c.Path), c.Media) << c.Path;
}

TEST(MediaFilesTest, AFolderStandsForItsMediaFilesAtAnyDepth) {
    TempDir dir;
    const fs::path root = dir.Path() / "drop";
    Touch(root / "b.avi");
    Touch(root / "a.mp4");
    Touch(root / "notes.txt");
    Touch(root / "sub" / "deeper" / "c.flac");
    Touch(root / "sub" / "cover.jpg");
    Touch(dir.Path() / "single.dat");
    Touch(dir.Path() / "readme.txt");

    const std::vector<std::string> files =
        CollectMediaFiles({root.string(), dir.File("readme.txt"), dir.File("single.dat"),
                           dir.File("gone.mkv"), (root / "a.mp4").string()});
    const std::vector<std::string> expected{
        (root / "a.mp4").string(), (root / "b.avi").string(), (root / "sub" / "deeper" / "c.flac").string(),
        // A file named on its own is kept: the add reports it if unreadable.
        dir.File("readme.txt"), dir.File("single.dat")};
    EXPECT_EQ(files, expected);
}

TEST(MediaFilesTest, AFolderHoldingOnlyAWebmStandsForIt) {
    TempDir dir;
    const fs::path root = dir.Path() / "web";
    Touch(root / "talk.webm");
    Touch(root / "talk.vtt");
    EXPECT_EQ(CollectMediaFiles({root.string()}), std::vector<std::string>{(root / "talk.webm").string()});
}

class DroppedFilesLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        MarkMainThread();
        outputFolder_ = dir_.File("out");
        view_.Chooser = ConfirmWith({200}); // MP3
        logic_ = std::make_unique<TMainWindowLogic>(view_, platform_, store_, dir_.Path().string());
        fs::create_directories(outputFolder_);
        logic_->Initialise(outputFolder_);
    }
    void TearDown() override {
        logic_.reset();
        ProcessPendingMessages();
    }
    std::string Clip(const std::string& name) {
        const std::string file = dir_.File(name);
        MakeClip(file, VideoAndAudioClip(0.2));
        return file;
    }

    TempDir dir_;
    std::string outputFolder_;
    // Its message boxes serve posted calls while they are open, as a real modal box does.
    class TModalBoxView : public TFakeView {
    public:
        bool ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                         TMessageButtons buttons) override {
            ServeUntil([] { return false; }, std::chrono::milliseconds(1500));
            return TFakeView::ShowMessage(text, title, icon, buttons);
        }
    };
    TModalBoxView view_;
    TFakePlatform platform_;
    TSettingsStore store_{dir_.File("system.ini"), dir_.Path().string()};
    std::unique_ptr<TMainWindowLogic> logic_;
};

TEST_F(DroppedFilesLogicTest, OneFileIsAddedLikeTheSingleAddWithAClipAllowed) {
    const std::string clip = Clip("one.mp4");
    logic_->AddFiles({clip});
    EXPECT_FALSE(view_.IsEnabled(TMainAction::Add)); // probed on the worker first
    ASSERT_TRUE(ServeUntil([&] { return !logic_->Adding(); }, std::chrono::seconds(30)));
    ASSERT_EQ(view_.Rows.size(), 1u);
    EXPECT_EQ(view_.Rows[0].SourceFile, clip);
    EXPECT_EQ(view_.Rows[0].Status, StatusWaiting);
    EXPECT_EQ(view_.Rows[0].TargetFormat, "MP3");
    EXPECT_EQ(view_.ChooserClipAllowed, std::vector<bool>{true});
    EXPECT_EQ(view_.Selected, 0);
}

TEST_F(DroppedFilesLogicTest, SeveralFilesAreProbedOnTheWorkerWithoutAClip) {
    const std::vector<std::string> clips{Clip("a.mp4"), Clip("b.mkv"), Clip("c.avi")};
    logic_->AddFiles(clips);
    EXPECT_FALSE(view_.IsEnabled(TMainAction::Add));
    ASSERT_TRUE(ServeUntil([&] { return !logic_->Adding(); }, std::chrono::seconds(30)));
    ASSERT_EQ(view_.Rows.size(), clips.size());
    for (size_t i = 0; i < clips.size(); ++i) {
        EXPECT_EQ(view_.Rows[i].SourceFile, clips[i]);
        EXPECT_EQ(view_.Rows[i].TargetFormat, "MP3");
    }
    EXPECT_EQ(view_.ChooserClipAllowed, std::vector<bool>{false});
    EXPECT_EQ(view_.AddProgress.back(), std::make_pair(3, 3));
    EXPECT_TRUE(view_.IsEnabled(TMainAction::Add));
    EXPECT_TRUE(view_.IsEnabled(TMainAction::Start));
}

TEST_F(DroppedFilesLogicTest, ACancelledChooserAddsNothing) {
    view_.Chooser = {};
    logic_->AddFiles({Clip("a.mp4"), Clip("b.mp4")});
    ASSERT_TRUE(ServeUntil([&] { return !logic_->Adding(); }, std::chrono::seconds(30)));
    EXPECT_TRUE(view_.Rows.empty());
    EXPECT_EQ(view_.ChooserClipAllowed.size(), 1u);
    EXPECT_TRUE(view_.IsEnabled(TMainAction::Add));
    EXPECT_FALSE(view_.IsEnabled(TMainAction::Start));
}

TEST_F(DroppedFilesLogicTest, ResultsArrivingDuringAMessageBoxWaitForTheirTurn) {
    // The unreadable file's box is open while the other results arrive.
    const std::string bad = dir_.File("broken.mp4");
    WriteRandomBytes(bad, 4096);
    const std::vector<std::string> files{bad, Clip("a.mp4"), Clip("b.mp4")};
    logic_->AddFiles(files);
    ASSERT_TRUE(ServeUntil([&] { return !logic_->Adding(); }, std::chrono::seconds(30)));
    ASSERT_EQ(view_.Messages.size(), 1u);
    EXPECT_EQ(view_.Messages[0].Text, "无法识别的音频或视频文件！" + bad);
    ASSERT_EQ(view_.Rows.size(), 2u);
    EXPECT_EQ(view_.Rows[0].SourceFile, files[1]);
    EXPECT_EQ(view_.Rows[1].SourceFile, files[2]);
    EXPECT_EQ(view_.Rows[1].Number, "2");
}
