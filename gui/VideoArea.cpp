#include "gui/VideoArea.h"

#include "gui/QtPlayerDisplay.h"

#include <QGuiApplication>
#include <QPainter>

namespace {

bool platformHasForeignWindows() {
    return QGuiApplication::platformName() == QStringLiteral("xcb");
}

} // namespace

VideoArea::VideoArea(Mode mode, QWidget* parent) : QWidget(parent) {
    native_ = mode == Mode::NativeWindow || (mode == Mode::Auto && platformHasForeignWindows());
    setAutoFillBackground(false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    if (native_) {
        // Only this widget gets a native window; its neighbours stay Qt-drawn.
        QCoreApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
        setAttribute(Qt::WA_NativeWindow);
        setAttribute(Qt::WA_NoSystemBackground);
    } else {
        display_ = std::make_unique<QtPlayerDisplay>([this] {
            // One repaint request in flight at most: a busy main thread gets one
            // event for many pictures, and paints the newest.
            if (repaintPosted_.exchange(true))
                return;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    repaintPosted_ = false;
                    update();
                },
                Qt::QueuedConnection);
        });
    }
}

VideoArea::~VideoArea() = default;

uintptr_t VideoArea::BeginPlayback() {
    if (!native_)
        return 0;
    // While SDL draws into the window, Qt must not paint over it.
    playing_ = true;
    setAttribute(Qt::WA_PaintOnScreen, true);
    return static_cast<uintptr_t>(winId());
}

void VideoArea::EndPlayback() {
    if (native_) {
        playing_ = false;
        setAttribute(Qt::WA_PaintOnScreen, false);
    } else {
        display_->Clear();
    }
    update();
}

QPaintEngine* VideoArea::paintEngine() const {
    return playing_ ? nullptr : QWidget::paintEngine();
}

void VideoArea::paintEvent(QPaintEvent*) {
    if (playing_)
        return; // the player presents its picture again on expose
    QPainter painter(this);
    if (display_)
        display_->Paint(painter, rect());
    else
        painter.fillRect(rect(), Qt::black);
}
