#include "gui/FormatChooserDialog.h"
#include "gui/UiText.h"

#include "app/UserProfileList.h"
#include "gui/DialogButtons.h"
#include "gui/ProfileIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int IconSize = 48;
constexpr int UserPageIndex = static_cast<int>(ProfilePages.size());

QListWidget* MakePageList(QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setViewMode(QListView::IconMode);
    list->setIconSize(QSize(IconSize, IconSize));
    list->setGridSize(QSize(150, 100)); // room for a label on two lines
    list->setResizeMode(QListView::Adjust);
    list->setMovement(QListView::Static);
    list->setWordWrap(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

} // namespace

FormatChooserDialog::FormatChooserDialog(TConversionSettings& settings, TUserDialogs& dialogs,
                                         TFormatChooser::TShowOptionsWindow showOptions, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs), chooser_(settings, dialogs, std::move(showOptions)) {
    setObjectName(QStringLiteral("formatChooser"));
    setWindowTitle(UiText(TFormatChooser::Caption));
    setModal(true);

    pages_ = new QTabWidget(this);
    for (const TProfilePage page : ProfilePages) {
        QListWidget* list = MakePageList(pages_);
        for (const TOutputProfile& profile : PageProfiles(page))
            // The tooltip shows the few labels too long for two lines.
            (new QListWidgetItem(ProfileIcon(profile, IconSize), UiText(profile.Label), list))
                ->setToolTip(UiText(profile.Label));
        list->viewport()->installEventFilter(this);
        connect(list, &QListWidget::currentRowChanged, this, [this, page](int row) {
            if (!syncing_)
                chooser_.Select(page, row);
        });
        lists_[static_cast<size_t>(page)] = list;
        pages_->addTab(list, UiText(PageCaption(page)));
    }
    userList_ = MakePageList(pages_);
    userList_->setObjectName(QStringLiteral("userProfiles"));
    userList_->viewport()->installEventFilter(this);
    userList_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(userList_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!syncing_)
            chooser_.SelectUser(row);
    });
    connect(userList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QListWidgetItem* hit = userList_->itemAt(at);
        if (hit == nullptr)
            return;
        const int row = userList_->row(hit);
        userList_->setCurrentRow(row);
        QMenu menu(this);
        QAction* rename = menu.addAction(UiText(TUserProfileList::RenameCaption));
        QAction* remove = menu.addAction(UiText(TUserProfileList::DeleteCaption));
        QAction* chosen = menu.exec(userList_->viewport()->mapToGlobal(at));
        if (chosen == rename)
            RenameUserProfile(row);
        else if (chosen == remove)
            DeleteUserProfile(row);
    });
    pages_->addTab(userList_, UiText(TFormatChooser::UserPageCaption));
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (syncing_ || index < 0)
            return;
        if (index == UserPageIndex)
            chooser_.ActivateUserPage();
        else
            chooser_.ActivatePage(ProfilePages[static_cast<size_t>(index)]);
        ShowSelections();
    });

    next_ = new QPushButton(UiText(TFormatChooser::NextCaption), this);
    cancel_ = new QPushButton(UiText(TFormatChooser::CancelCaption), this);
    next_->setDefault(true);
    connect(next_, &QPushButton::clicked, this, &FormatChooserDialog::OnNext);
    connect(cancel_, &QPushButton::clicked, this, &FormatChooserDialog::OnCancel);

    QHBoxLayout* buttons = DialogButtonRow({next_, cancel_});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(UiText(TFormatChooser::Prompt), this));
    layout->addWidget(pages_);
    layout->addLayout(buttons);
    setFixedSize(800, 540);
    ShowSelections();
}

void FormatChooserDialog::SetUserProfiles(TUserProfileList* profiles) {
    userProfiles_ = profiles;
    chooser_.SetUserProfiles(profiles != nullptr ? &profiles->Profiles() : nullptr);
    ShowSelections();
}

