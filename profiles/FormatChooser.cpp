#include "profiles/FormatChooser.h"

#include <utility>

TFormatChooser::TFormatChooser(TConversionSettings& settings, TUserDialogs& dialogs,
                               TShowOptionsWindow showOptionsWindow)
    : settings_(settings), dialogs_(dialogs), showOptionsWindow_(std::move(showOptionsWindow)) {
    // The HD page's item is selected last, so an untouched chooser yields its first profile.
    for (const TProfilePage page :
         {TProfilePage::ppComputer, TProfilePage::ppDevices, TProfilePage::ppHighDefinition})
        Select(page, 0);
}

void TFormatChooser::Show() {
    result_ = ResultGoOn;
    visible_ = true;
}

void TFormatChooser::ActivatePage(TProfilePage page) {
    activePage_ = page;
    userPageActive_ = false;
    Select(page, 0);
}

int TFormatChooser::Selection(TProfilePage page) const {
    return selections_[static_cast<size_t>(page)];
}

void TFormatChooser::Select(TProfilePage page, int position) {
    const int32_t id = ProfileIdAt(page, position);
    selections_[static_cast<size_t>(page)] = id < 0 ? -1 : position;
    if (id >= 0)
        settings_.ProfileId = id;
}

void TFormatChooser::SetUserProfiles(const std::vector<TUserProfile>* profiles) {
    userProfiles_ = profiles;
    UserProfilesChanged();
}

void TFormatChooser::UserProfilesChanged() {
    const int count = UserProfileCount();
    if (userSelection_ >= count)
        userSelection_ = count - 1;
    // The pick of a deleted or renamed profile still names a base profile; keep it in step.
    if (userPageActive_ && userSelection_ >= 0)
        SelectUser(userSelection_);
}

int TFormatChooser::UserProfileCount() const {
    return userProfiles_ == nullptr ? 0 : static_cast<int>(userProfiles_->size());
}

void TFormatChooser::ActivateUserPage() {
    userPageActive_ = true;
    SelectUser(0);
}

void TFormatChooser::SelectUser(int position) {
    if (position < 0 || position >= UserProfileCount()) {
        userSelection_ = -1;
        return;
    }
    userSelection_ = position;
    settings_.ProfileId = (*userProfiles_)[static_cast<size_t>(position)].BaseId;
}

const TUserProfile* TFormatChooser::ChosenUserProfile() const {
    if (!userPageActive_ || userSelection_ < 0 || userSelection_ >= UserProfileCount())
        return nullptr;
    return &(*userProfiles_)[static_cast<size_t>(userSelection_)];
}

int TFormatChooser::ActiveSelection() const {
    return userPageActive_ ? userSelection_ : Selection(activePage_);
}

void TFormatChooser::Click() {
    if (ActiveSelection() < 0)
        dialogs_.ShowInformation(PromptCaption, NoSelectionMessage);
}

void TFormatChooser::DoubleClick() {
    if (ActiveSelection() < 0)
        dialogs_.ShowInformation(PromptCaption, NoSelectionMessage);
    else
        Next();
}

void TFormatChooser::Next() {
    // An empty or unpicked fifth page has no profile to open; ProfileId still
    // names the last built-in pick, which the user did not choose here.
    if (userPageActive_) {
        const TUserProfile* chosen = ChosenUserProfile();
        if (chosen == nullptr) {
            dialogs_.ShowInformation(PromptCaption, NoSelectionMessage);
            return;
        }
        settings_.ProfileId = chosen->BaseId; // the window fills for the saved profile's base
    }
    visible_ = false;
    if (showOptionsWindow_ && showOptionsWindow_())
        Close();
    else
        visible_ = true;
}

void TFormatChooser::Cancel() {
    result_ = ResultCancelled;
    Close();
}

void TFormatChooser::CloseBox() {
    Cancel();
}

void TFormatChooser::Close() {
    visible_ = false;
    if (OnClosed)
        OnClosed();
}
