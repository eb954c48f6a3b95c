// The main flows through the real widgets: adding with the chooser and the
// options window, a run with its statuses, pause, resume, stop, many files,
// the information window and closing during a run.
#include "GuiTestSupport.h"

#include "app/JobList.h"
#include "app/MainWindowTexts.h"
#include "app/SettingsStore.h"
#include "engine/CodecThreads.h"
#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/MediaInfoDialog.h"
#include "gui/OptionsDialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>
#include <QUrl>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <tuple>

namespace fs = std::filesystem;

namespace {

constexpr int StatusColumn = 6;

// One clip per length for the whole program: encoding them is the slow part.
const std::string& SharedClip(double seconds, int width = 64, int height = 48) {
    static TempDir dir;
    static std::map<std::tuple<double, int, int>, std::string> clips;
    auto& file = clips[{seconds, width, height}];
    if (file.empty()) {
        file = dir.File("clip" + std::to_string(clips.size()) + ".mp4");
        ClipSpec spec = VideoAndAudioClip(seconds);
        spec.Video[0].Width = width;
        spec.Video[0].Height = height;
        MakeClip(file, spec);
    }
    return file;
}

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiApp();
        store_ = std::make_unique<TSettingsStore>(dir_.File("system.ini"), dir_.Path().string());
        window_ =
            std::make_unique<MainWindow>(platform_, *store_, QString::fromStdString(dir_.Path().string()));
        window_->show();
        QApplication::processEvents();
        QObject::connect(window_->Jobs(), &QTableWidget::itemChanged, [this](QTableWidgetItem* item) {
            if (item->column() == StatusColumn)
                seenStatuses_.insert(item->text().toStdString());
        });
    }
    void TearDown() override {
        window_->close();
        window_.reset();
        QApplication::processEvents();
    }

    QString Cell(int row, int column) const {
        const QTableWidgetItem* item = window_->Jobs()->item(row, column);
        return item ? item->text() : QString();
    }
    std::string Status(int row) const { return Cell(row, StatusColumn).toStdString(); }
    QToolButton* Tool(TToolButton which) const { return window_->ToolButton(which); }
    QAction* AddItem(int index) const { return window_->AddMenu()->actions().at(index); }

    // The chooser's "下一步" on its current pick, then the options window's "确定".
    void AcceptChooserAndOptions(TModalScript& script, std::function<void(OptionsDialog*)> check = {}) {
        script.ThenOn<FormatChooserDialog>(
            [](FormatChooserDialog* chooser) { chooser->NextButton()->click(); });
        script.ThenOn<OptionsDialog>([check](OptionsDialog* options) {
            if (check)
                check(options);
            options->ConfirmButton()->click();
        });
    }
    void AddOne(const std::string& file) {
        platform_.OneFile = file;
        TModalScript script;
        AcceptChooserAndOptions(script);
        AddItem(0)->trigger();
        // The file is probed on a worker before the windows show.
        ASSERT_TRUE(WaitFor([&] { return script.Done() && !window_->Logic().Adding(); }));
    }
    bool WaitForStatus(int row, const char* status, int timeoutMs = 120000) {
        return WaitFor([&] { return Status(row) == status; }, timeoutMs);
    }

    TempDir dir_;
    TFakePlatform platform_;
    std::unique_ptr<TSettingsStore> store_;
    std::unique_ptr<MainWindow> window_;
    std::set<std::string> seenStatuses_;
};

TEST_F(MainWindowTest, StartsIdleWithItsFixedSizeAndOnlyAddEnabled) {
    EXPECT_EQ(window_->windowTitle(), QStringLiteral("Vantoro"));
    EXPECT_EQ(window_->size(), QSize(MainWindow::Width, MainWindow::Height));
    EXPECT_EQ(window_->minimumSize(), window_->maximumSize());
    EXPECT_TRUE(Tool(TToolButton::Add)->isEnabled());
    for (auto which :
         {TToolButton::Remove, TToolButton::Clear, TToolButton::Start, TToolButton::Pause, TToolButton::Stop})
        EXPECT_FALSE(Tool(which)->isEnabled()) << static_cast<int>(which);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(window_->PanelButton(i)->isEnabled()) << i;
    EXPECT_EQ(window_->Jobs()->columnCount(), 7);
    EXPECT_EQ(window_->CompletionBox()->currentText(), QStringLiteral("打开文件夹查看转换的文件"));
    EXPECT_EQ(window_->IfExistsBox()->currentText(), QStringLiteral("自动生成相应的新文件名"));
    EXPECT_FALSE(window_->OutputFolderBox()->text().isEmpty());

    // The hint of a tool button under the mouse.
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(Tool(TToolButton::Start), &enter);
    EXPECT_EQ(window_->statusBar()->currentMessage(), QStringLiteral("开始转换视频"));
}

