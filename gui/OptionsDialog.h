// The options window over TOptionsWindow: the source, the ten lists, the
// picture filters and the clip range. Every change goes to the logic, and the
// controls are then shown from the logic's state.
#pragma once

#include "profiles/OptionsWindow.h"
#include "profiles/UserProfile.h"

#include <QDialog>
#include <array>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class TUserProfileList;

class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // `settings` and `dialogs` outlive the window.
    OptionsDialog(TConversionSettings& settings, TUserDialogs& dialogs, QWidget* parent = nullptr);

    // The show sequence for a source with the facts `source` and the modal
    // loop: true when "确定" closed the window. With `saved`, its picks are
    // shown over the defaults of its base profile (the settings' ProfileId),
    // as the fifth page of the chooser asks.
    bool Run(const TSourceFacts& source, const TUserProfile* saved = nullptr);

    // Where "保存为我的格式…" keeps the window's picks (outlives the window);
    // the button is hidden while there is none.
    void SetUserProfiles(TUserProfileList* profiles);

    TOptionsWindow& Logic() { return options_; }
    QComboBox* List(TChoiceRole role) const { return lists_[RoleIndex(role)]; }
    QCheckBox* FilterBox(int index) const { return filters_[static_cast<size_t>(index)]; }
    QCheckBox* AutoDeinterlaceBox() const { return autoDeinterlace_; }
    QCheckBox* ClipCheck() const { return clipCheck_; }
    QLineEdit* ClipBox(int index) const { return clipBoxes_[static_cast<size_t>(index)]; }
    QLineEdit* SourceBox() const { return source_; }
    QComboBox* AudioTrackList() const { return audioTrack_; }
    QComboBox* SubtitleModeList() const { return subtitleMode_; }
    QComboBox* SubtitleTrackList() const { return subtitleTrack_; }
    QPushButton* ConfirmButton() const { return confirm_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* SaveProfileButton() const { return saveProfile_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowState();
    QComboBox* NewTrackList(bool (TTrackChoices::*pick)(int));
    void OnConfirm();
    void OnSaveProfile();

    TConversionSettings& settings_;
    TUserDialogs& dialogs_;
    TOptionsWindow options_;
    TUserProfileList* userProfiles_ = nullptr;
    QPushButton* saveProfile_;
    QLineEdit* source_;
    std::array<QComboBox*, ChoiceRoleCount> lists_{};
    std::array<QCheckBox*, 3> filters_{};
    QCheckBox* autoDeinterlace_;
    QComboBox* audioTrack_;
    QComboBox* subtitleMode_;
    QComboBox* subtitleTrack_;
    QCheckBox* clipCheck_;
    std::array<QLineEdit*, 6> clipBoxes_{};
    QPushButton* confirm_;
    QPushButton* cancel_;
    bool syncing_ = false;
};
