#include "gui/MainWindow.h"
#include "gui/UiText.h"

#include "app/MainWindowTexts.h"
#include "app/MediaFiles.h"
#include "app/Skins.h"
#include "app/UserProfileFile.h"
#include "gui/AboutDialog.h"
#include "gui/FormatChooserDialog.h"
#include "gui/InstanceChannel.h"
#include "gui/JobListTable.h"
#include "gui/MediaInfoDialog.h"
#include "gui/MessageBoxes.h"
#include "gui/OptionsDialog.h"
#include "gui/PasswordDialog.h"
#include "gui/PreviewGroup.h"
#include "gui/ProfileIcon.h"
#include "gui/SkinLook.h"
#include "gui/UpdateDialog.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr QStyle::StandardPixmap ToolPictures[] = {
    QStyle::SP_FileDialogNewFolder, QStyle::SP_DialogDiscardButton, QStyle::SP_DialogResetButton,
    QStyle::SP_MediaPlay,           QStyle::SP_MediaPause,          QStyle::SP_MediaStop,
    QStyle::SP_DesktopIcon,         QStyle::SP_DialogHelpButton};

// How often handed-over files look again whether the window can take them.
constexpr int HandOverRetryMs = 300;

constexpr TToolButton ToolOrder[] = {TToolButton::Add,   TToolButton::Remove, TToolButton::Clear,
                                     TToolButton::Start, TToolButton::Pause,  TToolButton::Stop,
                                     TToolButton::Skin,  TToolButton::Help};

} // namespace

MainWindow::MainWindow(IPlatform& platform, TSettingsStore& settings, const QString& programFolder,
                       const std::string& jobListFile, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      platform_(platform), store_(settings), programFolder_(programFolder), userDialogs_(platform),
      userProfiles_(UserProfileFilePath(settings)) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QString::fromUtf8(ApplicationTitle));
    setWindowIcon(ApplicationIcon());
    userDialogs_.SetParent(this);
    // A damaged file costs the user only the fifth page, never the start.
    userProfilesProblem_ = userProfiles_.Load();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildToolBar());
    auto* rule = new QFrame(central);
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
    layout->addWidget(rule);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(17, 0, 17, 0);
    body->setSpacing(0);
    auto* groups = new QHBoxLayout;
    groups->setSpacing(0);
    preview_ = new PreviewGroup(platform_, store_, programFolder_, central);
    preview_->setFixedSize(329, 289);
    groups->addWidget(preview_);
    groups->addStretch();
    groups->addWidget(BuildListGroup());
    connect(preview_, &PreviewGroup::statusTextChanged, this,
            [this](const QString& text) { SetStatusText(text.toStdString()); });
    connect(preview_, &PreviewGroup::jobListFocusWanted, jobs_, [this] { jobs_->setFocus(); });
    body->addStretch(1);
    body->addLayout(groups);
    body->addStretch(1);
    body->addWidget(BuildOutputGroup());
    body->addStretch(1);
    layout->addLayout(body, 1);
    setCentralWidget(central);

    statusBar()->setFixedHeight(19);
    statusBar()->setSizeGripEnabled(false);
    addProgress_ = new QProgressBar(statusBar());
    addProgress_->setObjectName(QStringLiteral("addProgress"));
    addProgress_->setFixedSize(200, 15);
    addProgress_->setTextVisible(true);
    addProgress_->hide();
    statusBar()->addPermanentWidget(addProgress_);

    BuildMenus();
    actionWidgets_ = {{TMainAction::Add, ToolButton(TToolButton::Add)},
                      {TMainAction::Remove, ToolButton(TToolButton::Remove)},
                      {TMainAction::Clear, ToolButton(TToolButton::Clear)},
                      {TMainAction::Start, ToolButton(TToolButton::Start)},
                      {TMainAction::Pause, ToolButton(TToolButton::Pause)},
                      {TMainAction::Stop, ToolButton(TToolButton::Stop)},
                      {TMainAction::BrowseOutput, browse_},
                      {TMainAction::IfExistsChoice, ifExists_},
                      {TMainAction::ParallelChoice, parallel_},
                      {TMainAction::ListMoveUp, PanelButton(0)},
                      {TMainAction::ListMoveDown, PanelButton(1)},
                      {TMainAction::ListRemove, PanelButton(2)},
                      {TMainAction::ListClear, PanelButton(3)}};
    setFixedSize(Width, Height);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    logic_ = std::make_unique<TMainWindowLogic>(*this, platform_, store_, programFolder_.toStdString());
    ApplySkin(store_.ReadSkin());
    logic_->SetJobListFile(jobListFile);
    logic_->Initialise();
    ifExists_->setCurrentIndex(static_cast<int>(logic_->IfOutputExists()));
    completion_->setCurrentIndex(static_cast<int>(logic_->CompletionAction()));
    parallel_->setCurrentIndex(logic_->ParallelCount());
}

