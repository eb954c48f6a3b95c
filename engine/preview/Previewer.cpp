#include "preview/Previewer.h"

#include "media/MainThreadDispatcher.h"
#include "media/TextHelpers.h"

#include <cassert>

TPreviewer::TPreviewer(TPreviewSurfaceFactory factory) : factory_(std::move(factory)) {}

TPreviewer::~TPreviewer() {
    try {
        RunInMainThread([this] { Close(); });
    } catch (...) {
        // Closing a window has nobody to report to.
    }
}

bool TPreviewer::Show(const TBitmap24& picture, int frameNumber, int64_t time) {
    bool open = false;
    RunInMainThread([&] {
        if (closed_ || (surface_ && surface_->Closed())) {
            closed_ = true;
            return;
        }
        picture_ = &picture;
        frameNumber_ = frameNumber;
        time_ = time;
        try {
            Paint();
        } catch (...) {
            // A window that cannot paint counts as closed; the conversion goes on.
            closed_ = true;
        }
        picture_ = nullptr;
        open = !closed_;
    });
    return open;
}

void TPreviewer::Close() {
    assert(IsMainThread());
    closed_ = true;
    surface_.reset();
}

void TPreviewer::Paint() {
    assert(IsMainThread());
    if (closed_ || !picture_)
        return;
    if (!surface_) {
        // The window takes the size of the first picture and keeps it.
        if (factory_)
            surface_ = factory_(picture_->Width, picture_->Height);
        if (!surface_) {
            closed_ = true;
            return;
        }
    }
    surface_->Paint(*picture_, FormatDurationText(time_));
    if (surface_->Closed())
        closed_ = true;
}
