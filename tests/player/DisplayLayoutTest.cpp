// Where pictures go in the window, subtitle blending and the waveform's shapes.
#include "player/DisplayLayout.h"
#include "player/PlaybackState.h"
#include "player/SubtitleComponent.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

TEST(DisplayLayout, PicturesKeepTheirAspectAndAreCentred) {
    struct Case {
        const char* Name;
        float Setting;
        int WindowW, WindowH, PictureW, PictureH;
        AVRational PixelAspect;
        TDisplayRect Expected;
    };
    const Case cases[] = {
        {"PAL 16:9 letterboxed", 0, 640, 480, 720, 576, {64, 45}, {0, 60, 640, 360}},
        {"PAL 4:3 fills", 0, 640, 480, 720, 576, {16, 15}, {0, 0, 640, 480}},
        {"negative setting fills the window", -1, 640, 480, 720, 576, {64, 45}, {0, 0, 640, 480}},
        {"forced aspect", 16.0f / 9, 640, 480, 64, 48, {1, 1}, {0, 60, 640, 360}},
        {"narrow picture pillarboxed", 0, 640, 480, 48, 64, {1, 1}, {140, 0, 360, 480}},
        {"no pixel aspect counts as square", 0, 640, 480, 320, 240, {0, 1}, {0, 0, 640, 480}},
        {"the fitted height comes out even", 0, 101, 75, 16, 9, {1, 1}, {0, 9, 101, 56}},
    };
    for (const Case& c : cases) {
        const double aspect =
            DisplayAspect(c.Setting, c.WindowW, c.WindowH, c.PictureW, c.PictureH, c.PixelAspect);
        EXPECT_EQ(FitPicture(aspect, c.WindowW, c.WindowH), c.Expected) << c.Name;
    }
}

TEST(DisplayLayout, PaletteBecomesStudioRangeYuvWithItsAlpha) {
    EXPECT_EQ(PaletteEntryToYuv(0xFFFFFFFFu), 0xFFEB8080u); // white: Y 235
    EXPECT_EQ(PaletteEntryToYuv(0x80000000u), 0x80108080u); // black: Y 16, alpha kept
    const uint32_t red = PaletteEntryToYuv(0xFFFF0000u);
    EXPECT_NEAR(static_cast<int>((red >> 16) & 0xff), 81, 1);
    EXPECT_NEAR(static_cast<int>((red >> 8) & 0xff), 90, 1);
    EXPECT_NEAR(static_cast<int>(red & 0xff), 240, 1);
}

TEST(DisplayLayout, SubtitlesBlendByAlphaAndStayInsideThePicture) {
    YuvOverlay picture(8, 8);
    std::fill(picture.Planes[0], picture.Planes[0] + 64, uint8_t{100});
    uint8_t indices[4 * 4];
    uint32_t palette[2] = {0x00000000u, 0xFFEB8080u}; // transparent, opaque white (YUV)
    for (int i = 0; i < 16; ++i)
        indices[i] = static_cast<uint8_t>(i % 4 < 2 ? 1 : 0); // left half opaque
    AVSubtitleRect rect{};
    rect.x = 6; // reaches past the right edge
    rect.y = 2;
    rect.w = 4;
    rect.h = 4;
    rect.nb_colors = 2;
    rect.data[0] = indices;
    rect.data[1] = reinterpret_cast<uint8_t*>(palette);
    rect.linesize[0] = 4;
    rect.type = SUBTITLE_BITMAP;
    BlendSubtitleRect(picture, rect);

    auto luma = [&](int x, int y) { return picture.Planes[0][y * picture.Pitches[0] + x]; };
    EXPECT_EQ(luma(6, 2), 235);
    EXPECT_EQ(luma(7, 5), 235);
    EXPECT_EQ(luma(5, 3), 100) << "left of the rectangle";
    EXPECT_EQ(luma(6, 6), 100) << "below the rectangle";
    EXPECT_EQ(luma(6, 1), 100) << "above the rectangle";
}

TEST(DisplayLayout, WaveformHasOneBandPerChannelWithSeparators) {
    std::vector<int16_t> ring(SampleRingSize, 0);
    for (size_t i = 0; i < ring.size(); ++i)
        ring[i] = static_cast<int16_t>(i % 2 == 0 ? 16384 : -16384); // left up, right down
    struct Case {
        int Channels;
        size_t Separators;
    };
    for (const Case c : {Case{1, 0}, Case{2, 1}}) {
        std::vector<TDisplayRect> shapes;
        WaveformShapes(ring.data(), SampleRingSize, 0, c.Channels, 100, 200, shapes);
        size_t separators = 0;
        for (const auto& r : shapes) {
            if (r.W == 100) {
                ++separators;
                EXPECT_EQ(r.Y, 200 / c.Channels) << "at the top of the second band";
                EXPECT_EQ(r.H, 1);
            } else {
                EXPECT_EQ(r.W, 1);
            }
        }
        EXPECT_EQ(separators, c.Separators) << c.Channels << " channel(s)";
    }
    // Stereo: the left trace goes down from the first band's centre, the right one
    // ends at the second band's centre; amplitude is 9/20 of a band at full scale.
    std::vector<TDisplayRect> stereo{{1, 2, 3, 4}}; // what was there before is replaced
    WaveformShapes(ring.data(), SampleRingSize, 0, 2, 10, 200, stereo);
    EXPECT_EQ(stereo[0], (TDisplayRect{0, 50, 1, (16384 * 45) >> 15}));
    EXPECT_EQ(stereo[10], (TDisplayRect{0, 150 - 23, 1, 23}));
}

TEST(DisplayLayout, WaveformStartsWhereTheTraceCrossesSteeply) {
    std::vector<int16_t> ring(4096, 0);
    // One falling zero crossing at 3000: the best start lies just before it.
    for (int i = 2990; i < 3010; ++i)
        ring[static_cast<size_t>(i)] = static_cast<int16_t>((3000 - i) * 1000);
    const int start = FindWaveformStart(ring.data(), 4096, 3500, 1);
    EXPECT_GE(start, 2990);
    EXPECT_LT(start, 3000);
    // Nothing crosses: the start stays where it was asked for.
    std::vector<int16_t> flat(4096, 5);
    EXPECT_EQ(FindWaveformStart(flat.data(), 4096, 1234, 2), 1234);
}