MainWindow::~MainWindow() {
    // The logic's tear-down stops the converter; its views must still be there.
    logic_.reset();
}

QWidget* MainWindow::BuildToolBar() {
    auto* bar = new QWidget(this);
    bar->setObjectName(QStringLiteral("toolBar"));
    auto* row = new QHBoxLayout(bar);
    row->setContentsMargins(6, 2, 6, 2);
    row->setSpacing(2);
    for (const TToolButton which : ToolOrder) {
        if (which == TToolButton::Start || which == TToolButton::Skin) {
            auto* separator = new QFrame(bar);
            separator->setFrameShape(QFrame::VLine);
            separator->setFrameShadow(QFrame::Sunken);
            separator->setFixedHeight(60);
            row->addWidget(separator);
        }
        auto* button = new QToolButton(bar);
        // The blanks around "添加" widened a button of the old design; here they would only elide the word.
        button->setText(UiText(ToolButtonCaption(which)).trimmed());
        button->setIcon(style()->standardIcon(ToolPictures[static_cast<size_t>(which)]));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedSize(70, 76);
        button->installEventFilter(this); // the status-bar hint
        toolButtons_[static_cast<size_t>(which)] = button;
        row->addWidget(button);
    }
    row->addStretch();
    connect(ToolButton(TToolButton::Remove), &QToolButton::clicked, this,
            [this] { logic_->RemoveSelectedJob(); });
    connect(ToolButton(TToolButton::Clear), &QToolButton::clicked, this, [this] { logic_->ClearJobs(); });
    connect(ToolButton(TToolButton::Start), &QToolButton::clicked, this, [this] { logic_->StartOrResume(); });
    connect(ToolButton(TToolButton::Pause), &QToolButton::clicked, this, [this] { logic_->Pause(); });
    connect(ToolButton(TToolButton::Stop), &QToolButton::clicked, this,
            [this] { logic_->StopWithQuestion(); });
    return bar;
}

QWidget* MainWindow::BuildListGroup() {
    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("listGroup"));
    group->setFixedSize(481, 289);
    jobs_ = new JobListTable(group);
    jobs_->setFixedSize(465, 217);
    connect(jobs_, &QTableWidget::itemSelectionChanged, this, &MainWindow::OnSelectionChanged);
    connect(jobs_, &JobListTable::EmptyPartClicked, this, [this] { logic_->JobListClickedEmpty(); });
    connect(jobs_, &QTableWidget::cellDoubleClicked, this, [this] { ShowMediaInfo(); });
    // The keyboard's ways to the same: Enter like a double click, Delete like "移除".
    connect(jobs_, &JobListTable::RowEntered, this, [this] { ShowMediaInfo(); });
    connect(jobs_, &JobListTable::RemoveKeyPressed, this, [this] {
        if (PanelButton(2)->isEnabled())
            logic_->RemoveSelectedJob();
    });
    // Queued: the file manager waits for the drop to end, and the add opens modal windows.
    connect(jobs_, &JobListTable::PathsDropped, this, &MainWindow::AddPaths, Qt::QueuedConnection);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(6);
    for (size_t i = 0; i < panelButtons_.size(); ++i) {
        panelButtons_[i] = new QPushButton(UiText(MainTexts::ListPanelButtons[i]), group);
        panelButtons_[i]->setFixedHeight(26);
        buttons->addWidget(panelButtons_[i]);
    }
    connect(panelButtons_[0], &QPushButton::clicked, this, [this] { logic_->MoveJobUp(); });
    connect(panelButtons_[1], &QPushButton::clicked, this, [this] { logic_->MoveJobDown(); });
    connect(panelButtons_[2], &QPushButton::clicked, this, [this] { logic_->RemoveSelectedJob(); });
    connect(panelButtons_[3], &QPushButton::clicked, this, [this] { logic_->ClearJobs(); });
    connect(panelButtons_[4], &QPushButton::clicked, this, [this] { ShowMediaInfo(); });

    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(7, 7, 7, 7);
    layout->addWidget(jobs_);
    layout->addStretch();
    layout->addLayout(buttons);
    return group;
}

