// The job list by keyboard and mouse hover: Delete removes the selected row,
// Ctrl+O adds, Enter opens the row's information like a double click, and the
// source cell names the whole path when the column is too narrow for it.
#include "GuiTestSupport.h"

#include "app/SettingsStore.h"
#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/MediaInfoDialog.h"
#include "gui/OptionsDialog.h"

#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

class JobListKeysTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiApp();
        static TempDir clips;
        static const std::string clip = [] {
            const std::string file = clips.File("a rather long source file name.mp4");
            MakeClip(file, VideoAndAudioClip(0.5));
            return file;
        }();
        clip_ = clip;
        store_ = std::make_unique<TSettingsStore>(dir_.File("system.ini"), dir_.Path().string());
        window_ =
            std::make_unique<MainWindow>(platform_, *store_, QString::fromStdString(dir_.Path().string()));
        window_->show();
        window_->activateWindow(); // its shortcuts need it active
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    }
    void TearDown() override {
        window_->close();
        window_.reset();
        QApplication::processEvents();
    }
    // Ctrl+O in the window, answering the chooser and the options window.
    bool AddByKeyboard(const std::vector<std::string>& files) {
        platform_.ManyFiles = files;
        TModalScript script;
        script.ThenOn<FormatChooserDialog>(
            [](FormatChooserDialog* chooser) { chooser->NextButton()->click(); });
        script.ThenOn<OptionsDialog>([](OptionsDialog* options) { options->ConfirmButton()->click(); });
        QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
        return WaitFor([&] { return script.Done() && !window_->Logic().Adding(); }, 30000);
    }

    TempDir dir_;
    std::string clip_;
    TFakePlatform platform_;
    std::unique_ptr<TSettingsStore> store_;
    std::unique_ptr<MainWindow> window_;
};

TEST_F(JobListKeysTest, CtrlOAddsDeleteRemovesAndEnterShowsTheInformation) {
    const std::string second = dir_.File("second.mp4");
    fs::copy_file(clip_, second);
    ASSERT_TRUE(AddByKeyboard({clip_, second}));
    JobListTable* jobs = window_->Jobs();
    ASSERT_EQ(jobs->rowCount(), 2);

    // The whole path in the narrow source column's tooltip.
    for (int row = 0; row < 2; ++row)
        EXPECT_EQ(jobs->item(row, 1)->toolTip(), jobs->item(row, 1)->text());

    window_->SelectRow(0);
    window_->Logic().JobRowSelected();
    TModalScript info;
    bool infoShown = false;
    info.ThenOn<MediaInfoDialog>([&](MediaInfoDialog* dialog) {
        infoShown = true;
        dialog->accept();
    });
    QTest::keyClick(jobs, Qt::Key_Return);
    ASSERT_TRUE(WaitFor([&] { return info.Done(); }, 10000));
    EXPECT_TRUE(infoShown);

    const QString kept = jobs->item(1, 1)->text();
    QTest::keyClick(jobs, Qt::Key_Delete);
    ASSERT_EQ(jobs->rowCount(), 1);
    EXPECT_EQ(jobs->item(0, 1)->text(), kept);
    // Nothing selected now: Delete asks nothing and removes nothing.
    QTest::keyClick(jobs, Qt::Key_Delete);
    EXPECT_EQ(jobs->rowCount(), 1);
}

TEST_F(JobListKeysTest, TheKeysDoNothingWhileAddingIsNotPossible) {
    ASSERT_TRUE(AddByKeyboard({clip_}));
    ASSERT_EQ(window_->Jobs()->rowCount(), 1);
    // During a run the window disables adding and removing.
    window_->SetEnabled(TMainAction::Add, false);
    window_->SetEnabled(TMainAction::ListRemove, false);
    platform_.ManyFiles = {clip_};
    QTest::keyClick(window_.get(), Qt::Key_O, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    window_->SelectRow(0);
    QTest::keyClick(window_->Jobs(), Qt::Key_Delete);
    EXPECT_EQ(window_->Jobs()->rowCount(), 1);
}

} // namespace
