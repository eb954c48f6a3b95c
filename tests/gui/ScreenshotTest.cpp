// Writes pictures of the main window during a run, the profile windows, the
// information and about windows into "screenshots" beside the test program,
// for a person to look at.
#include "GuiTestSupport.h"

#include "app/JobList.h"
#include "app/SettingsStore.h"
#include "fixtures/FixtureMaker.h"
#include "gui/AboutDialog.h"
#include "gui/FormatChooserDialog.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/MediaInfoDialog.h"
#include "gui/OptionsDialog.h"

#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

QString ShotFile(const char* name) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/%1.png").arg(QString::fromUtf8(name)));
}

void Save(QWidget* widget, const char* name) {
    const QPixmap picture = widget->grab();
    ASSERT_FALSE(picture.isNull());
    ASSERT_TRUE(picture.save(ShotFile(name))) << name;
}

TEST(ScreenshotTest, MainWindowWithTwoJobsOneConvertingAndTheProfileWindows) {
    GuiApp();
    TempDir dir;
    const std::string clip = dir.File("Beispiel Urlaub 2024.mp4");
    ClipSpec spec = VideoAndAudioClip(20.0);
    spec.Video[0].Width = 640;
    spec.Video[0].Height = 480;
    MakeClip(clip, spec);

    TFakePlatform platform;
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    MainWindow window(platform, store, QString::fromStdString(dir.Path().string()));
    window.show();
    QApplication::processEvents();

    platform.OneFile = clip;
    for (int job = 0; job < 2; ++job) {
        TModalScript script;
        script.ThenOn<FormatChooserDialog>([&](FormatChooserDialog* chooser) {
            if (job == 0)
                Save(chooser, "format-chooser");
            chooser->NextButton()->click();
        });
        script.ThenOn<OptionsDialog>([&](OptionsDialog* options) {
            if (job == 0)
                Save(options, "options-window");
            options->ConfirmButton()->click();
        });
        window.AddMenu()->actions().at(0)->trigger();
        ASSERT_TRUE(WaitFor([&] { return script.Done() && !window.Logic().Adding(); }));
    }
    ASSERT_EQ(window.Jobs()->rowCount(), 2);
    Save(&window, "main-window-ready");
    {
        TModalScript script;
        script.ThenOn<MediaInfoDialog>([](MediaInfoDialog* info) {
            Save(info, "media-info");
            info->accept();
        });
        script.ThenOn<AboutDialog>([](AboutDialog* about) {
            Save(about, "about");
            about->accept();
        });
        window.PanelButton(4)->click();
        window.HelpMenu()->actions().at(4)->trigger();
        ASSERT_TRUE(script.Done());
    }

    window.ToolButton(TToolButton::Start)->click();
    ASSERT_TRUE(WaitFor([&] { return window.Jobs()->RowProgress(0) > 0; }));
    Save(&window, "main-window-converting");

    TModalScript script;
    script.ThenOn<QMessageBox>([](QMessageBox* box) { AnswerMessageBox(box, true); });
    window.ToolButton(TToolButton::Stop)->click();
    ASSERT_TRUE(WaitFor([&] { return !window.Logic().Running(); }));
}

TEST(ScreenshotTest, MainWindowWithAFinishedAndAFailedJob) {
    GuiApp();
    TempDir dir;
    MakeClip(dir.File("good.mkv"), VideoAndAudioClip(1.0));
    // The header promises ten seconds; the file holds about four.
    MakeClip(dir.File("cut.mkv"), VideoAndAudioClip(10.0));
    TruncateFile(dir.File("cut.mkv"), 0.4);

    TFakePlatform platform;
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    MainWindow window(platform, store, QString::fromStdString(dir.Path().string()));
    window.show();
    QApplication::processEvents();
    for (const char* name : {"good.mkv", "cut.mkv"})
        ASSERT_TRUE(AddOneWithDefaults(window, platform, dir.File(name)));
    ASSERT_EQ(window.Jobs()->rowCount(), 2);

    // The failed job's message shows over the window like any failure.
    QString message;
    TModalScript script;
    script.ThenOn<QMessageBox>([&](QMessageBox* box) {
        message = box->text();
        Save(box, "failed-job-message");
        AnswerMessageBox(box, true);
    });
    window.ToolButton(TToolButton::Start)->click();
    ASSERT_TRUE(WaitFor([&] { return !window.Logic().Running(); }));
    EXPECT_TRUE(script.Done());
    EXPECT_TRUE(message.startsWith(QStringLiteral("输出文件不完整：时长 "))) << message.toStdString();
    EXPECT_EQ(window.Logic().Jobs().Row(0).Status, StatusFinished);
    EXPECT_EQ(window.Logic().Jobs().Row(1).Status, StatusFailed);
    Save(&window, "main-window-finished-and-failed");
}

} // namespace
