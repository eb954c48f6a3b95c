#include "loop/PictureFit.h"

#include <algorithm>
#include <cmath>

namespace {

double SampleAspectValue(AVRational sar) {
    return sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
}

// `size` rounded to the nearest even number within [2, limit]; odd limits
// stay reachable so that an odd frame can still be filled.
int EvenWithin(double size, int limit) {
    const int even = static_cast<int>(std::lround(size / 2.0)) * 2;
    return std::clamp(even, std::min(2, limit), limit);
}

// The side that fits `wanted` pixels of a `frame` pixel side, or the whole
// side when the bars would be hairlines.
int FittedSide(double wanted, int frame) {
    const int side = EvenWithin(wanted, frame);
    const int bars = frame - side;
    return bars <= std::max(2.0, frame * MaxHairlineBar) ? frame : side;
}

} // namespace

bool TurnsSideways(int rotation) {
    return rotation == 90 || rotation == 270;
}

int UprightWidth(const TPictureSource& source) {
    return TurnsSideways(source.Rotation) ? source.Height : source.Width;
}

int UprightHeight(const TPictureSource& source) {
    return TurnsSideways(source.Rotation) ? source.Width : source.Height;
}

double UprightDisplayAspect(const TPictureSource& source, int width, int height) {
    if (width <= 0 || height <= 0)
        return 0.0;
    const double sar = SampleAspectValue(source.SampleAspect);
    // Turned sideways, a stored pixel's width becomes its height.
    const double uprightSar = TurnsSideways(source.Rotation) ? 1.0 / sar : sar;
    return width * uprightSar / height;
}

TPictureRect FitPicture(double pictureAspect, int frameWidth, int frameHeight, AVRational frameSampleAspect) {
    TPictureRect rect{0, 0, frameWidth, frameHeight};
    if (!(pictureAspect > 0.0) || frameWidth <= 0 || frameHeight <= 0)
        return rect;
    const double sar = SampleAspectValue(frameSampleAspect);
    const double frameAspect = frameWidth * sar / frameHeight;
    if (pictureAspect > frameAspect)
        rect.Height = FittedSide(frameWidth * sar / pictureAspect, frameHeight);
    else
        rect.Width = FittedSide(frameHeight * pictureAspect / sar, frameWidth);
    rect.X = ((frameWidth - rect.Width) / 2) & ~1;
    rect.Y = ((frameHeight - rect.Height) / 2) & ~1;
    return rect;
}
