// Headless runs of the player on synthetic clips.
#include "MarkSyncProbe.h"
#include "PlayerFixture.h"
#include "media/TextHelpers.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

ClipSpec smallClip(double seconds, bool video, bool audio) {
    ClipSpec spec = VideoAndAudioClip(seconds);
    spec.Format = "mp4";
    if (!video)
        spec.Video.clear();
    if (!audio)
        spec.Audio.clear();
    return spec;
}

} // namespace

TEST_F(PlayerFixture, OpenedPausedShowsTheFirstPicturesAndReportsPause) {
    const auto file = MakeFile("paused.mp4", smallClip(1.0, true, true));
    ASSERT_TRUE(player->Open(file, 0, true)) << player->LastError();
    EXPECT_EQ(openDuration, 1000000);
    EXPECT_EQ(frameWidth, 64);
    EXPECT_EQ(frameHeight, 48);
    ASSERT_TRUE(WaitFor(psPause));
    EXPECT_EQ(states.front(), psPlay);
    EXPECT_EQ(player->State(), psPause);
    PollUntil([&] { return player->DisplayStats().Pictures > 0; }, 2s);
    EXPECT_GE(player->DisplayStats().Pictures, 1);

    // Paused stays put: no further pictures and the position holds.
    const int shown = player->DisplayStats().Pictures;
    const int64_t position = player->Position();
    Serve(300ms);
    EXPECT_LE(player->DisplayStats().Pictures, shown + 1);
    EXPECT_LE(player->Position() - position, 40000);
}

