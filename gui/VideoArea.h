// The black area the preview plays in. On X11 the player's SDL surface lives
// in the area's own native window; elsewhere (Wayland, offscreen) the area
// paints the pictures of a Qt display of the player.
#pragma once

#include <QWidget>
#include <atomic>
#include <cstdint>
#include <memory>

class QtPlayerDisplay;

class VideoArea : public QWidget {
    Q_OBJECT
public:
    enum class Mode { Auto, NativeWindow, Drawn };

    // Auto: a native window where the platform is X11, drawn pictures elsewhere.
    explicit VideoArea(Mode mode, QWidget* parent = nullptr);
    ~VideoArea() override;

    bool UsesNativeWindow() const { return native_; }
    // The display to set on the player in drawn mode; null with a native window.
    QtPlayerDisplay* Display() const { return display_.get(); }
    // Called right before the player opens into the area: the native window
    // id (Qt stops painting over the player's pictures), or 0 in drawn mode.
    uintptr_t BeginPlayback();
    // The player has closed: back to plain black.
    void EndPlayback();

    void SetPreferredSize(QSize size) { preferred_ = size; }
    QSize sizeHint() const override { return preferred_; }
    QSize minimumSizeHint() const override { return preferred_ / 4; }

    QPaintEngine* paintEngine() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool native_ = false;
    bool playing_ = false; // a native window shows the player's pictures
    std::unique_ptr<QtPlayerDisplay> display_;
    std::atomic<bool> repaintPosted_{false}; // set by the play thread, cleared on the main thread
    QSize preferred_;
};
