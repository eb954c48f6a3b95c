#include "preview/Preview.h"

#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"

#include <chrono>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/frame.h>
#include <libavutil/mathematics.h>
}

std::mutex& PreviewLock() {
    static std::mutex lock;
    return lock;
}

int64_t PreviewWallClock() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

TTaskPreview::TTaskPreview(TPreviewClock clock) : clock_(std::move(clock)) {}

TTaskPreview::~TTaskPreview() {
    Release();
}

void TTaskPreview::SetBitmapEvent(TTaskPreviewEvent event) {
    std::lock_guard lock(PreviewLock());
    bitmapEvent_ = std::move(event);
}

void TTaskPreview::SetSurfaceFactory(TPreviewSurfaceFactory factory) {
    std::lock_guard lock(PreviewLock());
    surfaceFactory_ = std::move(factory);
}

void TTaskPreview::SetLogSender(const TFFBaseComponent* sender) {
    std::lock_guard lock(PreviewLock());
    logSender_ = sender;
}

void TTaskPreview::SetFlags(uint8_t flags) {
    std::shared_ptr<TPreviewer> retired;
    {
        std::lock_guard lock(PreviewLock());
        StoreFlagsLocked(flags, retired);
    }
    // Outside the lock: closing runs on the main thread. Closing explicitly (not
    // only dropping the reference) also covers a Show under way on the worker.
    if (retired)
        RunInMainThread([&] { retired->Close(); });
}

void TTaskPreview::SetFlag(uint8_t bit, bool on) {
    std::shared_ptr<TPreviewer> retired;
    {
        std::lock_guard lock(PreviewLock());
        StoreFlagsLocked(static_cast<uint8_t>(on ? flags_ | bit : flags_ & ~bit), retired);
    }
    if (retired)
        RunInMainThread([&] { retired->Close(); });
}

uint8_t TTaskPreview::Flags() const {
    std::lock_guard lock(PreviewLock());
    return flags_;
}

void TTaskPreview::StoreFlagsLocked(uint8_t flags, std::shared_ptr<TPreviewer>& retired) {
    if (flags == flags_)
        return;
    if ((flags_ & PreviewWindowBit) && !(flags & PreviewWindowBit))
        retired = std::move(previewer_);
    flags_ = flags;
    active_.store(flags != 0, std::memory_order_relaxed);
}

void TTaskPreview::Step(const uint8_t* const data[4], const int linesize[4], AVPixelFormat format, int height,
                        int width, int frameNumber, int64_t pts) {
    if (!Active())
        return;
    // Declared before the lock so that they are released after it: the last
    // reference to a previewer closes its window on the main thread.
    std::shared_ptr<TPreviewer> shown;
    std::shared_ptr<TPreviewer> retired;
    TTaskPreviewEvent deliver;
    const TFFBaseComponent* sender = nullptr;
    bool conversionFailed = false;
    {
        std::lock_guard lock(PreviewLock());
        const bool bitmapForm = (flags_ & PreviewBitmapBit) && bitmapEvent_;
        const bool windowForm = !bitmapForm && (flags_ & PreviewWindowBit) && surfaceFactory_;
        if (!bitmapForm && !windowForm)
            return;
        const int64_t now = clock_();
        if (previewed_ && now - lastPreviewTime_ <= MinInterval)
            return;
        previewed_ = true;
        lastPreviewTime_ = now;
        if (!FrameToBitmap(converter_, data, linesize, format, height, width)) {
            conversionFailed = true;
            sender = logSender_;
            StoreFlagsLocked(
                static_cast<uint8_t>(flags_ & ~(bitmapForm ? PreviewBitmapBit : PreviewWindowBit)), retired);
        } else if (bitmapForm) {
            deliver = bitmapEvent_;
        } else {
            if (!previewer_)
                previewer_ = std::make_shared<TPreviewer>(surfaceFactory_);
            shown = previewer_;
        }
    }
    // The rest waits for the main thread, so it runs without PreviewLock: the
    // main thread may want it to change flags meanwhile.
    if (conversionFailed)
        GetLogger().Log(sender, llError, ConversionFailedText);
    if (deliver)
        deliver(converter_.Bitmap, frameNumber, pts);
    if (shown && !shown->Show(converter_.Bitmap, frameNumber, pts)) {
        std::lock_guard lock(PreviewLock());
        // Only when it is still this task's window: the flags may have changed meanwhile.
        if (previewer_ == shown)
            StoreFlagsLocked(static_cast<uint8_t>(flags_ & ~PreviewWindowBit), retired);
    }
}

void TTaskPreview::Step(const AVFrame& picture, const AVCodecContext& encoder, int64_t encodedPts,
                        int frameNumber) {
    if (!Active())
        return;
    const int64_t pts = encodedPts == AV_NOPTS_VALUE
                            ? encodedPts
                            : av_rescale_q(encodedPts, encoder.time_base, AVRational{1, AV_TIME_BASE});
    Step(picture.data, picture.linesize, encoder.pix_fmt, encoder.height, encoder.width, frameNumber, pts);
}

void TTaskPreview::Release() {
    std::shared_ptr<TPreviewer> retired;
    {
        std::lock_guard lock(PreviewLock());
        retired = std::move(previewer_);
        previewed_ = false;
        lastPreviewTime_ = 0;
    }
    ResetConverter(converter_);
}
