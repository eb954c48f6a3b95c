// Where a decoded picture goes in an output frame so that it keeps the shape
// it is shown with: turned upright, scaled to fit and centred, the rest of
// the frame left black. The aspect choice and the frame size say what the
// frame is; they never stretch the picture.
#pragma once

extern "C" {
#include <libavutil/rational.h>
}

// A decoded picture as its stream shows it.
struct TPictureSource {
    int Width = 0; // stored size, as decoded
    int Height = 0;
    AVRational SampleAspect{0, 1}; // of the stored pixels; 0: square
    int Rotation = 0;              // degrees clockwise that turn it upright (0, 90, 180, 270)
};

struct TPictureRect {
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
};

// True for a quarter or three-quarter turn, which swaps width and height.
bool TurnsSideways(int rotation);

// The size of the upright picture, before any crop.
int UprightWidth(const TPictureSource& source);
int UprightHeight(const TPictureSource& source);

// Width / height as shown of the upright picture's `width` x `height` part
// (what is left after cropping); 0 when either is not positive.
double UprightDisplayAspect(const TPictureSource& source, int width, int height);

// The largest rectangle of a frameWidth x frameHeight frame with pixels of
// `frameSampleAspect` (0: square) that shows a picture of display aspect
// `pictureAspect` undistorted, centred. Sizes and offsets are even where the
// frame's are, as 4:2:0 pictures need; a rectangle within rounding of the
// whole frame (a bar of less than MaxHairlineBar of the side) is the whole
// frame, so no hairline bars appear. A `pictureAspect` that is not positive
// fills the frame.
TPictureRect FitPicture(double pictureAspect, int frameWidth, int frameHeight, AVRational frameSampleAspect);

// Bars narrower than this fraction of the frame's side are left out: the
// picture is stretched by as much instead, which no viewer sees.
inline constexpr double MaxHairlineBar = 0.01;
