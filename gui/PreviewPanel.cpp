#include "gui/PreviewPanel.h"

#include "gui/QtPlayerDisplay.h"
#include "gui/UiText.h"
#include "player/Player.h"
#include "profiles/Translation.h"

#include <QActionGroup>
#include <QCursor>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int VideoWidth = 313;
constexpr int VideoHeight = 190;

} // namespace

PreviewPanel::PreviewPanel(TCustomPlayer& player, TPreviewServices services, const QString& programFolder,
                           VideoArea::Mode mode, QWidget* parent)
    : QWidget(parent), player_(player) {
    area_ = new VideoArea(mode, this);
    // The usual size; the area takes what the window's layout leaves, and the
    // picture keeps its aspect inside it.
    area_->SetPreferredSize(QSize(VideoWidth, VideoHeight));
    area_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    if (area_->Display())
        player_.SetCustomDisplay(area_->Display());

    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setRange(0, 0);
    slider_->installEventFilter(this);

    play_ = makeButton(UiText(VT_TR("播放")));
    pause_ = makeButton(UiText(VT_TR("暂停")));
    stop_ = makeButton(UiText(VT_TR("停止")));
    sound_ = makeButton(UiText(VT_TR("声音/静音")));
    snapshot_ = makeButton(UiText(VT_TR("捕捉快照")));
    settings_ = makeButton(UiText(VT_TR("快照设置")));
    drawPictures();
    buildSnapshotMenu();

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(2);
    buttons->addWidget(play_);
    buttons->addWidget(pause_);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    buttons->addWidget(sound_);
    buttons->addWidget(snapshot_);
    buttons->addWidget(settings_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(area_, 1);
    layout->addWidget(slider_);
    layout->addLayout(buttons);

    logic_ = std::make_unique<TPreviewPanelLogic>(player_, static_cast<IPreviewView&>(*this),
                                                  std::move(services), programFolder.toStdString());

    connect(play_, &QToolButton::clicked, this, [this] { logic_->Play(); });
    connect(pause_, &QToolButton::clicked, this, [this] { logic_->Pause(); });
    connect(stop_, &QToolButton::clicked, this, [this] { logic_->Stop(); });
    connect(sound_, &QToolButton::clicked, this, [this] { logic_->ToggleMute(); });
    connect(snapshot_, &QToolButton::clicked, this, [this] { logic_->TakeSnapshot(); });
    settings_->installEventFilter(this); // any press reads the type; the left one opens the menu
}

PreviewPanel::~PreviewPanel() {
    // The player stops drawing before the area (its display or native window) goes.
    logic_.reset();
    if (player_.CustomDisplay() == area_->Display())
        player_.SetCustomDisplay(nullptr);
}

QToolButton* PreviewPanel::makeButton(const QString& hint) {
    auto* button = new QToolButton(this);
    button->setIconSize(QSize(PreviewIconSize, PreviewIconSize));
    button->setAutoRaise(true); // the highlighted picture shows while the mouse is over it
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

void PreviewPanel::drawPictures() {
    sound_->ensurePolished();
    const QPalette& palette = sound_->palette();
    play_->setIcon(PreviewIcon(TPreviewPicture::Play, palette));
    pause_->setIcon(PreviewIcon(TPreviewPicture::Pause, palette));
    stop_->setIcon(PreviewIcon(TPreviewPicture::Stop, palette));
    snapshot_->setIcon(PreviewIcon(TPreviewPicture::Snapshot, palette));
    settings_->setIcon(PreviewIcon(TPreviewPicture::Settings, palette));
    soundIcon_ = PreviewIcon(TPreviewPicture::Sound, palette);
    mutedIcon_ = PreviewIcon(TPreviewPicture::Muted, palette);
    sound_->setIcon(player_.Mute() ? mutedIcon_ : soundIcon_);
}

void PreviewPanel::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange || event->type() == QEvent::PaletteChange)
        drawPictures();
}

