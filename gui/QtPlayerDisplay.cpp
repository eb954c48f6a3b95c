// Before any Qt header: the player's state names a parameter "signals", a Qt keyword macro.
#include "player/PlaybackState.h"

#include "gui/QtPlayerDisplay.h"

#include <QPainter>
#include <QRect>
#include <utility>

extern "C" {
#include <libswscale/swscale.h>
}

QtPlayerDisplay::QtPlayerDisplay(std::function<void()> pictureReady)
    : pictureReady_(std::move(pictureReady)) {}

QtPlayerDisplay::~QtPlayerDisplay() = default;

bool QtPlayerDisplay::SetMode(int width, int height) {
    width_ = width;
    height_ = height;
    hasSurface_ = true;
    return true;
}

void QtPlayerDisplay::ShowPicture(const YuvOverlay& picture, const TDisplayRect& rect) {
    if (picture.Width <= 0 || picture.Height <= 0 || rect.W <= 0 || rect.H <= 0)
        return;
    if (back_.width() != picture.Width || back_.height() != picture.Height)
        back_ = QImage(picture.Width, picture.Height, QImage::Format_RGB32);
    // Same size: colour conversion only; the picture is scaled when painted.
    const TScalerKey wanted{picture.Width,  picture.Height,   AV_PIX_FMT_YUV420P, picture.Width,
                            picture.Height, AV_PIX_FMT_RGB32, SWS_BILINEAR};
    SwsContext* scaler = ReuseOrMakeScaler(converter_.ToRGB, converter_.ToRGBKey, wanted);
    if (!scaler)
        return;
    uint8_t* target[4] = {back_.bits(), nullptr, nullptr, nullptr};
    const int targetStride[4] = {static_cast<int>(back_.bytesPerLine()), 0, 0, 0};
    sws_scale(scaler, picture.Planes, picture.Pitches, 0, picture.Height, target, targetStride);
    present(static_cast<double>(rect.W) / rect.H);
}

void QtPlayerDisplay::ShowShapes(const std::vector<TDisplayRect>& white) {
    if (width_ <= 0 || height_ <= 0)
        return;
    if (back_.width() != width_ || back_.height() != height_)
        back_ = QImage(width_, height_, QImage::Format_RGB32);
    back_.fill(Qt::black);
    {
        QPainter painter(&back_);
        for (const auto& r : white)
            painter.fillRect(r.X, r.Y, r.W, r.H, Qt::white);
    }
    present(static_cast<double>(width_) / height_);
}

void QtPlayerDisplay::present(double aspect) {
    {
        std::lock_guard lock(frontLock_);
        std::swap(front_, back_);
        aspect_ = aspect;
        hasFront_ = true;
    }
    if (pictureReady_)
        pictureReady_();
}

void QtPlayerDisplay::Paint(QPainter& painter, const QRect& area) {
    painter.fillRect(area, Qt::black);
    std::lock_guard lock(frontLock_);
    if (!hasFront_ || front_.isNull() || area.isEmpty())
        return;
    // The largest rectangle of the picture's aspect, centred.
    int w = area.width();
    int h = static_cast<int>(w / aspect_ + 0.5);
    if (h > area.height()) {
        h = area.height();
        w = static_cast<int>(h * aspect_ + 0.5);
    }
    const QRect target(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, front_);
}

void QtPlayerDisplay::Clear() {
    std::lock_guard lock(frontLock_);
    hasFront_ = false;
}

QImage QtPlayerDisplay::CurrentPicture() const {
    std::lock_guard lock(frontLock_);
    return hasFront_ ? front_.copy() : QImage();
}
