// The main window: tool bar, preview group, job list with its panel, output
// folder and run choices, status bar. It renders what TMainWindowLogic tells it
// through IMainView and forwards the user's gestures there; the format chooser
// and the options window are created once and reused.
#pragma once

#include "app/MainView.h"
#include "app/MainWindowLogic.h"
#include "app/ToolHints.h"
#include "app/UserProfileList.h"
#include "gui/QtUserDialogs.h"

#include <QMainWindow>
#include <QStringList>
#include <array>
#include <map>
#include <memory>
#include <optional>

class FormatChooserDialog;
class InstanceChannel;
class JobListTable;
class OptionsDialog;
class PreviewGroup;
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QTimer;
class QToolButton;

class MainWindow : public QMainWindow, public IMainView {
    Q_OBJECT
public:
    static constexpr int Width = 851;
    static constexpr int Height = 588;

    // `platform` and `settings` outlive the window; `programFolder` holds the
    // help page, the converter's library folder and the skin files. A
    // non-empty `jobListFile` keeps the job list there across program starts.
    MainWindow(IPlatform& platform, TSettingsStore& settings, const QString& programFolder,
               const std::string& jobListFile = {}, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Dropped or command-line paths: files, and folders for the media files inside them.
    void AddPaths(const QStringList& paths);
    // Paths to add once the window is shown and unlocked (the command line's files).
    void SetStartupPaths(const QStringList& paths) { startupPaths_ = paths; }
    // Paths a later start of the program handed over: the window comes to the
    // front and adds them as if dropped, as soon as it can take files (not
    // during a run or another add, nor under a modal window).
    void ReceivePaths(const QStringList& paths);
    // Connects a start's hand-over door to ReceivePaths.
    void AcceptHandOvers(InstanceChannel& channel);

    // IMainView
    void InsertRow(int row, const TJobRow& content) override;
    void UpdateRow(int row, const TJobRow& content) override;
    void DeleteRow(int row) override;
    void DeleteAllRows() override;
    int SelectedRow() const override;
    void SelectRow(int row) override;
    void SetEnabled(TMainAction action, bool enabled) override;
    bool ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                     TMessageButtons buttons = TMessageButtons::Ok) override;
    void SetStatusText(const std::string& text) override;
    void SetOutputFolderText(const std::string& folder) override;
    void ClosePreview() override;
    void StartPreview(const std::string& fileName) override;
    void ResetPreviewSlider() override;
    std::optional<TJobRequest> ChooseJob(const std::vector<std::string>& sources,
                                         const std::string& outputFolder, bool allowClip,
                                         const TSourceFacts& firstSource) override;
    void ShowAddProgress(int done, int total) override;
    std::optional<std::string> AskPassword() override;
    void CloseMainWindow() override;

    // For tests and the program's start-up.
    TMainWindowLogic& Logic() { return *logic_; }
    JobListTable* Jobs() const { return jobs_; }
    QToolButton* ToolButton(TToolButton button) const { return toolButtons_[static_cast<size_t>(button)]; }
    // "上移", "下移", "移除", "清空", "信息" in that order.
    QPushButton* PanelButton(int index) const { return panelButtons_[static_cast<size_t>(index)]; }
    QMenu* AddMenu() const { return addMenu_; }
    QMenu* HelpMenu() const { return helpMenu_; }
    QMenu* SkinMenu() const { return skinMenu_; }
    QComboBox* IfExistsBox() const { return ifExists_; }
    QComboBox* CompletionBox() const { return completion_; }
    QComboBox* ParallelBox() const { return parallel_; }
    QLineEdit* OutputFolderBox() const { return outputFolder_; }
    QPushButton* BrowseButton() const { return browse_; }
    QProgressBar* AddProgressBar() const { return addProgress_; }
    PreviewGroup* Preview() const { return preview_; }
    // Null until the first add action.
    FormatChooserDialog* Chooser() const { return chooser_; }
    OptionsDialog* Options() const { return options_; }
    TUserProfileList& UserProfiles() { return userProfiles_; }
    // A run choice that the window keeps without showing it ("CPU占用率修改项目：").
    bool HiddenChoiceEnabled(TMainAction action) const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildToolBar();
    QWidget* BuildListGroup();
    QWidget* BuildOutputGroup();
    void BuildMenus();
    void ApplySkin(const std::string& value);
    void ShowMediaInfo();
    void ShowUpdateWindow();
    void ShowAbout();
    void OnSelectionChanged();
    void AddHandedOverPaths();

    IPlatform& platform_;
    TSettingsStore& store_;
    QString programFolder_;
    QtUserDialogs userDialogs_;
    // What the format chooser and the options window show and write: theirs
    // alone, kept from one add action to the next (the chosen profile). The
    // logic gets the confirmed windows' choices as a request.
    TConversionSettings choiceSettings_;
    // What the add under way found in its first source, for the options window.
    TSourceFacts addSource_;
    TUserProfileList userProfiles_;
    // Why the user's own profiles could not be read; shown once the window is up.
    std::optional<std::string> userProfilesProblem_;

    std::array<QToolButton*, 8> toolButtons_{};
    std::array<QPushButton*, 5> panelButtons_{};
    QMenu* addMenu_ = nullptr;
    QMenu* skinMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    PreviewGroup* preview_ = nullptr;
    JobListTable* jobs_ = nullptr;
    QLineEdit* outputFolder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QComboBox* ifExists_ = nullptr;
    QComboBox* completion_ = nullptr;
    QComboBox* parallel_ = nullptr;
    QProgressBar* addProgress_ = nullptr;
    FormatChooserDialog* chooser_ = nullptr;
    OptionsDialog* options_ = nullptr;
    // The control behind each action; the run choice without one is kept as a flag.
    std::map<TMainAction, QWidget*> actionWidgets_;
    std::map<TMainAction, bool> hiddenChoices_;
    bool updatingRows_ = false; // row changes the logic makes are not the user's selection
    bool shownOnce_ = false;
    QStringList startupPaths_;
    bool unlocked_ = false;  // the password lock (if any) was passed
    QStringList handedOver_; // paths of later starts still to add
    QTimer* handOverRetry_ = nullptr;

    // Last: it goes first, stopping the run and the add worker while the widgets still exist.
    std::unique_ptr<TMainWindowLogic> logic_;
};
