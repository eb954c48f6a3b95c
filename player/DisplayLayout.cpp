#include "player/DisplayLayout.h"

#include "player/PlaybackState.h"

#include <algorithm>
#include <climits>
#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

int alphaBlend(int alpha, int oldValue, int newValue, int shift) {
    return ((oldValue << shift) * (255 - alpha) + newValue * alpha) / (255 << shift);
}

} // namespace

double DisplayAspect(float aspectSetting, int windowWidth, int windowHeight, int pictureWidth,
                     int pictureHeight, AVRational pixelAspect) {
    if (aspectSetting < 0 && windowWidth > 0 && windowHeight > 0)
        return static_cast<double>(windowWidth) / windowHeight;
    if (aspectSetting > 0)
        return aspectSetting;
    double pixel = pixelAspect.num > 0 && pixelAspect.den > 0 ? av_q2d(pixelAspect) : 1.0;
    if (pixel <= 0)
        pixel = 1.0;
    return pictureHeight > 0 ? pixel * pictureWidth / pictureHeight : 1.0;
}

TDisplayRect FitPicture(double aspect, int windowWidth, int windowHeight) {
    int height = windowHeight;
    int width = static_cast<int>(std::lrint(height * aspect)) & ~1;
    if (width > windowWidth) {
        width = windowWidth;
        height = static_cast<int>(std::lrint(width / aspect)) & ~1;
    }
    return TDisplayRect{(windowWidth - width) / 2, (windowHeight - height) / 2, width, height};
}

void BlendSubtitleRect(YuvOverlay& picture, const AVSubtitleRect& rect) {
    if (!rect.data[0] || !rect.data[1])
        return;
    const auto* palette = reinterpret_cast<const uint32_t*>(rect.data[1]);
    const int x0 = std::max(rect.x, 0);
    const int y0 = std::max(rect.y, 0);
    const int x1 = std::min(rect.x + rect.w, picture.Width);
    const int y1 = std::min(rect.y + rect.h, picture.Height);
    if (x0 >= x1 || y0 >= y1)
        return;
    auto colourAt = [&](int x, int y) {
        const uint8_t index = rect.data[0][(y - rect.y) * rect.linesize[0] + (x - rect.x)];
        return index < rect.nb_colors ? palette[index] : 0u;
    };

    for (int y = y0; y < y1; ++y) {
        uint8_t* luma = picture.Planes[0] + static_cast<size_t>(y) * picture.Pitches[0];
        for (int x = x0; x < x1; ++x) {
            const uint32_t c = colourAt(x, y);
            luma[x] = static_cast<uint8_t>(alphaBlend(c >> 24, luma[x], (c >> 16) & 0xff, 0));
        }
    }
    // Each chroma sample covers 2 × 2 pixels; at the edges of the rectangle only
    // the covered ones count.
    for (int cy = y0 / 2; cy <= (y1 - 1) / 2; ++cy) {
        uint8_t* cb = picture.Planes[1] + static_cast<size_t>(cy) * picture.Pitches[1];
        uint8_t* cr = picture.Planes[2] + static_cast<size_t>(cy) * picture.Pitches[2];
        for (int cx = x0 / 2; cx <= (x1 - 1) / 2; ++cx) {
            int count = 0, alphaSum = 0, uSum = 0, vSum = 0;
            for (int y = 2 * cy; y < 2 * cy + 2; ++y) {
                for (int x = 2 * cx; x < 2 * cx + 2; ++x) {
                    if (x < x0 || x >= x1 || y < y0 || y >= y1)
                        continue;
                    const uint32_t c = colourAt(x, y);
                    ++count;
                    alphaSum += static_cast<int>(c >> 24);
                    uSum += static_cast<int>((c >> 8) & 0xff);
                    vSum += static_cast<int>(c & 0xff);
                }
            }
            const int shift = count == 4 ? 2 : count == 2 ? 1 : 0;
            if (count == 3) {
                // Only at a clipped corner; blend as a full block of the average.
                alphaSum = alphaSum * 4 / 3;
                uSum = uSum * 4 / 3;
                vSum = vSum * 4 / 3;
            }
            const int shiftUsed = count == 3 ? 2 : shift;
            const int alpha = alphaSum >> shiftUsed;
            cb[cx] = static_cast<uint8_t>(alphaBlend(alpha, cb[cx], uSum, shiftUsed));
            cr[cx] = static_cast<uint8_t>(alphaBlend(alpha, cr[cx], vSum, shiftUsed));
        }
    }
}

int FindWaveformStart(const int16_t* ring, int ringSize, int start, int channels) {
    int best = INT_MIN;
    int chosen = start;
    for (int i = 0; i < WaveformSearchSamples; i += channels) {
        const int index = ((start - i) % ringSize + ringSize) % ringSize;
        const int a = ring[index];
        const int b = ring[(index + 4 * channels) % ringSize];
        const int c = ring[(index + 5 * channels) % ringSize];
        const int d = ring[(index + 9 * channels) % ringSize];
        const int score = a - d;
        if (score > best && (b ^ c) < 0) {
            best = score;
            chosen = index;
        }
    }
    return chosen;
}

void WaveformShapes(const int16_t* ring, int ringSize, int start, int channels, int width, int height,
                    std::vector<TDisplayRect>& shapes) {
    shapes.clear();
    if (channels <= 0 || width <= 0 || height <= 0)
        return;
    shapes.reserve(static_cast<size_t>(width) * channels + channels);
    const int band = height / channels;
    const int scale = band * 9 / 20;
    for (int ch = 0; ch < channels; ++ch) {
        const int centre = ch * band + band / 2;
        int index = (start + ch) % ringSize;
        for (int x = 0; x < width; ++x) {
            const int v = (ring[index] * scale) >> 15;
            if (v > 0)
                shapes.push_back({x, centre, 1, v});
            else if (v < 0)
                shapes.push_back({x, centre + v, 1, -v});
            index = (index + channels) % ringSize;
        }
    }
    for (int ch = 1; ch < channels; ++ch)
        shapes.push_back({0, ch * band, width, 1});
}