void FormatChooserDialog::FillUserPage() {
    // The options window may have added one since the last showing.
    chooser_.UserProfilesChanged();
    userList_->clear();
    if (userProfiles_ == nullptr)
        return;
    for (const TUserProfile& profile : userProfiles_->Profiles()) {
        const TOutputProfile* base = FindProfile(profile.BaseId);
        const QString name = QString::fromStdString(profile.Name);
        auto* item = base != nullptr ? new QListWidgetItem(ProfileIcon(*base, IconSize), name, userList_)
                                     : new QListWidgetItem(name, userList_);
        item->setToolTip(base != nullptr ? name + QStringLiteral("\n") + UiText(base->Label) : name);
    }
}

void FormatChooserDialog::RenameUserProfile(int row) {
    if (userProfiles_ == nullptr || row < 0 || row >= static_cast<int>(userProfiles_->Profiles().size()))
        return;
    QString name = QString::fromStdString(userProfiles_->Profiles()[static_cast<size_t>(row)].Name);
    for (;;) {
        bool ok = false;
        name = QInputDialog::getText(this, UiText(TUserProfileList::RenameCaption),
                                     UiText(TUserProfileList::NamePrompt), QLineEdit::Normal, name, &ok);
        if (!ok)
            break;
        std::string message;
        if (userProfiles_->Rename(row, name.toStdString(), message))
            break;
        dialogs_.ShowInformation(PromptCaption, message);
    }
    ShowSelections();
}

void FormatChooserDialog::DeleteUserProfile(int row) {
    if (userProfiles_ == nullptr)
        return;
    std::string message;
    if (!userProfiles_->Delete(row, message) && !message.empty())
        dialogs_.ShowInformation(PromptCaption, message);
    ShowSelections();
}

void FormatChooserDialog::ShowSelections() {
    syncing_ = true;
    FillUserPage();
    pages_->setCurrentIndex(chooser_.UserPageActive() ? UserPageIndex
                                                      : static_cast<int>(chooser_.ActivePage()));
    for (const TProfilePage page : ProfilePages) {
        QListWidget* list = PageList(page);
        const int row = chooser_.Selection(page);
        list->setCurrentRow(row);
        if (row < 0)
            list->clearSelection();
    }
    userList_->setCurrentRow(chooser_.UserSelection());
    if (chooser_.UserSelection() < 0)
        userList_->clearSelection();
    syncing_ = false;
}

bool FormatChooserDialog::Run() {
    chooser_.Show();
    // The chooser goes away while the options window is up and comes back when
    // that is cancelled; each round is one modal showing.
    while (chooser_.Visible()) {
        ShowSelections();
        nextPressed_ = false;
        exec();
        if (nextPressed_)
            chooser_.Next();
    }
    return chooser_.ChooserResult() == TFormatChooser::ResultGoOn;
}

void FormatChooserDialog::OnNext() {
    nextPressed_ = true;
    accept();
}

void FormatChooserDialog::OnCancel() {
    chooser_.Cancel();
    QDialog::reject();
}

void FormatChooserDialog::reject() {
    // The close box and Esc: nothing was confirmed, so the add stops.
    chooser_.CloseBox();
    QDialog::reject();
}

TProfilePage FormatChooserDialog::PageOfList(QObject* viewport) const {
    for (const TProfilePage page : ProfilePages)
        if (PageList(page)->viewport() == viewport)
            return page;
    return chooser_.ActivePage();
}

bool FormatChooserDialog::eventFilter(QObject* watched, QEvent* event) {
    const bool press = event->type() == QEvent::MouseButtonPress;
    const bool doubleClick = event->type() == QEvent::MouseButtonDblClick;
    if (!press && !doubleClick)
        return QDialog::eventFilter(watched, event);
    const bool userPage = watched == userList_->viewport();
    if (userPage && static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QDialog::eventFilter(watched, event); // the context menu's own
    const TProfilePage page = PageOfList(watched);
    QListWidget* list = userPage ? userList_ : PageList(page);
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    QListWidgetItem* hit = list->itemAt(at);
    if (hit == nullptr) {
        // Empty space clears the pick; the logic then asks for one.
        list->clearSelection();
        list->setCurrentRow(-1);
        if (userPage)
            chooser_.SelectUser(-1);
        else
            chooser_.Select(page, -1);
        if (press)
            chooser_.Click();
        else
            chooser_.DoubleClick();
        return true;
    }
    if (doubleClick) {
        list->setCurrentItem(hit);
        OnNext();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
