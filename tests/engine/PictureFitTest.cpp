// Where a picture goes in an output frame: as large as keeps its shape,
// centred, on even sizes, and the whole frame when only rounding differs.
#include "loop/PictureFit.h"

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct FitCase {
    const char* Name;
    double PictureAspect;
    int FrameWidth, FrameHeight;
    AVRational FrameSampleAspect;
    TPictureRect Expected;
};

void PrintTo(const FitCase& c, std::ostream* out) {
    *out << c.Name;
}

class PictureFit : public testing::TestWithParam<FitCase> {};

TEST_P(PictureFit, KeepsTheShapeCentred) {
    const FitCase& c = GetParam();
    const TPictureRect r = FitPicture(c.PictureAspect, c.FrameWidth, c.FrameHeight, c.FrameSampleAspect);
    EXPECT_EQ(r.X, c.Expected.X);
    EXPECT_EQ(r.Y, c.Expected.Y);
    EXPECT_EQ(r.Width, c.Expected.Width);
    EXPECT_EQ(r.Height, c.Expected.Height);
}

const FitCase FitCases[] = {
    // 16:9 in 1280x720 shown 4:3 (pixels 3:4): three quarters of the height.
    {"wide_in_4_3_frame", 16.0 / 9, 1280, 720, {3, 4}, {0, 90, 1280, 540}},
    // 4:3 in a square-pixel 16:9 frame: bars left and right.
    {"standard_in_wide_frame", 4.0 / 3, 1280, 720, {1, 1}, {160, 0, 960, 720}},
    // 3:2 in PAL 4:3 (pixels 16:15): 720 x 512.
    {"camera_in_pal_4_3", 1.5, 720, 576, {16, 15}, {0, 32, 720, 512}},
    // A unit of the picture's height that is odd is rounded to even, the offset too.
    {"odd_result_even", 16.0 / 9, 160, 90, {3, 4}, {0, 10, 160, 68}},
    {"same_shape_fills", 4.0 / 3, 352, 288, {12, 11}, {0, 0, 352, 288}},
    // 1% off: no hairline bars.
    {"rounding_fills", 1.79, 1280, 720, {1, 1}, {0, 0, 1280, 720}},
    // An odd frame is filled whole, not cut to even.
    {"odd_frame_fills", 65.0 / 49, 65, 49, {1, 1}, {0, 0, 65, 49}},
    {"no_aspect_fills", 0.0, 320, 240, {1, 1}, {0, 0, 320, 240}},
    // Unknown pixel shape counts as square.
    {"unknown_pixels_square", 2.0, 320, 240, {0, 1}, {0, 40, 320, 160}},
    // Upright phone video in a landscape frame.
    {"portrait_in_landscape", 9.0 / 16, 640, 360, {1, 1}, {218, 0, 202, 360}},
};

INSTANTIATE_TEST_SUITE_P(Cases, PictureFit, testing::ValuesIn(FitCases),
                         [](const testing::TestParamInfo<FitCase>& info) { return info.param.Name; });

TEST(PictureSource, QuarterTurnsSwapTheSidesAndThePixelShape) {
    TPictureSource source{120, 90, {4, 3}, 90};
    EXPECT_EQ(UprightWidth(source), 90);
    EXPECT_EQ(UprightHeight(source), 120);
    // Shown 16:9 lying down, 9:16 upright.
    EXPECT_NEAR(UprightDisplayAspect(source, 90, 120), 9.0 / 16, 1e-9);
    source.Rotation = 180;
    EXPECT_EQ(UprightWidth(source), 120);
    EXPECT_NEAR(UprightDisplayAspect(source, 120, 90), 16.0 / 9, 1e-9);
    EXPECT_EQ(UprightDisplayAspect(source, 0, 90), 0.0);
}

} // namespace
