// The format chooser's logic: four pages of output profiles, the selection
// that sets ProfileId, and "下一步"/"取消". The desktop window renders this
// state and forwards the user's actions; tests drive the same class.
// Main thread only.
#pragma once

#include "profiles/ConversionSettings.h"
#include "profiles/OutputProfile.h"
#include "profiles/Translation.h"
#include "profiles/UserDialogs.h"

#include <array>
#include <functional>
#include <string>

class TFormatChooser {
public:
    static constexpr const char* Caption = VT_TR("选择转换格式");
    static constexpr const char* Prompt = VT_TR("请选择您要转换的影片格式：");
    static constexpr const char* NextCaption = VT_TR("下一步");
    static constexpr const char* CancelCaption = VT_TR("取消");
    static constexpr const char* NoSelectionMessage = VT_TR("请选择一个要转换的类型,然后点击“下一步”按钮！");
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

    // "下一步": hides the chooser and shows the options window; a confirmation
    // closes the chooser with the result "1", a cancel shows the chooser again.
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

    TConversionSettings& settings_;
    TUserDialogs& dialogs_;
    TShowOptionsWindow showOptionsWindow_;
    std::array<int, ProfilePages.size()> selections_{-1, -1, -1, -1};
    TProfilePage activePage_ = TProfilePage::ppHighDefinition;
    std::string result_ = ResultGoOn;
    bool visible_ = false;
};
