#include "app/PreviewPanelLogic.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/ImageReadBack.h"
#include "media/MainThreadDispatcher.h"
#include "player/Player.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>

using namespace std::chrono_literals;

namespace {

class RecordingView : public IPreviewView {
public:
    uintptr_t BeginPlayback() override {
        ++Playbacks;
        return 0;
    }
    int SliderWidth() const override { return 200; }
    void SetSlider(int maximum, int tickInterval, int position) override {
        SliderMaximum = maximum;
        SliderTicks = tickInterval;
        SliderPosition = position;
    }
    void ShowMuted(bool muted) override { Muted = muted; }
    void ShowSnapshotType(TSnapshotType type) override { CheckedType = type; }
    void ClearVideo() override { ++Clears; }
    void SetStatusText(const std::string& text) override { Status = text; }
    void FocusJobList() override { ++Focus; }

    int Playbacks = 0;
    int SliderMaximum = -1, SliderTicks = -1, SliderPosition = -1;
    bool Muted = false;
    TSnapshotType CheckedType = TSnapshotType::Bmp;
    int Clears = 0;
    std::string Status;
    int Focus = 0;
};

class PreviewPanelLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        MarkMainThread();
        std::filesystem::create_directories(snapshots);
        services.ReadSnapshotFolder = [this] { return snapshots.string(); };
        services.ReadSnapshotType = [this] { return storedType; };
        services.WriteSnapshotType = [this](const std::string& type) { storedType = type; };
        services.PlaySound = [this](const std::string& file) { sounds.push_back(file); };
        services.Log = [this](const std::string& line) { log.push_back(line); };
        player = std::make_unique<TDOVidera>();
        player->SetDisableAudio(true); // the dummy driver paces nothing we look at here
        logic = std::make_unique<TPreviewPanelLogic>(*player, view, services, dir.Path().string());
        movie = dir.File("movie.avi");
        MakeClip(movie, VideoOnlyClip(2.0));
    }
    void TearDown() override {
        logic.reset();
        ProcessPendingMessages();
    }
    bool waitForPicture() {
        return waitUntil([&] {
            int64_t pts = 0;
            return player->Snapshot(pts).Width > 0;
        });
    }
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (!done()) {
            if (std::chrono::steady_clock::now() >= end)
                return false;
            ServeUntil([] { return false; }, 5ms);
        }
        return true;
    }

    TempDir dir;
    std::filesystem::path snapshots = dir.Path() / "快照";
    std::string storedType = "PNG";
    std::vector<std::string> sounds, log;
    TPreviewServices services;
    RecordingView view;
    std::unique_ptr<TDOVidera> player;
    std::unique_ptr<TPreviewPanelLogic> logic;
    std::string movie;
};

} // namespace

TEST_F(PreviewPanelLogicTest, SnapshotsFollowTheStoredTypeAndNeverOverwrite) {
    // Nothing shown yet: no file, no sound, no text.
    EXPECT_EQ(logic->TakeSnapshot(), "");
    EXPECT_TRUE(std::filesystem::is_empty(snapshots));
    EXPECT_TRUE(view.Status.empty());

    logic->PreviewSelected(movie);
    ASSERT_TRUE(player->IsOpen()) << player->LastError();
    EXPECT_GT(logic->PreviewDuration(), 1500000);
    EXPECT_EQ(view.SliderMaximum, view.SliderWidth());
    EXPECT_EQ(view.SliderTicks, TPreviewPanelLogic::SliderTickInterval);
    EXPECT_EQ(view.SliderPosition, 0);
    ASSERT_TRUE(waitForPicture());

    // Without the sound file nothing is played; with it, it is.
    EXPECT_EQ(std::filesystem::path(logic->TakeSnapshot()).filename(), "movie_1.png");
    EXPECT_TRUE(sounds.empty());
    EXPECT_EQ(view.Status, TPreviewPanelLogic::SnapshotStatus);
    std::filesystem::create_directories(dir.Path() / "sounds");
    std::ofstream(dir.File(TPreviewPanelLogic::CameraSoundFile)) << "RIFF";
    EXPECT_EQ(std::filesystem::path(logic->TakeSnapshot()).filename(), "movie_2.png");
    ASSERT_EQ(sounds.size(), 1u);

    // A type chosen in between changes only the next file.
    logic->ChooseSnapshotType(TSnapshotType::Jpg);
    EXPECT_EQ(storedType, "JPG");
    EXPECT_EQ(std::filesystem::path(logic->TakeSnapshot()).filename(), "movie_1.jpg");
    EXPECT_EQ(view.CheckedType, TSnapshotType::Jpg);
    // A stored value that is none of the four is saved as BMP.
    storedType = "TIFF";
    EXPECT_EQ(std::filesystem::path(logic->TakeSnapshot()).filename(), "movie_1.bmp");
    EXPECT_EQ(view.CheckedType, TSnapshotType::Bmp);

    const TBitmap24 back = ReadPictureFile((snapshots / "movie_1.png").string());
    EXPECT_EQ(back.Width, 64);
    EXPECT_EQ(back.Height, 48);
}

TEST_F(PreviewPanelLogicTest, SliderPressPlaysAndReleaseSeeksAndPlays) {
    logic->PreviewSelected(movie);
    // The opening pictures are shown, then the player reports the pause.
    ASSERT_TRUE(waitUntil([&] { return player->State() == psPause; }));
    std::this_thread::sleep_for(200ms);
    const int64_t start = player->Position();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(player->Position(), start) << "opened paused";

    logic->SliderPressed();
    EXPECT_TRUE(waitUntil([&] { return player->Position() > start + 100000; })) << "plays while pressed";

    logic->SliderReleased(150, 200); // three quarters in
    const int64_t target = logic->PreviewDuration() * 150 / 200;
    EXPECT_TRUE(waitUntil([&] { return player->Position() >= target - 200000; }));
    const int64_t afterSeek = player->Position();
    EXPECT_TRUE(waitUntil([&] { return player->Position() > afterSeek; })) << "plays after the release";
}

TEST_F(PreviewPanelLogicTest, StopReopensPausedAndCloseClears) {
    logic->Stop(); // no selected file: nothing happens
    EXPECT_FALSE(player->IsOpen());
    EXPECT_EQ(view.Playbacks, 0);

    logic->PreviewSelected(movie);
    ASSERT_TRUE(waitForPicture());
    // At once: a play right after the open, before the first picture is shown, must play.
    logic->Play();
    EXPECT_EQ(view.Focus, 1);
    ASSERT_TRUE(waitUntil([&] { return player->Position() > 300000; }));
    logic->Stop();
    EXPECT_TRUE(player->IsOpen());
    EXPECT_EQ(view.Playbacks, 2);
    ASSERT_TRUE(waitForPicture());
    EXPECT_LT(player->Position(), 100000) << "back at the start";

    logic->ToggleMute();
    EXPECT_TRUE(view.Muted);
    EXPECT_TRUE(player->Mute());

    logic->ClosePreview();
    EXPECT_FALSE(player->IsOpen());
    EXPECT_EQ(view.Clears, 1);
    logic->Stop(); // the closed preview's row is gone: nothing reopens
    EXPECT_FALSE(player->IsOpen());

    // A file the player cannot open is logged and leaves the area cleared.
    const std::string broken = dir.File("broken.avi");
    std::ofstream(broken) << "not a video";
    logic->PreviewSelected(broken);
    EXPECT_FALSE(player->IsOpen());
    EXPECT_FALSE(log.empty());
    EXPECT_EQ(view.Clears, 2);
}
