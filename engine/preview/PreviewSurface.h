// The on-screen side of a task's conversion preview window. The engine has no
// GUI: the desktop program supplies surfaces through a factory; without one the
// window form of the preview shows nothing.
#pragma once

#include "media/FrameBitmap.h"

#include <functional>
#include <memory>
#include <string>

// One small window that stays on top of the others, shows the latest encoded
// picture of one task with its time as the caption, can be dragged by its
// picture and can be closed by the user. Created, used and destroyed on the
// main thread only; destroying it closes the window.
class TPreviewSurface {
public:
    virtual ~TPreviewSurface() = default;
    // Draws `picture` at the top-left corner and sets the caption. The picture is
    // valid during the call only. The window keeps the size it was created with.
    virtual void Paint(const TBitmap24& picture, const std::string& caption) = 0;
    // True once the user has closed the window; the engine then stops previewing
    // this task and destroys the surface.
    virtual bool Closed() const = 0;
};

// Main thread. Creates (and shows, centred) a surface whose client area is
// width x height; may return null when no window can be made.
using TPreviewSurfaceFactory = std::function<std::unique_ptr<TPreviewSurface>(int width, int height)>;