void PreviewPanel::buildSnapshotMenu() {
    snapshotMenu_ = new QMenu(this);
    connect(snapshotMenu_->addAction(UiText(VT_TR("打开快照目录"))), &QAction::triggered, this,
            [this] { logic_->OpenSnapshotFolder(); });
    connect(snapshotMenu_->addAction(UiText(VT_TR("设置快照目录"))), &QAction::triggered, this,
            [this] { logic_->ChooseSnapshotFolder(); });
    snapshotMenu_->addSeparator();
    QMenu* types = snapshotMenu_->addMenu(UiText(VT_TR("快照保存类型")));
    auto* group = new QActionGroup(types);
    group->setExclusive(true);
    for (size_t i = 0; i < SnapshotTypes.size(); ++i) {
        const auto& info = SnapshotTypes[i];
        QAction* action = types->addAction(UiText(info.MenuCaption));
        action->setCheckable(true);
        action->setChecked(info.Type == DefaultSnapshotType);
        group->addAction(action);
        const TSnapshotType type = info.Type;
        connect(action, &QAction::triggered, this, [this, type] { logic_->ChooseSnapshotType(type); });
        typeActions_[i] = action;
    }
}

QToolButton* PreviewPanel::Button(TPreviewPicture picture) const {
    switch (picture) {
    case TPreviewPicture::Play:
        return play_;
    case TPreviewPicture::Pause:
        return pause_;
    case TPreviewPicture::Stop:
        return stop_;
    case TPreviewPicture::Sound:
    case TPreviewPicture::Muted:
        return sound_;
    case TPreviewPicture::Snapshot:
        return snapshot_;
    case TPreviewPicture::Settings:
        return settings_;
    }
    return nullptr;
}

void PreviewPanel::PreviewSelected(const QString& fileName) {
    logic_->PreviewSelected(fileName.toStdString());
}

void PreviewPanel::ClosePreview() {
    logic_->ClosePreview();
}

bool PreviewPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == slider_) {
        // Whole presses and releases, on the handle or the groove. Every other
        // event passes through here too: look at the type before the cast.
        const bool press = event->type() == QEvent::MouseButtonPress;
        const bool release = event->type() == QEvent::MouseButtonRelease;
        const auto* mouse = press || release ? static_cast<QMouseEvent*>(event) : nullptr;
        if (press && mouse->button() == Qt::LeftButton) {
            // The handle jumps to the press, so one click seeks to the place clicked
            // (the slider itself would step a page), and a drag goes on from there.
            slider_->setValue(QStyle::sliderValueFromPosition(
                slider_->minimum(), slider_->maximum(), qRound(mouse->position().x()), slider_->width()));
            logic_->SliderPressed();
        } else if (release && mouse->button() == Qt::LeftButton)
            logic_->SliderReleased(slider_->value(), slider_->maximum());
    } else if (watched == settings_ && event->type() == QEvent::MouseButtonPress) {
        logic_->SnapshotMenuOpening();
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            // On the press, at the mouse, as a menu button's would.
            snapshotMenu_->popup(QCursor::pos());
            return true;
        }
    } else if (watched == watchedWindow_ && event->type() == QEvent::Close) {
        // Before the window's native windows go: the player's surface lives in one of them.
        logic_->ClosePreview();
    }
    return QWidget::eventFilter(watched, event);
}

void PreviewPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (watchedWindow_ != window()) {
        if (watchedWindow_)
            watchedWindow_->removeEventFilter(this);
        watchedWindow_ = window();
        watchedWindow_->installEventFilter(this);
    }
}

uintptr_t PreviewPanel::BeginPlayback() {
    return area_->BeginPlayback();
}

int PreviewPanel::SliderWidth() const {
    return slider_->width();
}

void PreviewPanel::SetSlider(int maximum, int tickInterval, int position) {
    slider_->setRange(0, maximum);
    slider_->setTickInterval(tickInterval);
    slider_->setValue(position);
}

void PreviewPanel::ShowMuted(bool muted) {
    sound_->setIcon(muted ? mutedIcon_ : soundIcon_);
}

void PreviewPanel::ShowSnapshotType(TSnapshotType type) {
    for (size_t i = 0; i < SnapshotTypes.size(); ++i) {
        if (SnapshotTypes[i].Type == type)
            typeActions_[i]->setChecked(true);
    }
}

void PreviewPanel::ClearVideo() {
    area_->EndPlayback();
}

void PreviewPanel::SetStatusText(const std::string& text) {
    emit statusTextChanged(UiText(text));
}

void PreviewPanel::FocusJobList() {
    emit jobListFocusWanted();
}