TEST_F(MainWindowTest, MenusWriteTheSkinAndOpenTheAddresses) {
    const QList<QAction*> skins = window_->SkinMenu()->actions();
    // every skin but the one without a menu item, a separator and the built-in look
    ASSERT_EQ(skins.size(), 19);
    EXPECT_EQ(skins.front()->text(), QStringLiteral("Mac苹果皮肤"));
    skins.at(1)->trigger();
    EXPECT_EQ(store_->ReadSkin(), "skin2");
    EXPECT_TRUE(skins.at(1)->isChecked());
    EXPECT_FALSE(GuiApp().styleSheet().isEmpty());
    GuiApp().setStyleSheet(QString()); // the other tests share the application

    const QList<QAction*> help = window_->HelpMenu()->actions();
    help.at(2)->trigger(); // "软件网站"
    help.at(3)->trigger(); // "作者联系信箱"
    help.at(0)->trigger(); // "帮助系统?"
    ASSERT_EQ(platform_.Opened.size(), 3u);
    EXPECT_EQ(platform_.Opened[0], WebSiteAddress);
    EXPECT_EQ(platform_.Opened[1], SupportMailLink);
    EXPECT_TRUE(platform_.Opened[2].ends_with(HelpPage)) << platform_.Opened[2];
}

TEST_F(MainWindowTest, AddingOneFileWithTheDefaultProfileListsItReady) {
    const std::string clip = SharedClip(1.0);
    platform_.OneFile = clip;
    TModalScript script;
    bool clipAllowed = false;
    AcceptChooserAndOptions(script, [&](OptionsDialog* options) {
        clipAllowed = options->ClipCheck()->isEnabled();
        EXPECT_EQ(options->SourceBox()->text().toStdString(), clip);
    });
    AddItem(0)->trigger();
    ASSERT_TRUE(WaitFor([&] { return script.Done() && !window_->Logic().Adding(); }));
    EXPECT_TRUE(clipAllowed);

    ASSERT_EQ(window_->Jobs()->rowCount(), 1);
    EXPECT_EQ(Cell(0, 0), QStringLiteral("1"));
    EXPECT_EQ(Cell(0, 1).toStdString(), clip);
    EXPECT_EQ(Cell(0, 2), QStringLiteral("MP4"));
    EXPECT_EQ(Cell(0, 3), QStringLiteral("MP4")); // profile 500, the HD MP4 format
    EXPECT_EQ(Cell(0, 4), QStringLiteral("0"));
    EXPECT_EQ(window_->Jobs()->RowProgress(0), -1);
    EXPECT_EQ(Status(0), StatusWaiting);
    EXPECT_EQ(window_->SelectedRow(), 0);
    EXPECT_TRUE(Tool(TToolButton::Start)->isEnabled());
    EXPECT_TRUE(Tool(TToolButton::Remove)->isEnabled());
    EXPECT_FALSE(Tool(TToolButton::Pause)->isEnabled());
}

TEST_F(MainWindowTest, TheNumberOfFilesAtOnceIsShownAndRemembered) {
    QComboBox* box = window_->ParallelBox();
    ASSERT_EQ(box->count(), 10);
    EXPECT_EQ(box->itemText(0), QStringLiteral("1个文件"));
    EXPECT_EQ(box->itemText(9), QStringLiteral("10个文件"));
    // First start: one file per core.
    EXPECT_EQ(box->currentIndex(), std::min(ProcessorCores(), 10) - 1);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->isEnabled());

    box->setCurrentIndex(2);
    emit box->activated(2);
    EXPECT_EQ(window_->Logic().ParallelCount(), 2);
    MainWindow next(platform_, *store_, QString::fromStdString(dir_.Path().string()));
    EXPECT_EQ(next.ParallelBox()->currentIndex(), 2);
}

