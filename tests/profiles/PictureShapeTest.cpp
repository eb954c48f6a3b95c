// Profiles keep the picture's shape: whatever frame size and aspect a
// profile's choices give, a source of another shape (non-square pixels and a
// display matrix counted) comes out scaled to fit, centred and letterboxed,
// in the frame size and aspect the choices name.
#include "ProfileIds.h"
#include "ProfileWindows.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/ClipCopy.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/ShownPicture.h"
#include "profiles/BuildOptions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int FlatLuma = 170;
constexpr int Threshold = (16 + FlatLuma) / 2;
// Of an aspect: a pixel or two of rounding, or the nearest shape an MPEG-1 header codes.
constexpr double ShapeTolerance = 0.025;

struct SourceShape {
    const char* Name;
    int Width, Height;  // stored
    int SarNum, SarDen; // stored pixels
    int Rotation = 0;   // display matrix, degrees clockwise
    double Aspect;      // as shown, upright
};

const SourceShape Wide{"16:9", 160, 90, 1, 1, 0, 16.0 / 9};
const SourceShape WideAnamorphic{"16:9 in 4:3 pixels", 120, 90, 4, 3, 0, 16.0 / 9};
const SourceShape Standard{"4:3", 160, 120, 1, 1, 0, 4.0 / 3};
const SourceShape Camera{"3:2", 168, 112, 1, 1, 0, 1.5};
const SourceShape CameraAnamorphic{"3:2 in 9:8 pixels", 128, 96, 9, 8, 0, 1.5};
const SourceShape Upright{"4:3 turned a quarter", 160, 120, 1, 1, 90, 3.0 / 4};

struct ShapeCase {
    int32_t Profile;
    std::vector<std::pair<TChoiceRole, std::string>> Picks;
    SourceShape Source;
    int Width, Height;  // the frame the choices name
    double FrameAspect; // as shown; 0: not checked (the output cannot carry one)
};

void PrintTo(const ShapeCase& c, std::ostream* out) {
    *out << "profile " << c.Profile;
    for (const auto& [role, item] : c.Picks)
        *out << ", " << item;
    *out << ", source " << c.Source.Name;
}

std::string MakeSource(const TempDir& dir, const SourceShape& shape) {
    ClipSpec spec = VideoAndAudioClip(0.4);
    VideoTrackSpec& video = spec.Video[0];
    video.Width = shape.Width;
    video.Height = shape.Height;
    video.SampleAspectNum = shape.SarNum;
    video.SampleAspectDen = shape.SarDen;
    video.FlatLuma = FlatLuma;
    const std::string path = dir.File("source.mp4");
    if (shape.Rotation)
        MakeRotatedClip(path, spec, shape.Rotation);
    else
        MakeClip(path, spec);
    return path;
}

// Converts `source` as the main window does with profile `profile` and the
// user's `picks`; the output's picture is read back into `shown` (left
// undecoded for audio-only profiles).
void ConvertWithProfile(int32_t profile, const std::vector<std::pair<TChoiceRole, std::string>>& picks,
                        const SourceShape& shape, ShownPicture& shown) {
    TRAzidiZUV converter;
    ASSERT_TRUE(converter.LoadLibraries()) << converter.LastError();
    TempDir dir;
    const std::string source = MakeSource(dir, shape);
    const std::string outputFolder = dir.File("out");
    std::filesystem::create_directory(outputFolder);
    ProfileWindows windows(outputFolder);
    ResetConversionSettings(windows.settings);
    windows.settings.SourceFile = source;
    windows.userPicks = [&picks](TOptionsWindow& window) {
        for (const auto& [role, item] : picks)
            ASSERT_TRUE(window.PickText(role, item)) << item;
    };
    windows.Choose(profile);
    if (testing::Test::HasFatalFailure())
        return;
    const TConversionSettings& settings = windows.settings;
    if (settings.AudioOnly)
        return;
    ConvertWithSettings(converter, settings, source);
    if (testing::Test::HasFatalFailure())
        return;
    shown = ReadShownPicture(settings.OutputFile, Threshold);
    ASSERT_TRUE(shown.Decoded);
}

