// The format chooser's logic: four pages of output profiles and a fifth of the
// user's own, the selection that sets ProfileId, and "下一步"/"取消". The desktop window renders this
// state and forwards the user's actions; tests drive the same class.
// Main thread only.
#pragma once

#include "profiles/ConversionSettings.h"
#include "profiles/OutputProfile.h"
#include "profiles/Translation.h"
#include "profiles/UserDialogs.h"
#include "profiles/UserProfile.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

class TFormatChooser {
public:
    static constexpr const char* Caption = VT_TR("选择转换格式");
    static constexpr const char* Prompt = VT_TR("请选择您要转换的影片格式：");
    static constexpr const char* NextCaption = VT_TR("下一步");
    static constexpr const char* CancelCaption = VT_TR("取消");
    static constexpr const char* NoSelectionMessage = VT_TR("请选择一个要转换的类型,然后点击“下一步”按钮！");
    static constexpr const char* UserPageCaption = VT_TR("我的格式");
    static constexpr const char* ResultGoOn = "1";
    static constexpr const char* ResultCancelled = "2";

    // Shows the options window modally; true when the user confirmed it (the
    // settings are written), false when it was cancelled.
    using TShowOptionsWindow = std::function<bool()>;

    // Fills the pages and selects the first item of the computer, device and
    // HD pages (in that order), so ProfileId starts at 500. The audio page
    // starts without a selection. `settings` and `dialogs` outlive the chooser.
    TFormatChooser(TConversionSettings& settings, TUserDialogs& dialogs,
                   TShowOptionsWindow showOptionsWindow);

    // Modal show by an add action: the result becomes "1"; pages and selections stay.
    void Show();
    bool Visible() const { return visible_; }
    // "2" after a cancel, else "1".
    const std::string& ChooserResult() const { return result_; }

    // The built-in page shown, or the last one shown while the user page is.
    TProfilePage ActivePage() const { return activePage_; }
    // The user activates a page: its first item becomes selected.
    void ActivatePage(TProfilePage page);
    // The selected position of a page's list; -1 for none.
    int Selection(TProfilePage page) const;
    // The user selects `position` of a page's list (-1: clicks empty space,
    // which clears the selection). A real item sets ProfileId.
    void Select(TProfilePage page, int position);
    // A single click on the active list: the message when it left nothing selected.
    void Click();
    // A double click on the active list: "下一步" when an item is selected, else the message.
    void DoubleClick();

    // The fifth page lists `profiles` (owned by the caller, who outlives the
    // chooser and calls UserProfilesChanged after changing the list); null
    // leaves the page empty.
    void SetUserProfiles(const std::vector<TUserProfile>* profiles);
    // After an add, rename or delete: a selection past the end moves to the last item.
    void UserProfilesChanged();
    int UserProfileCount() const;
    bool UserPageActive() const { return userPageActive_; }
    // The user activates the fifth page: its first profile becomes selected.
    void ActivateUserPage();
    int UserSelection() const { return userSelection_; }
    // As Select, for the fifth page: a profile sets ProfileId to its base profile.
    void SelectUser(int position);
    // The profile the options window is to show: the fifth page's selection
    // while that page is active, else null (the built-in defaults).
    const TUserProfile* ChosenUserProfile() const;

    // "下一步": hides the chooser and shows the options window; a confirmation
    // closes the chooser with the result "1", a cancel shows the chooser again.
    // On the fifth page without a pick it shows the message instead.
    void Next();
    // "取消": the result becomes "2" and the chooser closes.
    void Cancel();
    // The window's own close box; counts as a cancel, since the options
    // window has not written the settings.
    void CloseBox();

    // Runs whenever the chooser closes (the main window repaints).
    std::function<void()> OnClosed;

private:
    void Close();
    int ActiveSelection() const;

    TConversionSettings& settings_;
    TUserDialogs& dialogs_;
    TShowOptionsWindow showOptionsWindow_;
    std::array<int, ProfilePages.size()> selections_{-1, -1, -1, -1};
    TProfilePage activePage_ = TProfilePage::ppHighDefinition;
    const std::vector<TUserProfile>* userProfiles_ = nullptr;
    int userSelection_ = -1;
    bool userPageActive_ = false;
    std::string result_ = ResultGoOn;
    bool visible_ = false;
};