TEST_F(MainWindowTest, ARunShowsConvertingThenFinishedAtFullProgress) {
    AddOne(SharedClip(3.0, 320, 240));
    Tool(TToolButton::Start)->click();
    EXPECT_FALSE(Tool(TToolButton::Start)->isEnabled());
    EXPECT_FALSE(Tool(TToolButton::Add)->isEnabled());
    EXPECT_FALSE(window_->ParallelBox()->isEnabled()) << "not changed during a run";
    EXPECT_TRUE(Tool(TToolButton::Pause)->isEnabled());
    EXPECT_TRUE(Tool(TToolButton::Stop)->isEnabled());
    ASSERT_TRUE(WaitForStatus(0, StatusFinished));
    EXPECT_TRUE(seenStatuses_.count(StatusConverting)) << "no progress report reached the row";
    EXPECT_EQ(window_->Jobs()->RowProgress(0), 100);
    ASSERT_TRUE(WaitFor([&] { return !window_->Logic().Running(); }));
    EXPECT_TRUE(Tool(TToolButton::Start)->isEnabled());
    EXPECT_FALSE(Tool(TToolButton::Stop)->isEnabled());
    EXPECT_TRUE(window_->ParallelBox()->isEnabled());
    // The start-up completion action opens the output folder, once.
    EXPECT_EQ(platform_.Opened, std::vector<std::string>{window_->Logic().OutputFolder()});
}

TEST_F(MainWindowTest, PauseAndResume) {
    AddOne(SharedClip(20.0, 640, 480));
    Tool(TToolButton::Start)->click();
    ASSERT_TRUE(WaitForStatus(0, StatusConverting));
    Tool(TToolButton::Pause)->click();
    EXPECT_EQ(Status(0), StatusPaused);
    EXPECT_FALSE(Tool(TToolButton::Pause)->isEnabled());
    EXPECT_TRUE(Tool(TToolButton::Start)->isEnabled());
    EXPECT_TRUE(Tool(TToolButton::Stop)->isEnabled());
    QTest::qWait(700); // a paused job sends no reports that would overwrite its status
    EXPECT_EQ(Status(0), StatusPaused);

    Tool(TToolButton::Start)->click();
    EXPECT_TRUE(Tool(TToolButton::Pause)->isEnabled());
    EXPECT_FALSE(Tool(TToolButton::Start)->isEnabled());
    ASSERT_TRUE(WaitForStatus(0, StatusConverting));

    TModalScript script;
    script.ThenOn<QMessageBox>([](QMessageBox* box) { AnswerMessageBox(box, true); });
    Tool(TToolButton::Stop)->click();
    ASSERT_TRUE(WaitFor([&] { return !window_->Logic().Running(); }));
}

TEST_F(MainWindowTest, StopAsksAndOnlyOkStops) {
    AddOne(SharedClip(20.0, 640, 480));
    Tool(TToolButton::Start)->click();
    ASSERT_TRUE(WaitForStatus(0, StatusConverting));

    QString question;
    {
        TModalScript script;
        script.ThenOn<QMessageBox>([&](QMessageBox* box) {
            question = box->windowTitle() + "|" + box->text();
            AnswerMessageBox(box, false);
        });
        Tool(TToolButton::Stop)->click();
        ASSERT_TRUE(script.Done());
    }
    EXPECT_EQ(question, QStringLiteral("提示信息|您确实要终止目前的转换工作吗？"));
    EXPECT_TRUE(window_->Logic().Running());
    EXPECT_TRUE(Tool(TToolButton::Stop)->isEnabled());

    {
        TModalScript script;
        script.ThenOn<QMessageBox>([](QMessageBox* box) { AnswerMessageBox(box, true); });
        Tool(TToolButton::Stop)->click();
        ASSERT_TRUE(script.Done());
    }
    // The click returns at once: the row shows the job stopping while its
    // trailer is written, and the window goes on painting meanwhile.
    EXPECT_TRUE(window_->Logic().Running());
    EXPECT_EQ(Status(0), StatusStopping);
    EXPECT_FALSE(Tool(TToolButton::Stop)->isEnabled());
    ASSERT_TRUE(WaitFor([&] { return !window_->Logic().Running(); }));
    EXPECT_EQ(Status(0), StatusStopped);
    EXPECT_TRUE(Tool(TToolButton::Start)->isEnabled());
    EXPECT_TRUE(Tool(TToolButton::Add)->isEnabled());
    EXPECT_FALSE(Tool(TToolButton::Pause)->isEnabled());
    EXPECT_FALSE(Tool(TToolButton::Stop)->isEnabled());
}

