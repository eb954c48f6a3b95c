// The preview group of the main window: the preview panel (video area, slider,
// six picture buttons) in a group box, with the preview player it drives. The
// group owns the player, and the main window owns the group.
#pragma once

#include <QGroupBox>
#include <memory>

class IPlatform;
class PreviewPanel;
class QSlider;
class TDOVidera;
class TSettingsStore;

class PreviewGroup : public QGroupBox {
    Q_OBJECT
public:
    // `platform` and `settings` outlive the group; `programFolder` holds the
    // player's library folder and the camera sound.
    PreviewGroup(IPlatform& platform, TSettingsStore& settings, const QString& programFolder,
                 QWidget* parent = nullptr);
    ~PreviewGroup() override;

    void StartPreview(const QString& fileName);
    void ClosePreview();
    void ResetSlider();

    PreviewPanel* Panel() const { return panel_; }
    TDOVidera& Player() { return *player_; }

signals:
    void statusTextChanged(const QString& text);
    void jobListFocusWanted();

private:
    std::unique_ptr<TDOVidera> player_;
    PreviewPanel* panel_;
};
