// The window form of one task's conversion preview.
#pragma once

#include "media/FrameBitmap.h"
#include "preview/PreviewSurface.h"

#include <cstdint>
#include <memory>

// Shows a task's latest encoded picture in a surface made on its first picture.
// Created and shown from the task's run thread; everything that touches the
// surface runs on the main thread, and the calling thread waits for it. So the
// caller must hold no lock the main thread may take (PreviewLock in particular)
// around Show and around the destruction.
class TPreviewer {
public:
    explicit TPreviewer(TPreviewSurfaceFactory factory);
    // Closes the window on the main thread.
    ~TPreviewer();
    TPreviewer(const TPreviewer&) = delete;
    TPreviewer& operator=(const TPreviewer&) = delete;

    // Paints `picture` (valid during the call) with the caption `time` as text.
    // False once the window has been closed, by the user or by Close; then
    // nothing is painted.
    bool Show(const TBitmap24& picture, int frameNumber, int64_t time);
    // Main thread: closes the window now; later Shows answer false.
    void Close();

private:
    void Paint(); // main thread

    const TPreviewSurfaceFactory factory_;
    // Main thread only (Show hands its work there):
    std::unique_ptr<TPreviewSurface> surface_;
    bool closed_ = false;
    const TBitmap24* picture_ = nullptr; // not owned; set for the length of one paint
    int frameNumber_ = 0;
    int64_t time_ = 0;
};
