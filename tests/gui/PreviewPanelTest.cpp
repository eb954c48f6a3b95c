#include "GuiTestSupport.h"
#include "ImageChecks.h"
#include "PreviewTestWindow.h"
#include "fixtures/ImageReadBack.h"
#include "gui/QtPlayerDisplay.h"

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <chrono>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

TBitmap24 toBitmap(const QImage& image) {
    TBitmap24 b;
    b.Resize(image.width(), image.height());
    for (int y = 0; y < image.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* out = b.Row(y);
        for (int x = 0; x < image.width(); ++x) {
            out[3 * x] = static_cast<uint8_t>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<uint8_t>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<uint8_t>(qRed(in[x]));
        }
    }
    return b;
}

class PreviewPanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiApp();
        std::filesystem::create_directories(snapshots);
        TPreviewServices services;
        services.ReadSnapshotFolder = [this] { return snapshots.string(); };
        services.ReadSnapshotType = [this] { return storedType; };
        services.WriteSnapshotType = [this](const std::string& type) { storedType = type; };
        services.PlaySound = [this](const std::string&) { ++sounds; };
        view = std::make_unique<PreviewTestWindow>(services, dir.Path().string());
        view->window->show();
        movie = dir.File("movie.avi");
        MakeClip(movie, VideoAndAudioClip(3.0));
    }
    void TearDown() override { view.reset(); }

    PreviewPanel& panel() { return *view->panel; }
    TDOVidera& player() { return *view->player; }
    QImage shown() { return panel().Area()->Display()->CurrentPicture(); }
    static bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
        return QTest::qWaitFor(done, static_cast<int>(timeout.count()));
    }
    void click(TPreviewPicture button) { QTest::mouseClick(panel().Button(button), Qt::LeftButton); }
    // Stays paused and settled: the same picture on screen and in the player.
    void settlePaused() {
        click(TPreviewPicture::Pause);
        ASSERT_TRUE(waitFor([&] { return player().State() == psPause; }));
        QTest::qWait(150);
    }
    bool advances() {
        const int64_t from = player().Position();
        return waitFor([&] { return player().Position() > from + 200000; }, 5s);
    }
    void chooseType(TSnapshotType type) {
        QMenu* types = panel().SnapshotMenu()->actions().last()->menu();
        for (QAction* action : types->actions()) {
            if (action->text() == QString::fromUtf8(SnapshotTypeInfo(type).MenuCaption.data(),
                                                    SnapshotTypeInfo(type).MenuCaption.size()))
                action->trigger();
        }
    }

    TempDir dir;
    std::filesystem::path snapshots = dir.Path() / "快照";
    std::string storedType = "BMP";
    int sounds = 0;
    std::unique_ptr<PreviewTestWindow> view;
    std::string movie;
};

struct SnapshotCase {
    TSnapshotType Type;
    int Block;         // pixels averaged before comparing
    int MostDifferent; // per colour byte, against the picture on screen
};

} // namespace

TEST_F(PreviewPanelTest, PlaysPausesSeeksStopsAndSavesWhatIsShown) {
    panel().PreviewSelected(QString::fromStdString(movie));
    ASSERT_TRUE(player().IsOpen()) << player().LastError();
    ASSERT_TRUE(waitFor([&] { return !shown().isNull(); }));
    EXPECT_EQ(shown().size(), QSize(64, 48));
    EXPECT_EQ(panel().Slider()->maximum(), panel().Slider()->width());
    EXPECT_EQ(panel().Slider()->value(), 0);
    EXPECT_GT(BrightestGrey(panel().Area()->grab().toImage()), 20) << "the picture is drawn in the area";

    click(TPreviewPicture::Play);
    EXPECT_TRUE(advances()) << "plays";
    settlePaused();
    const int64_t pausedAt = player().Position();
    QTest::qWait(300);
    EXPECT_EQ(player().Position(), pausedAt) << "pauses";

    // Press and release three quarters along the slider: seeks there and plays on.
    QSlider* slider = panel().Slider();
    const QPoint at(slider->width() * 3 / 4, slider->height() / 2);
    QTest::mousePress(slider, Qt::LeftButton, {}, at);
    QTest::mouseRelease(slider, Qt::LeftButton, {}, at, 20);
    const int64_t target = panel().Logic().PreviewDuration() * slider->value() / slider->maximum();
    EXPECT_GT(slider->value(), slider->maximum() / 2);
    EXPECT_TRUE(waitFor([&] { return player().Position() >= target - 300000; }));
    EXPECT_TRUE(advances()) << "plays after the release";

    // A snapshot of each type, each matching the picture on screen within its format's loss.
    settlePaused();
    const TBitmap24 onScreen = toBitmap(shown());
    const SnapshotCase cases[] = {
        {TSnapshotType::Bmp, 4, 6},
        {TSnapshotType::Jpg, 8, 8},
        {TSnapshotType::Gif, 4, 24},
        {TSnapshotType::Png, 4, 6},
    };
    for (const auto& c : cases) {
        const auto& info = SnapshotTypeInfo(c.Type);
        SCOPED_TRACE(std::string(info.SettingValue));
        chooseType(c.Type);
        EXPECT_EQ(storedType, info.SettingValue);
        click(TPreviewPicture::Snapshot);
        const auto file = snapshots / ("movie_1" + std::string(info.Extension));
        ASSERT_TRUE(std::filesystem::exists(file));
        const TBitmap24 saved = ReadPictureFile(file.string());
        ASSERT_EQ(saved.Width, 64);
        ASSERT_EQ(saved.Height, 48);
        EXPECT_LE(LargestDifference(onScreen, saved, c.Block), c.MostDifferent);
    }
    click(TPreviewPicture::Snapshot);
    EXPECT_TRUE(std::filesystem::exists(snapshots / "movie_2.png"))
        << "the next number, not the first file again";
    EXPECT_EQ(view->window->statusBar()->currentMessage(),
              QString::fromUtf8(TPreviewPanelLogic::SnapshotStatus));

    // Stop: back to the start, paused, the first picture on screen.
    click(TPreviewPicture::Stop);
    ASSERT_TRUE(player().IsOpen());
    ASSERT_TRUE(waitFor([&] { return player().State() == psPause; }));
    EXPECT_LT(player().Position(), 200000);

    click(TPreviewPicture::Sound);
    EXPECT_TRUE(player().Mute());
}