TEST_F(MainWindowTest, AddingManyFilesShowsProgressAndListsThemAll) {
    const std::string clip = SharedClip(1.0);
    for (int i = 0; i < 12; ++i) {
        const std::string copy = dir_.File("many" + std::to_string(i) + ".mp4");
        fs::copy_file(clip, copy);
        platform_.ManyFiles.push_back(copy);
    }
    bool progressShown = false;
    QObject::connect(window_->AddProgressBar(), &QProgressBar::valueChanged,
                     [&] { progressShown = progressShown || window_->AddProgressBar()->isVisible(); });
    TModalScript script;
    bool clipAllowed = true;
    AcceptChooserAndOptions(script,
                            [&](OptionsDialog* options) { clipAllowed = options->ClipCheck()->isEnabled(); });
    AddItem(1)->trigger();
    // The probes run on a worker (the first one's before the windows show): the window answers meanwhile.
    ASSERT_TRUE(WaitFor([&] { return script.Done() && !window_->Logic().Adding(); }));
    EXPECT_FALSE(clipAllowed);
    EXPECT_TRUE(progressShown);
    EXPECT_FALSE(window_->AddProgressBar()->isVisible());
    ASSERT_EQ(window_->Jobs()->rowCount(), 12);
    for (int row = 0; row < 12; ++row) {
        EXPECT_EQ(Cell(row, 0), QString::number(row + 1));
        EXPECT_EQ(Cell(row, 1).toStdString(),
                  platform_.ManyFiles[static_cast<size_t>(11 - row)]); // last one first
        EXPECT_EQ(Status(row), StatusWaiting);
    }
    EXPECT_TRUE(Tool(TToolButton::Start)->isEnabled());
    EXPECT_TRUE(Tool(TToolButton::Add)->isEnabled());
}

// What the user sets in the options window is what the listed jobs convert
// with, for one file and for several.
TEST_F(MainWindowTest, TheOptionsWindowsChoicesReachTheJobs) {
    const std::string clip = SharedClip(1.0);
    const std::string other = dir_.File("other.mp4");
    fs::copy_file(clip, other);
    const auto choose = [](OptionsDialog* options) {
        QComboBox* rates = options->List(TChoiceRole::crVideoBitRate);
        const int quality = rates->findText(QString::fromUtf8("恒定质量 (中)"));
        ASSERT_GE(quality, 0);
        rates->setCurrentIndex(quality);
        options->FilterBox(0)->click();
        options->AutoDeinterlaceBox()->click();
    };
    platform_.OneFile = clip;
    TModalScript one;
    AcceptChooserAndOptions(one, choose);
    AddItem(0)->trigger();
    ASSERT_TRUE(WaitFor([&] { return one.Done() && !window_->Logic().Adding(); }));
    platform_.ManyFiles = {other};
    TModalScript many;
    AcceptChooserAndOptions(many, choose);
    AddItem(1)->trigger();
    ASSERT_TRUE(WaitFor([&] { return many.Done() && !window_->Logic().Adding(); }));

    ASSERT_EQ(window_->Logic().Jobs().RowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        const TOutputOptions& output = window_->Logic().Jobs().Slot(row).Output;
        EXPECT_NE(output.VideoFilters.find("hflip"), std::string::npos) << output.VideoFilters;
        EXPECT_EQ(output.ExtOptions, "crf=23");
        EXPECT_LE(output.VideoBitrate, 0);
    }
}

