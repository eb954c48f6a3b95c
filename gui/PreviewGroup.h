// The preview group of the main window: the black video area, the position
// slider and the six picture buttons. Only the layout for now: the player is
// not attached yet, so the calls the window logic makes here do nothing beyond
// the slider. A player panel takes this widget's place later.
#pragma once

#include <QGroupBox>

class QSlider;
class QToolButton;
class QWidget;

class PreviewGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit PreviewGroup(QWidget* parent = nullptr);

    void StartPreview(const QString& fileName);
    void ClosePreview();
    void ResetSlider();

    QWidget* VideoArea() const { return videoArea_; }

private:
    QWidget* videoArea_;
    QSlider* slider_;
};
