// The preview panel on X11, where the player's SDL surface lives in the video
// area's native window: playing, covering and uncovering, resizing and closing
// while playing, and the screenshots of the panel with each skin. The checks run
// in a child process of this program on the xcb platform (the other gui tests
// use the offscreen one); without an X display they are skipped.
#include "GuiTestSupport.h"
#include "ImageChecks.h"
#include "PreviewTestWindow.h"
#include "app/MainWindowTexts.h"
#include "app/SettingsStore.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/PreviewGroup.h"
#include "gui/SkinLookStyles.h"

#include <QDir>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

constexpr const char* ChildMarker = "VANTORO_X11_CHILD";
constexpr int ChildTimeoutMs = 120000;

bool inChild() {
    const char* marker = std::getenv(ChildMarker);
    return marker && std::string(marker) == "1";
}

// Runs this test again in a child on xcb; its exit code and X errors decide.
void runInX11Child() {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no X display";
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(ChildMarker, "1");
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("SDL_VIDEODRIVER", "x11");
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("/proc/self/exe"),
                {QStringLiteral("--gtest_filter=%1.%2").arg(info->test_suite_name(), info->name())});
    ASSERT_TRUE(child.waitForFinished(ChildTimeoutMs)) << "the child hangs";
    const QString output = QString::fromLocal8Bit(child.readAll());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains(QStringLiteral("X Error")) || output.contains(QStringLiteral("XCB error")))
        << output.toStdString();
}

// What is on the screen inside `widget` (the X server's pixels, SDL's included).
QImage onScreen(QWidget& widget) {
    QApplication::processEvents();
    QTest::qWait(100);
    const QPoint at = widget.mapToGlobal(QPoint(0, 0));
    return widget.screen()->grabWindow(0, at.x(), at.y(), widget.width(), widget.height()).toImage();
}

QString screenshotFolder() {
    const QString folder = QDir::current().absoluteFilePath(QStringLiteral("screenshots"));
    QDir().mkpath(folder);
    return folder;
}

class PreviewX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!inChild())
            return;
        GuiApp();
        movie = dir.File("movie.avi");
        ClipSpec spec = VideoAndAudioClip(6.0);
        spec.Video[0].Width = 320;
        spec.Video[0].Height = 240;
        MakeClip(movie, spec);
        TPreviewServices services;
        services.ReadSnapshotFolder = [this] { return dir.Path().string(); };
        view = std::make_unique<PreviewTestWindow>(services, dir.Path().string(), VideoArea::Mode::Auto);
        view->window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view->window.get()));
    }

    TempDir dir;
    std::string movie;
    std::unique_ptr<PreviewTestWindow> view;
};

} // namespace

TEST_F(PreviewX11Test, PlaysInTheNativeWindowAndSurvivesCoverResizeAndClose) {
    if (!inChild())
        return runInX11Child();
    PreviewPanel& panel = *view->panel;
    ASSERT_TRUE(panel.Area()->UsesNativeWindow());
    panel.PreviewSelected(QString::fromStdString(movie));
    ASSERT_TRUE(view->player->IsOpen()) << view->player->LastError();
    QTest::mouseClick(panel.Button(TPreviewPicture::Play), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->player->Position() > 500000; }, 10000));
    EXPECT_GT(BrightestGrey(onScreen(*panel.Area())), 20) << "SDL draws into the area";

    // Paused, then covered by another window and uncovered: the picture comes back.
    QTest::mouseClick(panel.Button(TPreviewPicture::Pause), Qt::LeftButton);
    QTest::qWait(200);
    {
        QWidget cover;
        cover.setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        cover.setStyleSheet(QStringLiteral("background: white"));
        cover.setGeometry(QRect(panel.Area()->mapToGlobal(QPoint(0, 0)), panel.Area()->size()));
        cover.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
        QTest::qWait(100);
    }
    const QImage uncovered = onScreen(*panel.Area());
    EXPECT_GT(BrightestGrey(uncovered), 20);
    EXPECT_LT(BrightestGrey(uncovered.copy(uncovered.width() / 2 - 10, 0, 20, uncovered.height())), 250)
        << "no white left from the cover";

    // Resized while paused: drawn again at the new size.
    view->window->resize(1000, 600);
    QTest::qWait(300);
    EXPECT_GT(BrightestGrey(onScreen(*panel.Area())), 20);
    view->window->resize(851, 340);
    QTest::qWait(300);

    // Closed: the area goes black again.
    panel.ClosePreview();
    EXPECT_TRUE(QTest::qWaitFor([&] { return BrightestGrey(onScreen(*panel.Area())) == 0; }, 1000))
        << "no stale picture";

    // Closing the window while playing returns promptly, without X errors.
    panel.PreviewSelected(QString::fromStdString(movie));
    QTest::mouseClick(panel.Button(TPreviewPicture::Play), Qt::LeftButton);
    QTest::qWait(300);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(view->window->close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(view->player->IsOpen());
    view.reset();
}