TEST_F(MainWindowTest, DroppedFolderAddsItsMediaFiles) {
    const fs::path folder = dir_.Path() / "dropped";
    fs::create_directories(folder / "inner");
    fs::copy_file(SharedClip(1.0), folder / "a.mp4");
    fs::copy_file(SharedClip(1.0), folder / "inner" / "b.mp4");
    std::ofstream(folder / "notes.txt") << "not media";
    TModalScript script;
    AcceptChooserAndOptions(script);
    // What the file manager's drop carries: file URLs.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder.string()))});
    EXPECT_TRUE(window_->Jobs()->DropData(&data));
    ASSERT_TRUE(WaitFor([&] { return !window_->Logic().Adding() && script.Done(); }));
    ASSERT_EQ(window_->Jobs()->rowCount(), 2);
    EXPECT_EQ(Cell(1, 1).toStdString(), (folder / "inner" / "b.mp4").string());
}

TEST_F(MainWindowTest, FilesNamedOnTheCommandLineAreAddedOnceTheWindowShows) {
    // A second window, as the program makes it: paths first, then the show.
    MainWindow window(platform_, *store_, QString::fromStdString(dir_.Path().string()));
    const std::string clip = SharedClip(1.0);
    window.SetStartupPaths({QString::fromStdString(clip)});
    TModalScript script;
    bool clipAllowed = false;
    AcceptChooserAndOptions(script,
                            [&](OptionsDialog* options) { clipAllowed = options->ClipCheck()->isEnabled(); });
    window.show();
    ASSERT_TRUE(WaitFor([&] { return window.Jobs()->rowCount() == 1; }));
    EXPECT_TRUE(clipAllowed); // one file: added like the single add
    EXPECT_EQ(window.Jobs()->item(0, 1)->text().toStdString(), clip);
    window.close();
}

TEST_F(MainWindowTest, TheInformationWindowShowsTheSelectedSource) {
    AddOne(SharedClip(1.0));
    std::map<std::string, QString> shown;
    TModalScript script;
    script.ThenOn<MediaInfoDialog>([&](MediaInfoDialog* info) {
        for (const char* caption : {"文件名：", "文件扩展名：", "视频分辨率：", "视频旋转：", "音频声道：",
                                    "视频流信息：", "播放时长："})
            shown[caption] = info->Value(QString::fromUtf8(caption));
        EXPECT_EQ(info->windowTitle(), QStringLiteral("视频信息提示"));
        info->accept();
    });
    window_->PanelButton(4)->click();
    ASSERT_TRUE(script.Done());
    EXPECT_EQ(shown["文件名："].toStdString(), fs::path(SharedClip(1.0)).filename().string());
    EXPECT_EQ(shown["文件扩展名："], QStringLiteral(".mp4"));
    EXPECT_EQ(shown["视频分辨率："], QStringLiteral("64*48"));
    EXPECT_EQ(shown["视频旋转："], QStringLiteral("无"));
    EXPECT_EQ(shown["音频声道："], QStringLiteral("立体声"));
    EXPECT_TRUE(shown["视频流信息："].startsWith(QStringLiteral("Video:")))
        << shown["视频流信息："].toStdString();
    EXPECT_EQ(shown["播放时长："], QStringLiteral("00:00:01"));
}

TEST_F(MainWindowTest, ClosingDuringARunStopsItWithoutTheCompletionAction) {
    AddOne(SharedClip(20.0, 640, 480));
    window_->CompletionBox()->setCurrentIndex(1); // would power off
    window_->Logic().SetCompletionAction(caShutDown);
    Tool(TToolButton::Start)->click();
    ASSERT_TRUE(WaitForStatus(0, StatusConverting));
    // The close waits for the stopped job without holding the window: it stays
    // up, showing the job stopping, and goes once the job has ended.
    EXPECT_FALSE(window_->close());
    EXPECT_TRUE(window_->isVisible());
    EXPECT_EQ(Status(0), StatusStopping);
    ASSERT_TRUE(WaitFor([&] { return !window_->isVisible(); }));
    EXPECT_FALSE(window_->Logic().Running());
    EXPECT_EQ(Status(0), StatusStopped);
    QTest::qWait(300); // any report still on its way must find nothing to do
    EXPECT_EQ(platform_.PowerOffs, 0);
    EXPECT_TRUE(platform_.Opened.empty());
}

} // namespace
