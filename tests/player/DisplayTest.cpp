// What the player draws: pictures placed by the aspect settings and turned
// upright by a display matrix, subtitles blended in, nothing at all when
// display is disabled.
#include "PlayerFixture.h"
#include "fixtures/ClipCopy.h"

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

// A phone held upright stores its pictures lying on their side with a display
// matrix; the player turns them: the window, its layout and the snapshots
// show them upright. The fixture's pictures are darkest along their top row,
// so the dark edge tells which way a picture was turned.
TEST_F(PlayerFixture, PicturesOfADisplayMatrixAreShownUpright) {
    enum Edge { Top, Right, Bottom, Left };
    struct Case {
        int Rotation;
        int Width, Height; // of the snapshot
        Edge Dark;
        int X, Y, W, H; // in a 200 x 200 window
    };
    const Case cases[] = {
        {0, 64, 48, Top, 0, 25, 200, 150},
        {90, 48, 64, Right, 25, 0, 150, 200},
        {180, 64, 48, Bottom, 0, 25, 200, 150},
        {270, 48, 64, Left, 25, 0, 150, 200},
    };
    player->SetScreenWidth(200);
    player->SetScreenHeight(200);
    for (const Case& c : cases) {
        SCOPED_TRACE("rotation " + std::to_string(c.Rotation));
        const std::string file = dir.File("upright" + std::to_string(c.Rotation) + ".mp4");
        if (c.Rotation == 0)
            MakeClip(file, VideoOnlyClip(0.4));
        else
            MakeRotatedClip(file, VideoOnlyClip(0.4), c.Rotation);
        states.clear();
        // The counts run on over opens: the layout read is this file's once one
        // more picture has been drawn.
        const int drawnBefore = player->DisplayStats().Pictures;
        ASSERT_TRUE(player->Open(file, 0, true)) << player->LastError();
        ASSERT_TRUE(WaitFor(psPause));
        ProcessPendingMessages();
        EXPECT_EQ(frameWidth, c.Width);
        EXPECT_EQ(frameHeight, c.Height);
        ASSERT_TRUE(PollUntil([&] { return player->DisplayStats().Pictures > drawnBefore; }, 2s));
        const TDisplayStats stats = player->DisplayStats();
        EXPECT_EQ(stats.LastX, c.X);
        EXPECT_EQ(stats.LastY, c.Y);
        EXPECT_EQ(stats.LastWidth, c.W);
        EXPECT_EQ(stats.LastHeight, c.H);

        int64_t pts = 0;
        const TBitmap24& still = player->Snapshot(pts);
        ASSERT_EQ(still.Width, c.Width);
        ASSERT_EQ(still.Height, c.Height);
        // Mean green of the outermost rows and columns.
        auto edgeMean = [&](Edge edge) {
            const bool row = edge == Top || edge == Bottom;
            const int count = row ? still.Width : still.Height;
            double sum = 0;
            for (int i = 0; i < count; ++i) {
                const int x = row ? i : (edge == Left ? 0 : still.Width - 1);
                const int y = row ? (edge == Top ? 0 : still.Height - 1) : i;
                sum += still.Row(y)[x * 3 + 1];
            }
            return sum / count;
        };
        const Edge opposite = static_cast<Edge>((c.Dark + 2) % 4);
        EXPECT_LT(edgeMean(c.Dark) + 10, edgeMean(opposite))
            << "dark edge " << edgeMean(c.Dark) << ", opposite " << edgeMean(opposite);
        player->Close(true);
        ProcessPendingMessages();
    }
}
