// The preview panel: the black video area, the position slider and the six
// picture buttons (play, pause, stop; sound, snapshot, snapshot settings). The
// rules live in TPreviewPanelLogic; this class only forwards clicks to it and
// shows what it says. The main window embeds the panel and hands it the player.
#pragma once

#include "app/PreviewPanelLogic.h"
#include "app/PreviewView.h"
#include "gui/PreviewIcons.h"
#include "gui/VideoArea.h"

#include <QWidget>
#include <array>
#include <memory>

class QActionGroup;
class QAction;
class QMenu;
class QSlider;
class QToolButton;
class TCustomPlayer;

class PreviewPanel : public QWidget, private IPreviewView {
    Q_OBJECT
public:
    // `player` must outlive the panel; the panel closes it when the window closes.
    PreviewPanel(TCustomPlayer& player, TPreviewServices services, const QString& programFolder,
                 VideoArea::Mode mode = VideoArea::Mode::Auto, QWidget* parent = nullptr);
    ~PreviewPanel() override;

    // The job list's calls.
    void PreviewSelected(const QString& fileName);
    void ClosePreview();

    TPreviewPanelLogic& Logic() { return *logic_; }
    VideoArea* Area() const { return area_; }
    QSlider* Slider() const { return slider_; }
    QToolButton* Button(TPreviewPicture picture) const;
    QMenu* SnapshotMenu() const { return snapshotMenu_; }

signals:
    void statusTextChanged(const QString& text);
    // The job list should take the input focus (after play and pause).
    void jobListFocusWanted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // IPreviewView
    uintptr_t BeginPlayback() override;
    int SliderWidth() const override;
    void SetSlider(int maximum, int tickInterval, int position) override;
    void ShowMuted(bool muted) override;
    void ShowSnapshotType(TSnapshotType type) override;
    void ClearVideo() override;
    void SetStatusText(const std::string& text) override;
    void FocusJobList() override;

    QToolButton* makeButton(const QString& hint);
    // Draws the button pictures in the current skin's colours.
    void drawPictures();
    void buildSnapshotMenu();

    TCustomPlayer& player_;
    VideoArea* area_;
    QSlider* slider_;
    QToolButton* play_;
    QToolButton* pause_;
    QToolButton* stop_;
    QToolButton* sound_;
    QToolButton* snapshot_;
    QToolButton* settings_;
    QMenu* snapshotMenu_;
    std::array<QAction*, 4> typeActions_{}; // in the order of SnapshotTypes
    QIcon soundIcon_, mutedIcon_;
    QWidget* watchedWindow_ = nullptr;          // the top-level window whose close ends the preview
    std::unique_ptr<TPreviewPanelLogic> logic_; // last: made once the widgets exist
};
