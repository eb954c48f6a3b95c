#include "loop/SubtitleBurn.h"

#include "engine/FFmpegException.h"
#include "engine/FormatText.h"

#include <limits>
#include <utility>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

namespace {

constexpr int64_t UntilNext = std::numeric_limits<int64_t>::max();
constexpr int64_t MicrosecondsPerMillisecond = 1000;
constexpr unsigned UnknownEnd = std::numeric_limits<uint32_t>::max();

// A palette entry (ARGB in native order) in studio-range BT.601 YUV with its alpha.
std::array<uint8_t, 4> ToYuva(uint32_t argb) {
    const int a = static_cast<int>(argb >> 24);
    const int r = static_cast<int>((argb >> 16) & 0xFF);
    const int g = static_cast<int>((argb >> 8) & 0xFF);
    const int b = static_cast<int>(argb & 0xFF);
    const int y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
    const int u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
    const int v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
    return {static_cast<uint8_t>(y), static_cast<uint8_t>(u), static_cast<uint8_t>(v),
            static_cast<uint8_t>(a)};
}

uint8_t Blend(uint8_t under, uint8_t over, int alpha) {
    return static_cast<uint8_t>((under * (255 - alpha) + over * alpha + 127) / 255);
}

bool DrawableFormat(const AVPixFmtDescriptor* desc) {
    return desc && (desc->flags & AV_PIX_FMT_FLAG_PLANAR) &&
           !(desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BITSTREAM |
                            AV_PIX_FMT_FLAG_HWACCEL)) &&
           desc->nb_components >= 3 && desc->comp[0].depth == 8 && desc->comp[1].depth == 8 &&
           desc->comp[2].depth == 8;
}

} // namespace

TPictureSubtitleBurn::~TPictureSubtitleBurn() {
    Reset();
}

void TPictureSubtitleBurn::Reset() {
    if (holding_)
        avsubtitle_free(&held_);
    held_ = AVSubtitle{};
    holding_ = false;
    palettes_.clear();
}

void TPictureSubtitleBurn::Take(AVSubtitle& subtitle, int canvasWidth, int canvasHeight) {
    Reset();
    std::swap(held_, subtitle);
    holding_ = true;
    canvasWidth_ = canvasWidth;
    canvasHeight_ = canvasHeight;
    const int64_t pts = held_.pts == AV_NOPTS_VALUE ? 0 : held_.pts;
    start_ = pts + held_.start_display_time * MicrosecondsPerMillisecond;
    end_ = held_.end_display_time > held_.start_display_time && held_.end_display_time != UnknownEnd
               ? pts + held_.end_display_time * MicrosecondsPerMillisecond
               : UntilNext;
    for (unsigned i = 0; i < held_.num_rects; ++i) {
        const AVSubtitleRect* rect = held_.rects[i];
        std::vector<TYuva> palette;
        if (rect->type == SUBTITLE_BITMAP && rect->data[1]) {
            const auto* colours = reinterpret_cast<const uint32_t*>(rect->data[1]);
            for (int c = 0; c < rect->nb_colors; ++c)
                palette.push_back(ToYuva(colours[c]));
        }
        palettes_.push_back(std::move(palette));
    }
}

bool TPictureSubtitleBurn::Showing(int64_t time) const {
    return holding_ && held_.num_rects > 0 && time >= start_ && time < end_;
}

void TPictureSubtitleBurn::Draw(AVFrame& picture, int64_t time) const {
    if (!Showing(time))
        return;
    const auto format = static_cast<AVPixelFormat>(picture.format);
    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
    if (!DrawableFormat(desc)) {
        const char* name = av_get_pix_fmt_name(format);
        throw FFmpegException(
            FormatText("Picture subtitles cannot be drawn on %s pictures", name ? name : "unknown"));
    }
    const int canvasWidth = canvasWidth_ > 0 ? canvasWidth_ : picture.width;
    const int canvasHeight = canvasHeight_ > 0 ? canvasHeight_ : picture.height;
    const int chromaW = desc->log2_chroma_w;
    const int chromaH = desc->log2_chroma_h;
    for (unsigned i = 0; i < held_.num_rects; ++i) {
        const AVSubtitleRect* rect = held_.rects[i];
        const std::vector<TYuva>& palette = palettes_[i];
        if (rect->type != SUBTITLE_BITMAP || palette.empty() || rect->w <= 0 || rect->h <= 0)
            continue;
        // The rectangle on the picture, scaled from the canvas.
        const int x0 = static_cast<int>(int64_t{rect->x} * picture.width / canvasWidth);
        const int y0 = static_cast<int>(int64_t{rect->y} * picture.height / canvasHeight);
        const int x1 = static_cast<int>(int64_t{rect->x + rect->w} * picture.width / canvasWidth);
        const int y1 = static_cast<int>(int64_t{rect->y + rect->h} * picture.height / canvasHeight);
        for (int y = std::max(0, y0); y < std::min(picture.height, y1); ++y) {
            const int sy = std::min(rect->h - 1, static_cast<int>(int64_t{y - y0} * rect->h / (y1 - y0)));
            const uint8_t* indices = rect->data[0] + static_cast<ptrdiff_t>(sy) * rect->linesize[0];
            uint8_t* luma = picture.data[0] + static_cast<ptrdiff_t>(y) * picture.linesize[0];
            const bool chromaRow = (y & ((1 << chromaH) - 1)) == 0;
            uint8_t* cb = picture.data[1] + static_cast<ptrdiff_t>(y >> chromaH) * picture.linesize[1];
            uint8_t* cr = picture.data[2] + static_cast<ptrdiff_t>(y >> chromaH) * picture.linesize[2];
            for (int x = std::max(0, x0); x < std::min(picture.width, x1); ++x) {
                const int sx = std::min(rect->w - 1, static_cast<int>(int64_t{x - x0} * rect->w / (x1 - x0)));
                const uint8_t index = indices[sx];
                if (index >= palette.size())
                    continue;
                const TYuva& colour = palette[index];
                const int alpha = colour[3];
                if (alpha == 0)
                    continue;
                luma[x] = Blend(luma[x], colour[0], alpha);
                if (chromaRow && (x & ((1 << chromaW) - 1)) == 0) {
                    cb[x >> chromaW] = Blend(cb[x >> chromaW], colour[1], alpha);
                    cr[x >> chromaW] = Blend(cr[x >> chromaW], colour[2], alpha);
                }
            }
        }
    }
}