QWidget* MainWindow::BuildOutputGroup() {
    auto* group = new QGroupBox(this);
    group->setObjectName(QStringLiteral("outputGroup"));
    // Taller than the two rows it had: the third holds the number of files at once.
    group->setFixedSize(817, 130);
    outputFolder_ = new QLineEdit(group);
    outputFolder_->setReadOnly(true);
    browse_ = new QPushButton(UiText(MainTexts::BrowseCaption), group);
    auto* open = new QPushButton(UiText(MainTexts::OpenCaption), group);
    connect(browse_, &QPushButton::clicked, this, [this] { logic_->BrowseOutputFolder(); });
    connect(open, &QPushButton::clicked, this, [this] { logic_->OpenOutputFolder(); });

    ifExists_ = new QComboBox(group);
    for (const char* item : MainTexts::IfExistsItems)
        ifExists_->addItem(UiText(item));
    connect(ifExists_, &QComboBox::activated, this,
            [this](int index) { logic_->SetIfOutputExists(static_cast<TIfOutputExists>(index)); });
    completion_ = new QComboBox(group);
    for (const char* item : MainTexts::CompletionItems)
        completion_->addItem(UiText(item));
    connect(completion_, &QComboBox::activated, this,
            [this](int index) { logic_->SetCompletionAction(static_cast<TCompletionAction>(index)); });
    parallel_ = new QComboBox(group);
    for (const char* item : MainTexts::ParallelItems)
        parallel_->addItem(UiText(item));
    connect(parallel_, &QComboBox::activated, this,
            [this](int index) { logic_->ChooseParallelCount(index); });

    auto* grid = new QGridLayout(group);
    grid->setContentsMargins(12, 12, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(12);
    grid->addWidget(new QLabel(UiText(MainTexts::OutputFolderCaption), group), 0, 0);
    grid->addWidget(outputFolder_, 0, 1, 1, 3);
    grid->addWidget(browse_, 0, 4);
    grid->addWidget(open, 0, 5);
    grid->addWidget(new QLabel(UiText(MainTexts::IfExistsCaption), group), 1, 0);
    grid->addWidget(ifExists_, 1, 1);
    grid->addWidget(new QLabel(UiText(MainTexts::CompletionCaption), group), 1, 2, Qt::AlignRight);
    grid->addWidget(completion_, 1, 3);
    // Its own row across the first columns: the longer caption must not widen the column of the others.
    auto* parallelRow = new QHBoxLayout;
    parallelRow->setSpacing(8);
    parallelRow->addWidget(new QLabel(UiText(MainTexts::ParallelCaption), group));
    parallelRow->addWidget(parallel_);
    parallelRow->addStretch();
    grid->addLayout(parallelRow, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    return group;
}

void MainWindow::BuildMenus() {
    addMenu_ = new QMenu(this);
    connect(addMenu_->addAction(UiText(MainTexts::AddOneItem)), &QAction::triggered, this,
            [this] { logic_->AddOneFile(); });
    QAction* addMany = addMenu_->addAction(UiText(MainTexts::AddManyItem));
    // Ctrl+O opens the dialog, which takes one file as well as several.
    addMany->setShortcut(QKeySequence::Open);
    addAction(addMany);
    connect(addMany, &QAction::triggered, this, [this] {
        if (ToolButton(TToolButton::Add)->isEnabled())
            logic_->AddManyFiles();
    });
    ToolButton(TToolButton::Add)->setMenu(addMenu_);
    ToolButton(TToolButton::Add)->setPopupMode(QToolButton::InstantPopup);

    skinMenu_ = new QMenu(this);
    auto* skins = new QActionGroup(skinMenu_);
    const std::string current = store_.ReadSkin();
    auto addSkinItem = [&](const QString& caption, const std::string& value, bool checked) {
        QAction* item = skinMenu_->addAction(caption);
        item->setCheckable(true);
        item->setChecked(checked);
        skins->addAction(item);
        connect(item, &QAction::triggered, this, [this, value] {
            store_.WriteSkin(value);
            ApplySkin(value);
        });
    };
    for (const TSkin& skin : Skins()) {
        if (!skin.MenuItem.empty())
            addSkinItem(UiText(skin.MenuItem), std::string(skin.Value), skin.Value == current);
    }
    // The way back to no skin; an unknown stored value shows that look too.
    skinMenu_->addSeparator();
    addSkinItem(UiText(MainTexts::BuiltInSkinItem), std::string(), FindSkin(current) == nullptr);
    QToolButton* skinButton = ToolButton(TToolButton::Skin);
    skinButton->setMenu(skinMenu_);
    skinButton->setIcon(SkinIcon());
    // Like "添加" and "帮助": the whole button opens the menu, its arrow shows there is one.
    skinButton->setPopupMode(QToolButton::InstantPopup);

    helpMenu_ = new QMenu(this);
    QAction* help = helpMenu_->addAction(UiText(MainTexts::HelpItem));
    help->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(help); // F1 works without opening the menu
    connect(help, &QAction::triggered, this, [this] { logic_->OpenHelp(); });
    connect(helpMenu_->addAction(UiText(MainTexts::UpdateItem)), &QAction::triggered, this,
            &MainWindow::ShowUpdateWindow);
    connect(helpMenu_->addAction(UiText(MainTexts::WebSiteItem)), &QAction::triggered, this,
            [this] { logic_->OpenWebSite(); });
    connect(helpMenu_->addAction(UiText(MainTexts::MailItem)), &QAction::triggered, this,
            [this] { logic_->OpenMailLink(); });
    connect(helpMenu_->addAction(UiText(MainTexts::AboutItem)), &QAction::triggered, this,
            &MainWindow::ShowAbout);
    ToolButton(TToolButton::Help)->setMenu(helpMenu_);
    ToolButton(TToolButton::Help)->setPopupMode(QToolButton::InstantPopup);
}

void MainWindow::ApplySkin(const std::string& value) {
    // One sheet for the whole program, so every window shows the chosen look.
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        app->setStyleSheet(SkinStyleSheet(value, programFolder_));
    // The tool pictures are drawn for light grounds: a dark look shows them in its text colour.
    const QColor tint = SkinIconColour(value, programFolder_);
    for (const TToolButton which : ToolOrder) {
        if (which == TToolButton::Skin)
            continue; // its colour dots show on any ground
        const QIcon picture = style()->standardIcon(ToolPictures[static_cast<size_t>(which)]);
        ToolButton(which)->setIcon(tint.isValid() ? TintedIcon(picture, tint, ToolButton(which)->iconSize())
                                                  : picture);
    }
}

void MainWindow::AddPaths(const QStringList& paths) {
    std::vector<std::string> given;
    for (const QString& path : paths)
        given.push_back(path.toStdString());
    const std::vector<std::string> files = CollectMediaFiles(given);
    if (files.empty()) {
        ShowMessage(MainTexts::NothingToAddMessage, MainTexts::PromptTitle, TMessageIcon::Information);
        return;
    }
    logic_->AddFiles(files);
}

void MainWindow::OnSelectionChanged() {
    if (!updatingRows_)
        logic_->JobRowSelected();
}

void MainWindow::ShowMediaInfo() {
    if (const std::optional<TMediaReport> report = logic_->ShowMediaReport()) {
        MediaInfoDialog dialog(*report, this);
        dialog.exec();
    }
}

void MainWindow::ShowUpdateWindow() {
    UpdateDialog dialog(platform_, store_.SettingsFile(), this);
    dialog.exec();
}

void MainWindow::ShowAbout() {
    AboutDialog dialog([this](const std::string& target) { platform_.OpenWithDesktop(target); }, this);
    dialog.exec();
}

bool MainWindow::HiddenChoiceEnabled(TMainAction action) const {
    const auto it = hiddenChoices_.find(action);
    return it != hiddenChoices_.end() && it->second;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_)
        return;
    shownOnce_ = true;
    // After the window is on screen, so the password window has a parent to sit over.
    QTimer::singleShot(0, this, [this] {
        if (!logic_->UnlockOnShow())
            return;
        unlocked_ = true;
        if (userProfilesProblem_)
            ShowMessage(*std::exchange(userProfilesProblem_, std::nullopt), PromptCaption,
                        TMessageIcon::Warning);
        if (!startupPaths_.isEmpty())
            AddPaths(std::exchange(startupPaths_, {}));
    });
}

void MainWindow::AcceptHandOvers(InstanceChannel& channel) {
    connect(&channel, &InstanceChannel::PathsArrived, this, &MainWindow::ReceivePaths);
}

void MainWindow::ReceivePaths(const QStringList& paths) {
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    handedOver_ += paths;
    // Queued: the add opens modal windows, which must not run inside the socket's handler.
    QTimer::singleShot(0, this, &MainWindow::AddHandedOverPaths);
}

void MainWindow::AddHandedOverPaths() {
    if (handedOver_.isEmpty())
        return;
    // Files are never dropped on the floor: they wait until a run or an add
    // ends and any open window is closed, then come in like a drop.
    if (!unlocked_ || !jobs_->DropsAccepted() || QApplication::activeModalWidget() != nullptr) {
        if (handOverRetry_ == nullptr) {
            handOverRetry_ = new QTimer(this);
            handOverRetry_->setSingleShot(true);
            handOverRetry_->setInterval(HandOverRetryMs);
            connect(handOverRetry_, &QTimer::timeout, this, &MainWindow::AddHandedOverPaths);
        }
        handOverRetry_->start();
        return;
    }
    AddPaths(std::exchange(handedOver_, {}));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // During a run the logic stops the jobs and closes the window when they have ended.
    if (logic_->CloseQuery())
        event->accept();
    else
        event->ignore();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Enter) {
        for (const TToolButton which : ToolOrder)
            if (watched == ToolButton(which))
                logic_->ToolButtonHovered(which);
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- IMainView ---

void MainWindow::InsertRow(int row, const TJobRow& content) {
    updatingRows_ = true;
    jobs_->insertRow(row);
    jobs_->SetRow(row, content);
    updatingRows_ = false;
}

void MainWindow::UpdateRow(int row, const TJobRow& content) {
    jobs_->SetRow(row, content);
}

void MainWindow::DeleteRow(int row) {
    updatingRows_ = true;
    jobs_->removeRow(row);
    jobs_->clearSelection();
    updatingRows_ = false;
}

void MainWindow::DeleteAllRows() {
    updatingRows_ = true;
    jobs_->setRowCount(0);
    updatingRows_ = false;
}

int MainWindow::SelectedRow() const {
    const QList<QTableWidgetItem*> selected = jobs_->selectedItems();
    return selected.isEmpty() ? -1 : selected.front()->row();
}

void MainWindow::SelectRow(int row) {
    updatingRows_ = true;
    if (row < 0) {
        jobs_->clearSelection();
    } else {
        jobs_->selectRow(row);
        jobs_->scrollToItem(jobs_->item(row, 0));
    }
    jobs_->setFocus();
    updatingRows_ = false;
}

void MainWindow::SetEnabled(TMainAction action, bool enabled) {
    if (action == TMainAction::Add)
        jobs_->SetDropsAccepted(enabled); // a drop is an add
    const auto it = actionWidgets_.find(action);
    if (it != actionWidgets_.end())
        it->second->setEnabled(enabled);
    else
        hiddenChoices_[action] = enabled;
}

bool MainWindow::ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                             TMessageButtons buttons) {
    return ShowMessageBox(this, text, title, icon, buttons);
}

void MainWindow::SetStatusText(const std::string& text) {
    statusBar()->showMessage(UiText(text));
}

void MainWindow::SetOutputFolderText(const std::string& folder) {
    outputFolder_->setText(QString::fromStdString(folder));
    outputFolder_->setCursorPosition(0);
}

void MainWindow::ClosePreview() {
    preview_->ClosePreview();
}

void MainWindow::StartPreview(const std::string& fileName) {
    preview_->StartPreview(QString::fromStdString(fileName));
}

void MainWindow::ResetPreviewSlider() {
    preview_->ResetSlider();
}

std::optional<TJobRequest> MainWindow::ChooseJob(const std::vector<std::string>& sources,
                                                 const std::string& outputFolder, bool allowClip,
                                                 const TSourceFacts& firstSource) {
    if (chooser_ == nullptr) {
        // Both windows keep their state from one add action to the next, so
        // they are made once.
        options_ = new OptionsDialog(choiceSettings_, userDialogs_, this);
        chooser_ = new FormatChooserDialog(
            choiceSettings_, userDialogs_,
            [this] { return options_->Run(addSource_, chooser_->Logic().ChosenUserProfile()); }, this);
        options_->SetUserProfiles(&userProfiles_);
        chooser_->SetUserProfiles(&userProfiles_);
    }
    // Each add action starts from fresh settings but for the chosen profile.
    ResetConversionSettings(choiceSettings_);
    choiceSettings_.SourceFile = sources.empty() ? std::string() : sources.front();
    options_->Logic().SetOutputFolder(outputFolder);
    options_->Logic().SetClipPermission(allowClip);
    addSource_ = firstSource;
    if (!chooser_->Run())
        return std::nullopt;
    TJobRequest request = options_->Logic().Request();
    request.Sources = sources;
    return request;
}

void MainWindow::ShowAddProgress(int done, int total) {
    const bool busy = done < total;
    addProgress_->setRange(0, total);
    addProgress_->setValue(done);
    addProgress_->setFormat(
        QStringLiteral("%1 %2/%3").arg(UiText(MainTexts::AddProgressCaption)).arg(done).arg(total));
    addProgress_->setVisible(busy);
}

std::optional<std::string> MainWindow::AskPassword() {
    PasswordDialog dialog(this);
    return dialog.Ask();
}

void MainWindow::CloseMainWindow() {
    // Queued: the logic asks for it from inside its own handlers.
    QTimer::singleShot(0, this, &QWidget::close);
}
