// Picture subtitles (DVD, DVB, Blu-ray pictures) drawn into decoded video
// pictures: the subtitle on screen is kept until its end or the next one,
// and each picture shown meanwhile gets its bitmaps blended in, scaled from
// the subtitle's canvas to the picture. Run thread only.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

struct AVFrame;

class TPictureSubtitleBurn {
public:
    TPictureSubtitleBurn() = default;
    TPictureSubtitleBurn(const TPictureSubtitleBurn&) = delete;
    TPictureSubtitleBurn& operator=(const TPictureSubtitleBurn&) = delete;
    ~TPictureSubtitleBurn();

    // Forgets the subtitle held (start of a run).
    void Reset();
    // Takes over `subtitle` (left empty), which replaces the one held; its
    // bitmaps are placed on a canvas of `canvasWidth` x `canvasHeight`
    // (0: the picture's own size).
    void Take(AVSubtitle& subtitle, int canvasWidth, int canvasHeight);
    // Whether a subtitle is on screen at `time` (µs).
    bool Showing(int64_t time) const;
    // Blends the subtitle on screen at `time` into `picture`, which must be
    // writable. Raises FFmpegException for pictures that are not 8-bit planar YUV.
    void Draw(AVFrame& picture, int64_t time) const;

private:
    using TYuva = std::array<uint8_t, 4>;

    AVSubtitle held_{};
    bool holding_ = false;
    int64_t start_ = 0; // µs
    int64_t end_ = 0;   // µs; INT64_MAX: until the next subtitle
    int canvasWidth_ = 0;
    int canvasHeight_ = 0;
    std::vector<std::vector<TYuva>> palettes_; // per rectangle, its colours in YUV with alpha
};
