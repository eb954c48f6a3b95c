// The arithmetic of drawing: where a picture goes in the window, how a subtitle
// is blended into a picture, and what the waveform looks like.
#pragma once

#include "player/Display.h"

#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/rational.h>
}

struct AVSubtitleRect;
struct YuvOverlay;

// The aspect a picture is shown with: the window's own (aspectSetting < 0), a
// forced one (> 0), or the picture's (pixel aspect × width ÷ height).
double DisplayAspect(float aspectSetting, int windowWidth, int windowHeight, int pictureWidth,
                     int pictureHeight, AVRational pixelAspect);
// The largest rectangle of that aspect in the window (even sizes), centred.
TDisplayRect FitPicture(double aspect, int windowWidth, int windowHeight);

// Blends a bitmap subtitle rectangle (palette already in AYUV) into the picture,
// clipped to it.
void BlendSubtitleRect(YuvOverlay& picture, const AVSubtitleRect& rect);

// Waveform: the ring index where a stable-looking trace starts, searching the
// `searchSamples` samples before `start` (stepping by channels).
constexpr int WaveformSearchSamples = 1000;
int FindWaveformStart(const int16_t* ring, int ringSize, int start, int channels);
// The white rectangles of an oscilloscope picture of `channels` interleaved
// channels starting at ring index `start`, one sample per pixel column; into
// `shapes`, whose memory is reused from one drawing to the next.
void WaveformShapes(const int16_t* ring, int ringSize, int start, int channels, int width, int height,
                    std::vector<TDisplayRect>& shapes);
