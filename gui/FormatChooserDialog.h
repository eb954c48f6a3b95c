// The format chooser window over TFormatChooser: four tabs of large icons, a
// fifth of the user's own profiles (with "重命名" and "删除" on its context
// menu), "下一步" and "取消". Created once and reused, so pages and picks persist
// between add actions.
#pragma once

#include "profiles/FormatChooser.h"

#include <QDialog>
#include <array>

class QListWidget;
class QPushButton;
class QTabWidget;
class TUserProfileList;

class FormatChooserDialog : public QDialog {
    Q_OBJECT
public:
    // `settings` and `dialogs` outlive the window; `showOptions` runs the
    // options window modally and tells whether it was confirmed.
    FormatChooserDialog(TConversionSettings& settings, TUserDialogs& dialogs,
                        TFormatChooser::TShowOptionsWindow showOptions, QWidget* parent = nullptr);

    // The modal show of an add action: true when the add goes on (the options
    // window was confirmed), false when the user cancelled.
    bool Run();

    // The fifth page's list (outlives the window); the page stays empty without one.
    void SetUserProfiles(TUserProfileList* profiles);

    TFormatChooser& Logic() { return chooser_; }
    QTabWidget* Pages() const { return pages_; }
    QListWidget* PageList(TProfilePage page) const { return lists_[static_cast<size_t>(page)]; }
    QListWidget* UserPageList() const { return userList_; }
    QPushButton* NextButton() const { return next_; }
    QPushButton* CancelButton() const { return cancel_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;

private:
    void ShowSelections();
    void OnNext();
    void OnCancel();
    TProfilePage PageOfList(QObject* viewport) const;
    void FillUserPage();
    void RenameUserProfile(int row);
    void DeleteUserProfile(int row);

    TUserDialogs& dialogs_;
    TFormatChooser chooser_;
    QTabWidget* pages_;
    std::array<QListWidget*, ProfilePages.size()> lists_{};
    QListWidget* userList_;
    TUserProfileList* userProfiles_ = nullptr;
    QPushButton* next_;
    QPushButton* cancel_;
    bool nextPressed_ = false;
    bool syncing_ = false;
};
