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

void TFormatChooser::Click() {
    if (Selection(activePage_) < 0)
        dialogs_.ShowInformation(PromptCaption, NoSelectionMessage);
}

void TFormatChooser::DoubleClick() {
    if (Selection(activePage_) < 0)
        dialogs_.ShowInformation(PromptCaption, NoSelectionMessage);
    else
        Next();
}

void TFormatChooser::Next() {
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
