// A task's conversion preview: the latest encoded picture, at most ten a second,
// either handed to the application as a bitmap or shown in a small window.
//
// Each task owns one TTaskPreview. Its video output calls Step for every encoded
// frame that produced data while Active(); releasing the task's engine state
// calls Release.
#pragma once

#include "media/FrameBitmap.h"
#include "preview/PreviewSurface.h"
#include "preview/Previewer.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

extern "C" {
#include <libavutil/pixfmt.h>
}

class TFFBaseComponent;
struct AVCodecContext;
struct AVFrame;

// Process-wide: held around every change of a task's preview flags and around
// the conversion part of every preview step, so one task at a time converts a
// preview picture. Never held while waiting for the main thread.
std::mutex& PreviewLock();

// Task preview flags.
constexpr uint8_t PreviewWindowBit = 1; // show the picture in the task's window
constexpr uint8_t PreviewBitmapBit = 2; // hand the picture to the bitmap event (wins over the window)

// The task's preview-bitmap event: the picture as a 24-bit bitmap (valid during
// the call only), the task's frame counter and the picture's time in µs.
using TTaskPreviewEvent = std::function<void(const TBitmap24& bitmap, int frameNumber, int64_t pts)>;
// Microseconds of wall-clock time.
using TPreviewClock = std::function<int64_t()>;
int64_t PreviewWallClock();

class TTaskPreview {
public:
    static constexpr int64_t MinInterval = 100000; // µs between two pictures of a task
    static constexpr const char* ConversionFailedText = "Cannot initialize the toRGB conversion context";

    explicit TTaskPreview(TPreviewClock clock = PreviewWallClock);
    // Release.
    ~TTaskPreview();
    TTaskPreview(const TTaskPreview&) = delete;
    TTaskPreview& operator=(const TTaskPreview&) = delete;

    // Connections, made while the task is built (they may change later).
    void SetBitmapEvent(TTaskPreviewEvent event);
    void SetSurfaceFactory(TPreviewSurfaceFactory factory);
    void SetLogSender(const TFFBaseComponent* sender);

    // Any thread that holds neither PreviewLock nor a lock the main thread
    // takes. Clearing the window bit closes the task's window at once; setting
    // the same value does nothing.
    void SetFlags(uint8_t flags);
    void SetFlag(uint8_t bit, bool on);
    uint8_t Flags() const;
    // Whether Step can do anything: cheap, for every encoded frame.
    bool Active() const { return active_.load(std::memory_order_relaxed); }

    // The task's run thread, for every encoded frame that produced data. Converts
    // the picture when the last preview is more than MinInterval old, then hands
    // it to the bitmap event or shows it in the window (without a surface factory
    // the window form does nothing). A failed conversion logs ConversionFailedText
    // and turns that form off for the task; the conversion goes on.
    void Step(const uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int height,
              int width, int frameNumber, int64_t pts);
    // The same for an encoder's input picture; `encodedPts` is the encoded
    // frame's time in the encoder's time base.
    void Step(const AVFrame& picture, const AVCodecContext& encoder, int64_t encodedPts, int frameNumber);

    // End of the run (task release): frees the converter and closes the window;
    // the next picture is previewed at once. The flags stay. Run thread or owner.
    void Release();

private:
    void StoreFlagsLocked(uint8_t flags, std::shared_ptr<TPreviewer>& retired);

    const TPreviewClock clock_;
    std::atomic<bool> active_{false}; // mirrors flags_ != 0

    // guarded by PreviewLock()
    uint8_t flags_ = 0;
    TTaskPreviewEvent bitmapEvent_;
    TPreviewSurfaceFactory surfaceFactory_;
    const TFFBaseComponent* logSender_ = nullptr;
    // Shared with a Show under way outside the lock; the last owner closes the window.
    std::shared_ptr<TPreviewer> previewer_;
    bool previewed_ = false;      // a picture went out since the start or the last Release
    int64_t lastPreviewTime_ = 0; // µs, clock_

    // The run thread's own (also used under PreviewLock while converting).
    FrameBitmapConverter converter_;
};
