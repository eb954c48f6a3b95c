// The shape of the picture through a conversion: a display matrix turns it
// upright, the frame size and aspect say what the output frame is, and the
// picture keeps its shape inside it (black bars fill the rest), also when the
// source changes size on the way.
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"
#include "fixtures/ClipCopy.h"
#include "fixtures/ShownPicture.h"
#include "media/DisplayRotation.h"

#include <ostream>

namespace {

constexpr int FlatLuma = 170;
constexpr int Threshold = (16 + FlatLuma) / 2;
constexpr double ShapeTolerance = 0.025; // of the aspect: a pixel or two of rounding at these sizes

ClipSpec FlatClip(int width, int height, int sarNum = 1, int sarDen = 1) {
    ClipSpec spec = VideoOnlyClip(0.4);
    VideoTrackSpec& video = spec.Video[0];
    video.Width = width;
    video.Height = height;
    video.SampleAspectNum = sarNum;
    video.SampleAspectDen = sarDen;
    video.FlatLuma = FlatLuma;
    return spec;
}

class PictureShapeTest : public SetupTest {
protected:
    std::string Rotated(int degrees) {
        const std::string path = dir.File("turned" + std::to_string(degrees) + ".mp4");
        MakeRotatedClip(path, FlatClip(160, 120), degrees);
        return path;
    }
};

struct TurnCase {
    int Degrees;
    int Width; // of the output, the source's size kept
    int Height;
    PictureSide StoredTopShows; // where the stored picture's top edge ends up
};

void PrintTo(const TurnCase& c, std::ostream* out) {
    *out << c.Degrees << " degrees";
}

class TurnedSource : public PictureShapeTest, public testing::WithParamInterface<TurnCase> {};

TEST_P(TurnedSource, IsTurnedUprightWithNoTurnLeft) {
    const TurnCase& c = GetParam();
    OpenInput(Rotated(c.Degrees));
    // "Keep the size" is the upright picture's size.
    EXPECT_EQ(task.Settings().FrameWidth, c.Width);
    EXPECT_EQ(task.Settings().FrameHeight, c.Height);
    const std::string path = dir.File("out.mp4");
    OpenOutput(path, {{"vcodec", "mpeg4"}});
    RunToEnd();

    const ShownPicture shown = ReadShownPicture(path, Threshold);
    ASSERT_TRUE(shown.Decoded);
    EXPECT_EQ(shown.FrameWidth, c.Width);
    EXPECT_EQ(shown.FrameHeight, c.Height);
    // The whole frame is picture, of the upright shape.
    EXPECT_EQ(shown.Width, c.Width);
    EXPECT_EQ(shown.Height, c.Height);
    EXPECT_NEAR(shown.FrameAspect(), static_cast<double>(c.Width) / c.Height, 0.01);
    EXPECT_EQ(shown.BrightSide, c.StoredTopShows) << SideName(shown.BrightSide);
    EXPECT_FALSE(shown.DisplayMatrix);
    EXPECT_FALSE(shown.RotateTag);
}

INSTANTIATE_TEST_SUITE_P(Turns, TurnedSource,
                         testing::Values(TurnCase{90, 120, 160, PictureSide::Right},
                                         TurnCase{270, 120, 160, PictureSide::Left},
                                         TurnCase{180, 160, 120, PictureSide::Bottom}),
                         [](const testing::TestParamInfo<TurnCase>& info) {
                             return std::to_string(info.param.Degrees);
                         });

TEST_F(PictureShapeTest, TurnedSourceFitsAChosenFrameUpright) {
    OpenInput(Rotated(90));
    const std::string path = dir.File("out.mp4");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"s", "320x240"}, {"aspect", "4:3"}});
    RunToEnd();
    const ShownPicture shown = ReadShownPicture(path, Threshold);
    ASSERT_TRUE(shown.Decoded);
    EXPECT_EQ(shown.FrameWidth, 320);
    EXPECT_EQ(shown.FrameHeight, 240);
    EXPECT_NEAR(shown.PictureAspect(), 3.0 / 4.0, 3.0 / 4.0 * ShapeTolerance);
    EXPECT_EQ(shown.BrightSide, PictureSide::Right);
}