// The picture of `shape` in `shown`: its shape, centred, the right way up, no turn left.
void ExpectShapeKept(const ShownPicture& shown, const SourceShape& shape) {
    EXPECT_NEAR(shown.PictureAspect(), shape.Aspect, shape.Aspect * ShapeTolerance)
        << shown.Width << "x" << shown.Height << " at " << shown.X << "," << shown.Y << " in "
        << shown.FrameWidth << "x" << shown.FrameHeight << ", pixels " << shown.SampleAspect.num << ":"
        << shown.SampleAspect.den;
    EXPECT_NEAR(shown.X, shown.FrameWidth - shown.X - shown.Width, 2);
    EXPECT_NEAR(shown.Y, shown.FrameHeight - shown.Y - shown.Height, 2);
    EXPECT_EQ(shown.BrightSide, shape.Rotation ? PictureSide::Right : PictureSide::Top)
        << SideName(shown.BrightSide);
    EXPECT_FALSE(shown.DisplayMatrix);
    EXPECT_FALSE(shown.RotateTag);
}

class ProfileShape : public testing::TestWithParam<ShapeCase> {};

TEST_P(ProfileShape, PictureKeepsItsShapeInTheNamedFrame) {
    const ShapeCase& c = GetParam();
    ShownPicture shown;
    ConvertWithProfile(c.Profile, c.Picks, c.Source, shown);
    if (testing::Test::HasFatalFailure())
        return;
    EXPECT_EQ(shown.FrameWidth, c.Width);
    EXPECT_EQ(shown.FrameHeight, c.Height);
    if (c.FrameAspect > 0) {
        EXPECT_NEAR(shown.FrameAspect(), c.FrameAspect, c.FrameAspect * ShapeTolerance);
    }
    ExpectShapeKept(shown, c.Source);
}

// Every video profile with its preselected choices, from a 16:9 source of
// non-square pixels: whatever the frame, the film is not distorted.
class EveryProfileShape : public testing::TestWithParam<int32_t> {};

TEST_P(EveryProfileShape, FilmKeepsItsShape) {
    ShownPicture shown;
    ConvertWithProfile(GetParam(), {}, WideAnamorphic, shown);
    if (testing::Test::HasFatalFailure() || !shown.Decoded)
        return;
    ExpectShapeKept(shown, WideAnamorphic);
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, EveryProfileShape, testing::ValuesIn(AllProfileIds()), ProfileIdName);

using enum TChoiceRole;
constexpr double Standard43 = 4.0 / 3;
constexpr double Wide169 = 16.0 / 9;
const std::vector<std::pair<TChoiceRole, std::string>> KeepSize{{crFrameSize, "保持原分辨率"}};

const ShapeCase ShapeCases[] = {
    // "1280*720" with "普通视频4:3模式": a 4:3 frame, the film between bars.
    {500, {}, Wide, 1280, 720, Standard43},
    {500, {}, WideAnamorphic, 1280, 720, Standard43},
    {500, {}, CameraAnamorphic, 1280, 720, Standard43},
    {511, {}, Camera, 1280, 720, Standard43},
    {500, KeepSize, Wide, 160, 90, Standard43},
    // "保持原分辨率" with "宽屏视频16:9模式": the source's size shown 16:9.
    {100, {}, Standard, 160, 120, Wide169},
    {100, {}, Camera, 168, 112, Wide169},
    {1, {}, Wide, 320, 240, Standard43},
    {4, {}, Camera, 320, 240, Standard43},
    {14, {}, Wide, 320, 240, Standard43},
    {16, {}, CameraAnamorphic, 320, 240, Standard43},
    {17, {}, Camera, 320, 240, Standard43},
    {18, {}, Wide, 320, 240, Standard43},
    // Disc targets: their sizes, the aspect their headers code nearest the source's.
    {19, {}, WideAnamorphic, 720, 576, Wide169},
    {20, {}, Camera, 480, 576, Standard43},
    {21, {}, Wide, 352, 288, Wide169},
    {21, {}, Standard, 352, 288, Standard43},
    // RealVideo takes whole macroblocks and RealMedia keeps no pixel shape:
    // the frame grows to 160x96 and shows square pixels.
    {15, {}, Wide, 160, 96, 0},
    // A phone's upright clip: the kept size is the upright one.
    {500, KeepSize, Upright, 120, 160, Standard43},
    {16, {}, Upright, 320, 240, Standard43},
};

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileShape, testing::ValuesIn(ShapeCases),
                         [](const testing::TestParamInfo<ShapeCase>& info) {
                             return std::to_string(info.index) + "_" + std::to_string(info.param.Profile);
                         });

} // namespace
