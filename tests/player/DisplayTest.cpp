// What the player draws: pictures placed by the aspect settings, subtitles
// blended in, nothing at all when display is disabled.
#include "PlayerFixture.h"

using namespace std::chrono_literals;

TEST_F(PlayerFixture, AspectSettingPlacesThePictureAndRedrawsAtOnce) {
    ClipSpec spec = VideoOnlyClip(1.0);
    spec.Format = "mp4";
    const auto file = MakeFile("aspect.mp4", spec); // 64 x 48, square pixels
    player->SetScreenWidth(200);
    player->SetScreenHeight(100);
    ASSERT_TRUE(player->Open(file, 0, true)) << player->LastError();
    ASSERT_TRUE(WaitFor(psPause));
    ASSERT_TRUE(PollUntil([&] { return player->DisplayStats().Pictures > 0; }, 2s));
    TDisplayStats stats = player->DisplayStats();
    EXPECT_EQ(stats.LastX, 34);
    EXPECT_EQ(stats.LastY, 0);
    EXPECT_EQ(stats.LastWidth, 132);
    EXPECT_EQ(stats.LastHeight, 100);

    struct Case {
        float Aspect;
        int X, Y, W, H;
    };
    for (const Case c : {Case{-1, 0, 0, 200, 100}, Case{4, 0, 25, 200, 50}, Case{0, 34, 0, 132, 100}}) {
        const int redraws = player->DisplayStats().Redraws;
        player->SetAspectRatio(c.Aspect);
        player->SyncWithEventLoop();
        stats = player->DisplayStats();
        EXPECT_GT(stats.Redraws, redraws) << "aspect " << c.Aspect;
        EXPECT_EQ(stats.LastX, c.X) << "aspect " << c.Aspect;
        EXPECT_EQ(stats.LastY, c.Y) << "aspect " << c.Aspect;
        EXPECT_EQ(stats.LastWidth, c.W) << "aspect " << c.Aspect;
        EXPECT_EQ(stats.LastHeight, c.H) << "aspect " << c.Aspect;
    }
    // The same value again changes nothing.
    const int redraws = player->DisplayStats().Redraws;
    player->SetAspectRatio(0);
    player->SyncWithEventLoop();
    EXPECT_EQ(player->DisplayStats().Redraws, redraws);
}

TEST_F(PlayerFixture, BitmapSubtitlesAreBlendedIntoThePicture) {
    ClipSpec spec = VideoAndAudioClip(2.0);
    spec.Format = "vob";
    spec.Video.front().Width = 160;
    spec.Video.front().Height = 120;
    SubtitleTrackSpec subtitles;
    subtitles.CuesUs = {{200000, 1600000}};
    spec.Subtitles = {subtitles};
    const auto file = MakeFile("subtitled.vob", spec);
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();

    // The frames are dark; the subtitle's white ink sits in the lower part.
    int mostInk = 0;
    PollUntil(
        [&] {
            int64_t pts = 0;
            const TBitmap24& still = player->Snapshot(pts);
            int ink = 0;
            for (int y = still.Height * 2 / 3; y < still.Height; ++y)
                for (int x = 0; x < still.Width; ++x)
                    ink += still.Row(y)[x * 3 + 1] > 200 ? 1 : 0;
            mostInk = std::max(mostInk, ink);
            return mostInk > 20 || Saw(psEnd);
        },
        3s);
    EXPECT_GT(mostInk, 20);
}

TEST_F(PlayerFixture, DisabledDisplayDrawsNothingButPlays) {
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Format = "mp4";
    const auto file = MakeFile("nodisplay.mp4", spec);
    player->SetDisableDisplay(true);
    const TDisplayStats before = player->DisplayStats();
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    EXPECT_EQ(frameWidth, -1) << "no display means no video either";
    ASSERT_TRUE(WaitFor(psEnd, 5s));
    const TDisplayStats after = player->DisplayStats();
    EXPECT_EQ(after.Pictures, before.Pictures);
    EXPECT_EQ(after.Waveforms, before.Waveforms);
    ASSERT_FALSE(positions.empty());
    EXPECT_NEAR(static_cast<double>(positions.back()), 1e6, 50000);
}

TEST_F(PlayerFixture, PicturesThatChangeSizeMidStreamKeepPlaying) {
    ClipSpec spec = VideoOnlyClip(1.0);
    spec.Format = "nut";
    spec.Video.front().Codec = "mpeg4";
    spec.Video.front().SizeChangeAtFrame = 10;
    spec.Video.front().SecondWidth = 96;
    spec.Video.front().SecondHeight = 72;
    const auto file = MakeFile("resize.nut", spec);
    ASSERT_TRUE(player->Open(file, 0, false)) << player->LastError();
    ASSERT_TRUE(WaitFor(psEnd, 5s));
    int64_t pts = 0;
    const TBitmap24& still = player->Snapshot(pts);
    EXPECT_GT(still.Width, 0);
    EXPECT_GT(player->DisplayStats().Pictures, 15);
}