TEST_F(PictureShapeTest, CopiedStreamKeepsItsTurn) {
    const std::string turned = dir.File("turned.mp4");
    ClipSpec spec = FlatClip(160, 120);
    // Without B-frames: the first packets of a copy must not lie before the start.
    spec.Video[0].Options["bf"] = "0";
    MakeRotatedClip(turned, spec, 90);
    OpenInput(turned);
    const std::string path = dir.File("copy.mp4");
    OpenOutput(path, {{"vcodec", "copy"}});
    RunToEnd();
    ReadBackPtr out = ReadBack(path);
    ASSERT_TRUE(out);
    const int index = av_find_best_stream(out.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    ASSERT_GE(index, 0);
    const AVStream* video = out->streams[index];
    EXPECT_EQ(DisplayRotationDegrees(video), 90);
    // Stored as they were, shown as they were.
    EXPECT_EQ(video->codecpar->width, 160);
    const AVRational sar = video->sample_aspect_ratio;
    EXPECT_TRUE(sar.num == 0 || av_cmp_q(sar, AVRational{1, 1}) == 0) << sar.num << "/" << sar.den;
}

struct FitCase {
    const char* Name;
    int SourceWidth, SourceHeight, SarNum, SarDen;
    TOptionList Options;
    int Width, Height;    // of the output frame
    double FrameAspect;   // as shown
    double PictureAspect; // as shown: the source's
};

void PrintTo(const FitCase& c, std::ostream* out) {
    *out << c.Name;
}

class FittedPicture : public PictureShapeTest, public testing::WithParamInterface<FitCase> {};

TEST_P(FittedPicture, KeepsTheSourceShapeInTheChosenFrame) {
    const FitCase& c = GetParam();
    OpenInput(Clip("in.mkv", FlatClip(c.SourceWidth, c.SourceHeight, c.SarNum, c.SarDen)));
    const std::string path = dir.File("out.avi");
    TOptionList options{{"vcodec", "mpeg4"}};
    options.insert(options.end(), c.Options.begin(), c.Options.end());
    OpenOutput(path, options);
    RunToEnd();

    const ShownPicture shown = ReadShownPicture(path, Threshold);
    ASSERT_TRUE(shown.Decoded);
    EXPECT_EQ(shown.FrameWidth, c.Width);
    EXPECT_EQ(shown.FrameHeight, c.Height);
    EXPECT_NEAR(shown.FrameAspect(), c.FrameAspect, c.FrameAspect * ShapeTolerance);
    EXPECT_NEAR(shown.PictureAspect(), c.PictureAspect, c.PictureAspect * ShapeTolerance)
        << shown.Width << "x" << shown.Height << " at " << shown.X << "," << shown.Y;
    // Centred: the bars on either side differ by the rounding to even sizes.
    EXPECT_NEAR(shown.X, shown.FrameWidth - shown.X - shown.Width, 2);
    EXPECT_NEAR(shown.Y, shown.FrameHeight - shown.Y - shown.Height, 2);
    EXPECT_EQ(shown.BrightSide, PictureSide::Top);
}

const FitCase FitCases[] = {
    {"wide_in_4_3", 160, 90, 1, 1, {{"s", "320x240"}, {"aspect", "4:3"}}, 320, 240, 4.0 / 3, 16.0 / 9},
    {"standard_in_16_9", 160, 120, 1, 1, {{"s", "320x180"}, {"aspect", "16:9"}}, 320, 180, 16.0 / 9, 4.0 / 3},
    // Non-square pixels: 120x90 shown 16:9, 128x96 shown 3:2.
    {"anamorphic_wide_in_4_3",
     120,
     90,
     4,
     3,
     {{"s", "320x240"}, {"aspect", "4:3"}},
     320,
     240,
     4.0 / 3,
     16.0 / 9},
    {"anamorphic_camera_in_16_9",
     128,
     96,
     9,
     8,
     {{"s", "640x360"}, {"aspect", "16:9"}},
     640,
     360,
     16.0 / 9,
     1.5},
    // The size kept, the aspect chosen: a 4:3 frame of the source's size.
    {"kept_size_4_3", 160, 90, 1, 1, {{"aspect", "4:3"}}, 160, 90, 4.0 / 3, 16.0 / 9},
    // The size chosen, no aspect: the frame shows the source's aspect.
    {"size_only", 120, 90, 4, 3, {{"s", "320x240"}}, 320, 240, 16.0 / 9, 16.0 / 9},
    // Cropped: what is left keeps its pixels' shape, in a frame of its size.
    {"cropped", 160, 120, 1, 1, {{"croptop", "20"}, {"cropbottom", "20"}}, 160, 80, 2.0, 2.0},
    {"cropped_anamorphic", 120, 90, 4, 3, {{"cropleft", "30"}}, 90, 90, 4.0 / 3, 4.0 / 3},
};

INSTANTIATE_TEST_SUITE_P(Frames, FittedPicture, testing::ValuesIn(FitCases),
                         [](const testing::TestParamInfo<FitCase>& info) { return info.param.Name; });

TEST_F(PictureShapeTest, SourceThatChangesSizeKeepsItsShapeInALetterbox) {
    ClipSpec spec = FlatClip(64, 48);
    spec.Video[0].SizeChangeAtFrame = 5;
    spec.Video[0].SecondWidth = 96;
    spec.Video[0].SecondHeight = 64;
    OpenInput(Clip("sizes.mkv", spec));
    const std::string path = dir.File("out.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"s", "320x180"}, {"aspect", "16:9"}});
    LogCapture log;
    RunToEnd();
    EXPECT_TRUE(log.HasAny("frame size changed to 96x64"));
    int atOutputSize = 0;
    const TDecodedFile decoded = DecodeWholeFile(
        path, [&](int, const AVFrame& frame) { atOutputSize += frame.width == 320 && frame.height == 180; });
    EXPECT_EQ(decoded.Errors, 0);
    EXPECT_EQ(atOutputSize, 10);
    // The last pictures are the second size's, 3:2 between bars.
    const ShownPicture shown = ReadShownPicture(path, Threshold);
    ASSERT_TRUE(shown.Decoded);
    EXPECT_NEAR(shown.PictureAspect(), 1.5, 1.5 * ShapeTolerance);
}

} // namespace
