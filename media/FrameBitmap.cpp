#include "media/FrameBitmap.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

bool isBitmapLayout(AVPixelFormat format) {
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    return desc && !(desc->flags & AV_PIX_FMT_FLAG_PLANAR) && av_get_bits_per_pixel(desc) == 24;
}

} // namespace

SwsContext* ReuseOrMakeScaler(SwsContext*& scaler, TScalerKey& madeFor, const TScalerKey& wanted) {
    if (scaler && madeFor == wanted)
        return scaler;
    sws_freeContext(scaler);
    scaler =
        sws_getContext(wanted.SourceWidth, wanted.SourceHeight, wanted.SourceFormat, wanted.TargetWidth,
                       wanted.TargetHeight, wanted.TargetFormat, wanted.Flags, nullptr, nullptr, nullptr);
    madeFor = scaler ? wanted : TScalerKey{};
    return scaler;
}

void TBitmap24::Resize(int width, int height) {
    Width = std::max(width, 0);
    Height = std::max(height, 0);
    // resize keeps the capacity, so a frame of the same or a smaller size allocates nothing
    Bits.resize(static_cast<size_t>(Stride()) * static_cast<size_t>(Height));
}

FrameBitmapConverter::~FrameBitmapConverter() {
    sws_freeContext(ToRGB);
    sws_freeContext(FromRGB);
}

void ResetConverter(FrameBitmapConverter& c) {
    c.Bitmap = TBitmap24{};
    c.Buffer = std::vector<uint8_t>{};
    sws_freeContext(c.ToRGB);
    c.ToRGB = nullptr;
    sws_freeContext(c.FromRGB);
    c.FromRGB = nullptr;
    c.ToRGBKey = TScalerKey{};
    c.FromRGBKey = TScalerKey{};
    c.TargetFormat = AV_PIX_FMT_BGR24;
    std::fill(std::begin(c.TargetData), std::end(c.TargetData), nullptr);
    std::fill(std::begin(c.TargetLinesize), std::end(c.TargetLinesize), 0);
}

bool FrameToBitmap(FrameBitmapConverter& c, const uint8_t* const data[4], const int linesize[4],
                   AVPixelFormat format, int height, int width) {
    // No scaler exists for an empty picture or a format it cannot read (asking for
    // one aborts inside the scaler), and rows of another pixel size would overrun
    // the bitmap.
    if (width <= 0 || height <= 0 || !isBitmapLayout(c.TargetFormat) || !sws_isSupportedInput(format))
        return false;
    TBitmap24& bitmap = c.Bitmap;
    bitmap.Resize(width, height);
    const int stride = bitmap.Stride();
    // The target picture is the bitmap itself: the scaler writes its rows in place,
    // so no intermediate picture is needed.
    c.TargetData[0] = bitmap.Bits.data();
    c.TargetLinesize[0] = stride;

    const bool direct =
        format == c.TargetFormat && width % 2 == 0 && height % 2 == 0 && linesize[0] == stride;
    if (direct) {
        std::memcpy(bitmap.Bits.data(), data[0], bitmap.Bits.size());
        return true;
    }
    if (!ReuseOrMakeScaler(c.ToRGB, c.ToRGBKey,
                           TScalerKey{width, height, format, width, height, c.TargetFormat, SWS_BICUBIC}))
        return false;
    sws_scale(c.ToRGB, data, linesize, 0, height, c.TargetData, c.TargetLinesize);
    return true;
}
