#include "media/DisplayRotation.h"

#include <cmath>
#include <cstdint>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/display.h>
}

namespace {

constexpr size_t MatrixBytes = 9 * sizeof(int32_t);
constexpr double QuarterTurn = 90.0;
constexpr int FullTurn = 360;

} // namespace

int DisplayRotationDegrees(const AVStream* stream) {
    if (!stream)
        return 0;
    size_t size = 0;
    const uint8_t* data = av_stream_get_side_data(stream, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!data || size < MatrixBytes)
        return 0;
    // Read back anticlockwise; a phone's "rotate=90" (a quarter turn clockwise
    // for showing) reads -90.
    const double anticlockwise = av_display_rotation_get(reinterpret_cast<const int32_t*>(data));
    if (!std::isfinite(anticlockwise))
        return 0;
    const int quarters = static_cast<int>(std::lround(-anticlockwise / QuarterTurn));
    return ((quarters * 90) % FullTurn + FullTurn) % FullTurn;
}