// Writes screenshots/preview-playing.png and screenshots/skin-<value>.png (and
// skin-builtin.png) into the test folder, for people to look at.
TEST_F(PreviewX11Test, WritesScreenshotsOfThePanelPlayingWithEachSkin) {
    if (!inChild())
        return runInX11Child();
    PreviewPanel& panel = *view->panel;
    const QString folder = screenshotFolder();
    panel.PreviewSelected(QString::fromStdString(movie));
    QTest::mouseClick(panel.Button(TPreviewPicture::Play), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->player->Position() > 1000000; }, 10000));
    QTest::mouseClick(panel.Button(TPreviewPicture::Snapshot), Qt::LeftButton);
    EXPECT_TRUE(onScreen(*view->window).save(folder + QStringLiteral("/preview-playing.png")));

    QMainWindow& window = *view->window;
    ApplySkinLook(window, "other");
    EXPECT_TRUE(onScreen(window).save(folder + QStringLiteral("/skin-builtin.png")));
    for (const auto& skin : SkinLooks) {
        const std::string value(skin.Value);
        ApplySkinLook(window, value);
        EXPECT_EQ(window.styleSheet().isEmpty(), false) << value;
        EXPECT_TRUE(onScreen(window).save(folder +
                                          QStringLiteral("/skin-%1.png").arg(QString::fromStdString(value))));
    }
}

// The main window with one job: selecting it previews its source in the panel,
// "播放" plays it, and each item of the "皮肤" menu applies its look at once and
// is remembered. Writes screenshots/main-window-preview*.png.
TEST(PreviewX11MainWindow, PlaysTheSelectedJobAndTakesEachSkin) {
    if (!inChild())
        return runInX11Child();
    GuiApp();
    TempDir dir;
    const std::string clip = dir.File("假期 movie.avi");
    ClipSpec spec = VideoAndAudioClip(6.0);
    spec.Video[0].Width = 320;
    spec.Video[0].Height = 240;
    MakeClip(clip, spec);
    TFakePlatform platform;
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    MainWindow window(platform, store, QString::fromStdString(dir.Path().string()));
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    ASSERT_TRUE(AddOneWithDefaults(window, platform, clip));
    ASSERT_EQ(window.Jobs()->rowCount(), 1);
    window.SelectRow(0);
    window.Logic().JobRowSelected();
    PreviewGroup& preview = *window.Preview();
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.Player().IsOpen(); }, 10000))
        << preview.Player().LastError();
    QTest::mouseClick(preview.Panel()->Button(TPreviewPicture::Play), Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([&] { return preview.Player().Position() > 1000000; }, 10000));
    EXPECT_GT(BrightestGrey(onScreen(*preview.Panel()->Area())), 20);
    const QString folder = screenshotFolder();
    EXPECT_TRUE(onScreen(window).save(folder + QStringLiteral("/main-window-preview-playing.png")));

    for (QAction* item : window.SkinMenu()->actions()) {
        if (item->isSeparator())
            continue;
        item->trigger();
        // Every skin stores its value; only the built-in look stores none.
        const std::string value = store.ReadSkin();
        EXPECT_EQ(value.empty(), item->text() == QString::fromUtf8(MainTexts::BuiltInSkinItem))
            << item->text().toStdString();
        const QString name = value.empty() ? QStringLiteral("built-in") : QString::fromStdString(value);
        EXPECT_TRUE(onScreen(window).save(folder + QStringLiteral("/main-window-%1.png").arg(name)));
    }
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(window.close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(preview.Player().IsOpen());
}
