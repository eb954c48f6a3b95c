#include "gui/PreviewGroup.h"

#include <QHBoxLayout>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

struct TPreviewButton {
    QStyle::StandardPixmap Picture;
    const char* Hint;
};

constexpr TPreviewButton LeftButtons[] = {
    {QStyle::SP_MediaPlay, "播放"}, {QStyle::SP_MediaPause, "暂停"}, {QStyle::SP_MediaStop, "停止"}};
constexpr TPreviewButton RightButtons[] = {{QStyle::SP_MediaVolume, "声音/静音"},
                                           {QStyle::SP_DialogSaveButton, "捕捉快照"},
                                           {QStyle::SP_FileDialogDetailedView, "快照设置"}};

QToolButton* MakeButton(QWidget* parent, const TPreviewButton& spec) {
    auto* button = new QToolButton(parent);
    button->setIcon(parent->style()->standardIcon(spec.Picture));
    button->setToolTip(QString::fromUtf8(spec.Hint));
    button->setAutoRaise(true);
    button->setFixedSize(28, 24);
    return button;
}

} // namespace

PreviewGroup::PreviewGroup(QWidget* parent) : QGroupBox(parent) {
    setObjectName(QStringLiteral("previewGroup"));
    videoArea_ = new QWidget(this);
    videoArea_->setObjectName(QStringLiteral("videoArea"));
    videoArea_->setFixedSize(313, 190);
    videoArea_->setAutoFillBackground(true);
    QPalette black = videoArea_->palette();
    black.setColor(QPalette::Window, Qt::black);
    videoArea_->setPalette(black);

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("previewSlider"));
    slider_->setRange(0, 1000);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(2);
    for (const TPreviewButton& spec : LeftButtons)
        buttons->addWidget(MakeButton(this, spec));
    buttons->addStretch();
    for (const TPreviewButton& spec : RightButtons)
        buttons->addWidget(MakeButton(this, spec));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(7, 7, 7, 5);
    layout->setSpacing(4);
    layout->addWidget(videoArea_);
    layout->addWidget(slider_);
    layout->addLayout(buttons);
    layout->addStretch();
}

void PreviewGroup::StartPreview(const QString&) {}

void PreviewGroup::ClosePreview() {
    ResetSlider();
}

void PreviewGroup::ResetSlider() {
    slider_->setValue(0);
}
