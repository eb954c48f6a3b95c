// Writes pictures of the main window during a run and of the profile windows
// into "screenshots" beside the test program, for a person to look at.
#include "GuiTestSupport.h"

#include "app/JobList.h"
#include "app/SettingsStore.h"
#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
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
        ASSERT_TRUE(script.Done());
    }
    ASSERT_EQ(window.Jobs()->rowCount(), 2);
    Save(&window, "main-window-ready");

    window.ToolButton(TToolButton::Start)->click();
    ASSERT_TRUE(WaitFor([&] { return window.Jobs()->RowProgress(0) > 0; }));
    Save(&window, "main-window-converting");

    TModalScript script;
    script.ThenOn<QMessageBox>([](QMessageBox* box) { AnswerMessageBox(box, true); });
    window.ToolButton(TToolButton::Stop)->click();
    ASSERT_TRUE(WaitFor([&] { return !window.Logic().Running(); }));
}

} // namespace