TEST_F(PreviewPanelTest, SwitchingTheSelectionWhilePlayingShowsTheNewSource) {
    const std::string other = dir.File("other.mkv");
    ClipSpec spec = VideoOnlyClip(2.0);
    spec.Video[0].Width = 96;
    spec.Video[0].Height = 32;
    MakeClip(other, spec);

    panel().PreviewSelected(QString::fromStdString(movie));
    ASSERT_TRUE(waitFor([&] { return shown().size() == QSize(64, 48); }));
    click(TPreviewPicture::Play);
    ASSERT_TRUE(advances());
    panel().PreviewSelected(QString::fromStdString(other));
    EXPECT_TRUE(waitFor([&] { return shown().size() == QSize(96, 32); }));
    EXPECT_EQ(panel().Logic().PreviewFile(), other);
    int64_t pts = 0;
    EXPECT_EQ(player().Snapshot(pts).Width, 96);
}

TEST_F(PreviewPanelTest, ResizingKeepsThePictureAndClosingLeavesBlack) {
    panel().PreviewSelected(QString::fromStdString(movie));
    ASSERT_TRUE(waitFor([&] { return !shown().isNull(); }));
    settlePaused();
    view->window->resize(1000, 500);
    QTest::qWait(50);
    const QImage grown = panel().Area()->grab().toImage();
    EXPECT_GT(BrightestGrey(grown), 20) << "paused, the picture is drawn again at the new size";
    // The picture keeps its 4:3 aspect: the sides of the wider area stay black.
    EXPECT_EQ(BrightestGrey(grown.copy(0, 0, 4, grown.height())), 0);

    panel().ClosePreview();
    EXPECT_FALSE(player().IsOpen());
    EXPECT_EQ(BrightestGrey(panel().Area()->grab().toImage()), 0) << "no stale picture";
}

TEST_F(PreviewPanelTest, ClosingTheWindowWhilePlayingReturnsPromptly) {
    panel().PreviewSelected(QString::fromStdString(movie));
    ASSERT_TRUE(waitFor([&] { return !shown().isNull(); }));
    click(TPreviewPicture::Play);
    ASSERT_TRUE(advances());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(view->window->close());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_FALSE(player().IsOpen());
}

TEST_F(PreviewPanelTest, ButtonsCarryTheirHintsAndTheSettingsMenuItsItems) {
    const std::pair<TPreviewPicture, const char*> hints[] = {
        {TPreviewPicture::Play, "播放"},         {TPreviewPicture::Pause, "暂停"},
        {TPreviewPicture::Stop, "停止"},         {TPreviewPicture::Sound, "声音/静音"},
        {TPreviewPicture::Snapshot, "捕捉快照"}, {TPreviewPicture::Settings, "快照设置"},
    };
    for (const auto& [button, hint] : hints) {
        QToolButton* b = panel().Button(button);
        EXPECT_EQ(b->toolTip(), QString::fromUtf8(hint));
        // A highlighted picture for the mouse-over, different from the plain one.
        const QIcon icon = b->icon();
        EXPECT_NE(icon.pixmap(PreviewIconSize, QIcon::Normal).toImage(),
                  icon.pixmap(PreviewIconSize, QIcon::Active).toImage());
    }
    const QImage soundOn = panel().Button(TPreviewPicture::Sound)->icon().pixmap(PreviewIconSize).toImage();
    click(TPreviewPicture::Sound);
    EXPECT_NE(panel().Button(TPreviewPicture::Sound)->icon().pixmap(PreviewIconSize).toImage(), soundOn);

    QStringList items;
    for (QAction* a : panel().SnapshotMenu()->actions())
        items << (a->isSeparator() ? QStringLiteral("-") : a->text());
    EXPECT_EQ(items.join(','), QStringLiteral("打开快照目录,设置快照目录,-,快照保存类型"));
    // The stored type is checked when the menu opens.
    storedType = "GIF";
    QTest::mousePress(panel().Button(TPreviewPicture::Settings), Qt::LeftButton);
    QMenu* types = panel().SnapshotMenu()->actions().last()->menu();
    EXPECT_TRUE(types->actions()[2]->isChecked());
    panel().SnapshotMenu()->hide();
    QTest::mouseRelease(panel().Button(TPreviewPicture::Settings), Qt::LeftButton);
}