TEST_F(PlayerFixture, PlaysToTheEndAndReportsTheDuration) {
    const auto file = MakeFile("end.mp4", smallClip(1.0, true, true));
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    ASSERT_TRUE(WaitFor(psEnd, 5s));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_GT(elapsed, 800ms); // played in real time, not decoded flat out
    ServeUntil([&] { return !positions.empty() && positions.back() == openDuration; }, 500ms);
    ASSERT_FALSE(positions.empty());
    EXPECT_NEAR(static_cast<double>(positions.back()), 1e6, 50000);
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

TEST_F(PlayerFixture, PositionsMoveForwardAndCoalesceBetweenSeeks) {
    const auto file = MakeFile("positions.mp4", smallClip(3.0, true, true));
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    Serve(700ms);
    player->Seek(0, true, 2000000);
    const size_t seekAt = positions.size();
    Serve(500ms);
    ProcessPendingMessages();

    ASSERT_GT(seekAt, 5u);
    ASSERT_GT(positions.size(), seekAt + 3);
    auto checkRun = [](std::vector<int64_t>::const_iterator b, std::vector<int64_t>::const_iterator e) {
        for (auto it = b; it + 1 < e; ++it) {
            EXPECT_LE(*it, *(it + 1));
            EXPECT_GT(*(it + 1) - *it, 10000) << "positions closer than 10 ms are not reported";
        }
    };
    checkRun(positions.begin(), positions.begin() + static_cast<long>(seekAt));
    // After the seek the positions continue from the new place.
    auto afterSeek = std::find_if(positions.begin() + static_cast<long>(seekAt), positions.end(),
                                  [](int64_t p) { return p >= 1900000; });
    ASSERT_NE(afterSeek, positions.end());
    checkRun(afterSeek, positions.end());
}

TEST_F(PlayerFixture, SeekLandsWithinOneFrameWhenEveryFrameIsAKeyFrame) {
    ClipSpec spec = smallClip(3.0, true, false);
    spec.Video.front().GopSize = 1;
    const auto file = MakeFile("intra.mp4", spec);
    ASSERT_TRUE(player->Open(file, 0, true)) << player->LastError();
    ASSERT_TRUE(WaitFor(psPause));

    for (int64_t target : {1500000, 720000, 2400000, 0}) {
        player->Seek(0, true, target);
        // Paused: the picture at the new place is shown, then the player holds.
        PollUntil(
            [&] {
                int64_t pts = 0;
                player->Snapshot(pts);
                return std::llabs(pts - target) <= 40000;
            },
            2s);
        int64_t pts = 0;
        const TBitmap24& still = player->Snapshot(pts);
        EXPECT_NEAR(static_cast<double>(pts), static_cast<double>(target), 40000) << "target " << target;
        EXPECT_EQ(still.Width, 64);
    }
}

TEST_F(PlayerFixture, AudioOnlyFilesShowTheWaveform) {
    struct Case {
        int Channels;
        int Bands;
    };
    for (const Case c : {Case{2, 2}, Case{1, 1}}) {
        ClipSpec spec = smallClip(1.0, false, true);
        spec.Audio.front().Channels = c.Channels;
        spec.Audio.front().Amplitude = 0.5;
        const auto file = MakeFile("tone" + std::to_string(c.Channels) + ".mp4", spec);
        ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
        EXPECT_EQ(frameWidth, -1);
        const int before = player->DisplayStats().Waveforms;
        ASSERT_TRUE(PollUntil([&] { return player->DisplayStats().Waveforms > before + 5; }, 3s));
        PollUntil([&] { return player->DisplayStats().WaveformInk > 0; }, 1s);
        const TDisplayStats stats = player->DisplayStats();
        EXPECT_EQ(stats.WaveformBands, c.Bands);
        EXPECT_GT(stats.WaveformInk, 0) << "a 440 Hz tone draws a trace";
        int64_t pts = 0;
        EXPECT_EQ(player->Snapshot(pts).Width, 0);
        EXPECT_EQ(pts, -1);
        player->Close(true);
    }
}

TEST_F(PlayerFixture, AudioOnlyFileReportsEndAtItsDuration) {
    const auto file = MakeFile("audio-end.mp4", smallClip(1.0, false, true));
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    ASSERT_TRUE(WaitFor(psEnd, 5s));
    ASSERT_FALSE(positions.empty());
    EXPECT_NEAR(static_cast<double>(positions.back()), static_cast<double>(openDuration), 50000);
}

TEST_F(PlayerFixture, SnapshotIsEmptyBeforeOpeningAndHasTheVideoSizeAfter) {
    int64_t pts = 123;
    const TBitmap24& empty = player->Snapshot(pts);
    EXPECT_EQ(empty.Width, 0);
    EXPECT_EQ(empty.Height, 0);
    EXPECT_EQ(pts, -1);

    ClipSpec spec = smallClip(1.0, true, true);
    spec.Video.front().Width = 96;
    spec.Video.front().Height = 64;
    const auto file = MakeFile("still.mp4", spec);
    ASSERT_TRUE(player->Open(file, 0, true)) << player->LastError();
    ASSERT_TRUE(WaitFor(psPause));
    const TBitmap24& still = player->Snapshot(pts);
    EXPECT_EQ(still.Width, 96);
    EXPECT_EQ(still.Height, 64);
    EXPECT_GE(pts, 0);
    EXPECT_LT(pts, 100000);
}

TEST_F(PlayerFixture, CloseReturnsPromptly) {
    const auto file = MakeFile("close.mp4", smallClip(3.0, true, true));
    for (bool paused : {false, true}) {
        states.clear();
        ASSERT_TRUE(player->Open(file, 0, paused)) << player->LastError();
        Serve(300ms);
        const auto start = std::chrono::steady_clock::now();
        player->Close(true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << (paused ? "paused" : "playing");
        ProcessPendingMessages();
        ASSERT_FALSE(states.empty());
        EXPECT_EQ(states.back(), psStop);
        EXPECT_FALSE(player->IsOpen());
    }
}

TEST_F(PlayerFixture, OpeningAnotherFileStopsTheFirstBeforeItStarts) {
    const auto first = MakeFile("first.mp4", smallClip(2.0, true, true));
    const auto second = MakeFile("second.mp4", smallClip(1.0, true, false));
    ASSERT_TRUE(player->Open(first, 0, false)) << player->LastError();
    Serve(200ms);
    ASSERT_TRUE(player->Open(second, 0, false)) << player->LastError();
    Serve(200ms);
    const auto stop = std::find(states.begin(), states.end(), psStop);
    ASSERT_NE(stop, states.end());
    EXPECT_NE(std::find(stop, states.end(), psPlay), states.end());
    EXPECT_EQ(openDuration, 1000000);
}

TEST_F(PlayerFixture, CloseEndsTheEventThreadWithoutAStateHandler) {
    player->OnState = nullptr;
    const auto file = MakeFile("nostate.mp4", smallClip(1.0, true, true));
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    Serve(100ms);
    const auto start = std::chrono::steady_clock::now();
    player->Close(true);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_EQ(player->State(), psStop);
}

TEST_F(PlayerFixture, PauseResumeAndToggleReportTheirStates) {
    const auto file = MakeFile("pause.mp4", smallClip(2.0, true, true));
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    Serve(200ms);
    player->Pause();
    ProcessPendingMessages();
    ServeUntil([&] { return Saw(psPause); }, 1s);
    EXPECT_EQ(player->State(), psPause);
    // The pictures already decoded are still shown; after them nothing moves.
    Serve(300ms);
    const int64_t held = player->Position();
    Serve(300ms);
    EXPECT_EQ(player->Position(), held) << "paused playback does not move on";
    player->Resume();
    ServeUntil([&] { return Saw(psResume); }, 1s);
    EXPECT_EQ(player->State(), psResume);
    Serve(300ms);
    EXPECT_GT(player->Position(), held + 100000) << "resumed playback moves on";
    player->TogglePause();
    EXPECT_EQ(player->State(), psPause);
    player->TogglePause();
    EXPECT_EQ(player->State(), psResume);
}

TEST_F(PlayerFixture, FilesThatCannotBeOpenedGiveTheirReason) {
    const std::string missing = dir.File("missing.mp4");
    EXPECT_FALSE(player->Open(missing, 0, false));
    EXPECT_EQ(player->LastError(), LibraryErrorText(missing, AVERROR(ENOENT)));

    const std::string noise = dir.File("noise.mp4");
    WriteRandomBytes(noise, 4096);
    EXPECT_FALSE(player->Open(noise, 0, false));
    EXPECT_FALSE(player->LastError().empty());
    EXPECT_NE(player->LastError().find(noise), std::string::npos);
    EXPECT_FALSE(player->IsOpen());
    EXPECT_TRUE(states.empty()) << "a failed open reports no states";
}

TEST_F(PlayerFixture, DamagedFilesPlayAsFarAsTheyCan) {
    for (const char* damage : {"truncated", "overwritten"}) {
        states.clear();
        ClipSpec spec = smallClip(2.0, true, true);
        spec.Format = "mpegts";
        const auto file = MakeFile(std::string(damage) + ".ts", spec);
        if (std::string(damage) == "truncated")
            TruncateFile(file, 0.6);
        else
            OverwriteMiddle(file, 2000);
        ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
        EXPECT_TRUE(WaitFor(psEnd, 6s)) << damage;
        player->Close(true);

        // Closing in the middle of the damage returns as promptly as with a sound file.
        ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
        Serve(damage == std::string("truncated") ? 1100ms : 500ms);
        const auto start = std::chrono::steady_clock::now();
        player->Close(true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << damage;
    }
}

TEST_F(PlayerFixture, HookSeesEveryShownPictureAndWhatItDrawsIsShown) {
    const auto file = MakeFile("hook.mp4", smallClip(1.0, true, false));
    std::atomic<int> calls{0};
    std::atomic<int64_t> lastPts{-1};
    player->SetHook(true);
    player->OnHook = [&](TCustomPlayer*, TBitmap24* bitmap, int64_t pts) {
        ++calls;
        lastPts = pts;
        // Paint it white; the snapshot must show it.
        std::fill(bitmap->Bits.begin(), bitmap->Bits.end(), uint8_t{255});
    };
    ASSERT_TRUE(player->Open(file, 0, true)) << player->LastError();
    ASSERT_TRUE(WaitFor(psPause));
    EXPECT_GE(calls.load(), 2);
    int64_t pts = 0;
    const TBitmap24& still = player->Snapshot(pts);
    ASSERT_GT(still.Width, 0);
    EXPECT_GT(still.Row(still.Height / 2)[still.Width / 2 * 3], 230);
}

TEST_F(PlayerFixture, PicturesAppearWithTheirSound) {
    // White pictures and clicks at the same times, on frame times of 25 fps.
    ClipSpec spec = smallClip(3.0, true, true);
    spec.Video.front().MarksUs = {520000, 1040000, 1520000, 2040000, 2520000};
    spec.Audio.front().ClicksUs = spec.Video.front().MarksUs;
    const auto file = MakeFile("marks.mp4", spec);
    MarkSyncProbe probe;
    probe.Install(*player);
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    ASSERT_TRUE(WaitFor(psEnd, 8s));
    player->Close(true);

    // Within a frame or so; the benchmark measures it closely over a longer play.
    const MarkSyncProbe::Result marks = probe.Measure();
    EXPECT_GE(marks.Pairs, 4);
    EXPECT_LE(marks.MaxAbsSeconds, 0.06);
    // The player's own measure (picture pts against its audio clock) agrees with
    // what the device actually played, give or take the dummy device's own
    // jitter; a clock that misjudged the block in the device would be up to a
    // block (23 ms) off.
    EXPECT_LE(marks.MaxClockErrorSeconds, 0.006);
    const TDisplayStats stats = player->DisplayStats();
    ASSERT_GT(stats.SyncSamples, 0);
    EXPECT_LE(stats.SyncErrorMax, 0.06);
}

// A pipe that no writer opens: Open gives up at its time limit, with the
// reason, instead of holding its caller (the window) for good.
TEST_F(PlayerFixture, OpeningAPipeWithoutWriterFailsAtTheTimeLimit) {
    const std::string pipe = dir.File("pipe.mkv");
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // Should Open wait anyway, a writer that comes and goes at once ends the
    // wait, so that the test fails instead of hanging.
    std::atomic<bool> done{false};
    std::thread rescue([&] {
        for (int i = 0; i < 100 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (!done) {
            const int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                close(fd);
        }
    });
    player->SetOpenLimit(std::chrono::milliseconds(500));
    const auto started = std::chrono::steady_clock::now();
    const bool opened = player->Open(pipe, 0, false);
    const auto took = std::chrono::steady_clock::now() - started;
    done = true;
    rescue.join();
    EXPECT_FALSE(opened);
    EXPECT_FALSE(player->IsOpen());
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_NE(player->LastError().find(pipe), std::string::npos) << player->LastError();
}
