#include "gui/FormatChooserDialog.h"
#include "gui/UiText.h"

#include "gui/DialogButtons.h"
#include "gui/ProfileIcon.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

constexpr int IconSize = 48;

} // namespace

FormatChooserDialog::FormatChooserDialog(TConversionSettings& settings, TUserDialogs& dialogs,
                                         TFormatChooser::TShowOptionsWindow showOptions, QWidget* parent)
    : QDialog(parent), chooser_(settings, dialogs, std::move(showOptions)) {
    setObjectName(QStringLiteral("formatChooser"));
    setWindowTitle(UiText(TFormatChooser::Caption));
    setModal(true);

    pages_ = new QTabWidget(this);
    for (const TProfilePage page : ProfilePages) {
        auto* list = new QListWidget(pages_);
        list->setViewMode(QListView::IconMode);
        list->setIconSize(QSize(IconSize, IconSize));
        list->setGridSize(QSize(150, 100)); // room for a label on two lines
        list->setResizeMode(QListView::Adjust);
        list->setMovement(QListView::Static);
        list->setWordWrap(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
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
    connect(pages_, &QTabWidget::currentChanged, this, [this](int index) {
        if (syncing_ || index < 0)
            return;
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

void FormatChooserDialog::ShowSelections() {
    syncing_ = true;
    pages_->setCurrentIndex(static_cast<int>(chooser_.ActivePage()));
    for (const TProfilePage page : ProfilePages) {
        QListWidget* list = PageList(page);
        const int row = chooser_.Selection(page);
        list->setCurrentRow(row);
        if (row < 0)
            list->clearSelection();
    }
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
    const TProfilePage page = PageOfList(watched);
    QListWidget* list = PageList(page);
    const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
    QListWidgetItem* hit = list->itemAt(at);
    if (hit == nullptr) {
        // Empty space clears the pick; the logic then asks for one.
        list->clearSelection();
        list->setCurrentRow(-1);
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
