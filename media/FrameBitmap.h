// Decoded pictures as 24-bit BGR bitmaps, shared by the engine's hook and preview,
// the probe and the player's snapshots.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

struct SwsContext;

// Top-down rows of B, G, R bytes; each row padded to a multiple of 4 bytes.
struct TBitmap24 {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Bits;

    int Stride() const { return (Width * 3 + 3) & ~3; }
    uint8_t* Row(int y) { return Bits.data() + static_cast<size_t>(y) * Stride(); }
    const uint8_t* Row(int y) const { return Bits.data() + static_cast<size_t>(y) * Stride(); }
    // Sets the size; keeps the allocation when it is large enough.
    void Resize(int width, int height);
};

// What a scaler was made for. The scaler adds flags of its own while it starts
// (full chroma interpolation for packed RGB and odd widths), so the library's
// cached-context check misses on every call for such pictures; comparing what we
// asked for instead lets the scaler really be reused.
struct TScalerKey {
    int SourceWidth = 0;
    int SourceHeight = 0;
    AVPixelFormat SourceFormat = AV_PIX_FMT_NONE;
    int TargetWidth = 0;
    int TargetHeight = 0;
    AVPixelFormat TargetFormat = AV_PIX_FMT_NONE;
    int Flags = 0;
    bool operator==(const TScalerKey&) const = default;
};

// Keeps `scaler` when it was made for `wanted`, else replaces it (freeing the old
// one). Returns the scaler, or null (with `scaler` null) when none can be made.
SwsContext* ReuseOrMakeScaler(SwsContext*& scaler, TScalerKey& madeFor, const TScalerKey& wanted);

// Converts pictures into one bitmap; owned by one user and not shared between threads.
struct FrameBitmapConverter {
    AVPixelFormat TargetFormat = AV_PIX_FMT_BGR24;
    TBitmap24 Bitmap;
    std::vector<uint8_t> Buffer; // scratch for users; FrameToBitmap scales straight into Bitmap
    uint8_t* TargetData[4] = {}; // after FrameToBitmap: Bitmap's rows and row size
    int TargetLinesize[4] = {};
    SwsContext* ToRGB = nullptr;
    SwsContext* FromRGB = nullptr; // used by the player's frame hook
    TScalerKey ToRGBKey;           // what ToRGB was made for
    TScalerKey FromRGBKey;         // what FromRGB was made for, when made with ReuseOrMakeScaler

    FrameBitmapConverter() = default;
    FrameBitmapConverter(const FrameBitmapConverter&) = delete;
    FrameBitmapConverter& operator=(const FrameBitmapConverter&) = delete;
    ~FrameBitmapConverter();
};

void ResetConverter(FrameBitmapConverter& c);
// Fills c.Bitmap from a picture. Copies directly when the picture already has the
// bitmap's format, even sides and the bitmap's row size; otherwise converts with a
// cached bicubic scaler. Nothing is allocated while the size stays the same.
// False when no scaler can be made (also for an empty picture or an unreadable format).
bool FrameToBitmap(FrameBitmapConverter& c, const uint8_t* const data[4], const int linesize[4],
                   AVPixelFormat format, int height, int width);
