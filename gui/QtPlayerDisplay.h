// The player's surface drawn with Qt: the play thread converts each picture to
// RGB into a back image and swaps it to the front; the widget paints the front
// image fitted into whatever size it has at that moment, so resizing and
// uncovering need nothing from the player and never show a stale frame.
#pragma once

#include "media/FrameBitmap.h"
#include "player/Display.h"

#include <QImage>
#include <functional>
#include <mutex>

class QPainter;
class QRect;

class QtPlayerDisplay : public TPlayerDisplay {
public:
    // `pictureReady` runs on the play thread after each new picture; it must
    // only post a repaint.
    explicit QtPlayerDisplay(std::function<void()> pictureReady);
    ~QtPlayerDisplay() override;

    // TPlayerDisplay: the player's event-loop thread.
    bool SetMode(int width, int height) override;
    bool HasSurface() const override { return hasSurface_; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void ShowPicture(const YuvOverlay& picture, const TDisplayRect& rect) override;
    void ShowShapes(const std::vector<TDisplayRect>& white) override;
    std::string Error() const override { return {}; }
    // Keeps the picture: the next playback's first picture replaces it, and
    // Clear makes the area black when no playback follows.
    void PlaybackEnded() override { hasSurface_ = false; }

    // Main thread. Paints `area` black with the current picture fitted into it.
    void Paint(QPainter& painter, const QRect& area);
    // Main thread, after the playback has closed: forget the picture.
    void Clear();
    // Main thread; for tests: the current picture (null when there is none).
    QImage CurrentPicture() const;

private:
    void present(double aspect);

    std::function<void()> pictureReady_;
    // Play thread only.
    bool hasSurface_ = false;
    int width_ = 0;
    int height_ = 0;
    QImage back_;
    FrameBitmapConverter converter_; // its scaler, made once per picture size
    // The shown picture and its display aspect.
    mutable std::mutex frontLock_;
    QImage front_;          // guarded by frontLock_
    double aspect_ = 0;     // guarded by frontLock_
    bool hasFront_ = false; // guarded by frontLock_
};
