// The main window's logic without widgets: the job list and its slots, adding
// files, the run with its progress, statuses and completion action, the
// settings, the kept job list, the diagnostic log, start-up, the password lock
// and closing. The Qt window forwards the user's actions here and renders what
// IMainView is told; tests and the command line drive the same class through
// their own views and platforms.
//
// Threads: every operation runs on the main thread. Progress reports arrive
// there from the converter; termination reports come on the converter's own
// threads, where a finished job's output is checked and given its name, and
// are posted to the main thread. An add opens its sources on a worker of its
// own and hands each opened input to the main thread the same way, where the
// converter takes it over: the main thread opens no source of an add.
#pragma once

#include "app/JobList.h"
#include "app/MainView.h"
#include "app/MediaReport.h"
#include "app/OutputFiles.h"
#include "app/Platform.h"
#include "app/RunChoices.h"
#include "app/SettingsStore.h"
#include "app/ToolHints.h"
#include "engine/RAzidiZUV.h"
#include "media/SourceFacts.h"
#include "profiles/ConversionSettings.h"
#include "profiles/JobRequest.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

inline constexpr const char* ApplicationTitle = "Vantoro";

class TMainWindowLogic {
public:
    static constexpr int MaxParallelIndex = MaxParallelJobs - 1;

    // `view`, `platform` and `settings` outlive the logic. `programFolder`
    // holds the help page and the converter's library folder.
    TMainWindowLogic(IMainView& view, IPlatform& platform, TSettingsStore& settings,
                     std::string programFolder);
    // Closes at once (CloseNow) when CloseQuery has not let the window go.
    ~TMainWindowLogic();
    TMainWindowLogic(const TMainWindowLogic&) = delete;
    TMainWindowLogic& operator=(const TMainWindowLogic&) = delete;

    // --- start-up and life cycle ---
    // The file the job list is kept in across program starts: saved whenever
    // the list or a status changes, restored by Initialise. Empty (the
    // default) keeps none. Set before Initialise.
    void SetJobListFile(std::string fileName) { jobListFile_ = std::move(fileName); }
    const std::string& JobListFile() const { return jobListFile_; }
    // The window is created: defaults, slots, output folder, run choices,
    // snapshot type. A non-empty `outputFolder` is used for this session instead
    // of the settings' one, which is then neither read nor written.
    void Initialise(const std::string& outputFolder = "");
    // The window is shown: the password lock when it is on. False when the
    // program must end (a wrong password or "退出"; the window was told to close).
    bool UnlockOnShow();
    // The window asks to close. True when it may close now. During a run it
    // may not: every job is asked to stop, the window stays responsive, and
    // once the last one has ended the view is told to close (CloseMainWindow),
    // without a completion action, and this returns true.
    bool CloseQuery();
    // True from a refused CloseQuery until the window closes.
    bool Closing() const { return closing_; }
    // The mouse is over a tool button: its hint goes to the status bar.
    void ToolButtonHovered(TToolButton button);
    // Help menu actions.
    void OpenHelp();
    void OpenWebSite();
    void OpenMailLink();

    // --- job list ---
    void RemoveSelectedJob();
    void ClearJobs();
    void MoveJobUp();
    void MoveJobDown();
    // The view's selection changed (by the user).
    void JobRowSelected();
    // A click on an empty part of the list left no row selected.
    void JobListClickedEmpty();
    // "信息" or a double click: the report of the selected row's source; none
    // when there is no selection or the file is gone. The window shows it.
    std::optional<TMediaReport> ShowMediaReport();

    // --- adding files ---
    // Shows the dialog, probes the file on a worker, then (on the main thread,
    // with the add's progress shown meanwhile) shows the chooser and the
    // options window with the duration and tracks the probe found, and lists
    // the job. Adding() is true until the add has ended.
    void AddOneFile();
    // Shows the dialog, probes the first file as above, shows the chooser,
    // then probes the other files on a worker; the jobs are listed on the main
    // thread as results come in. Adding() is true until the last one has been handled.
    void AddManyFiles();
    // Files dropped on the list or named on the command line: one file is added
    // like "添加一个视频文件" (a clip allowed), several like "添加多个视频文件",
    // without the open dialog; the rows keep the given order. Ignored during a
    // run or another add.
    void AddFiles(const std::vector<std::string>& files);
    // The request's sources added as jobs with its profile and picks, without
    // the chooser: one source like "添加一个视频文件" (its clip range checked
    // against the source's duration), several like "添加多个视频文件", listed
    // in the request's order. A request that cannot be confirmed lists none
    // and reports each source with the reason. Ignored during a run or another
    // add. Like the others, the add goes on after the call returns (Adding()).
    void AddRequest(const TJobRequest& request);
    bool Adding() const { return adding_ != nullptr; }
    // Start of a run: the converter's task list from the used slots, in row order.
    void RebuildTasks();

    // --- run control ---
    // "转换": a new run, or the resume of a paused one.
    void StartOrResume();
    void Pause();
    // "停止": asks first; on OK every task is asked to stop at once, the rows
    // read "停止中..." and the run ends with the last termination report.
    void StopWithQuestion();
    bool Running() const { return running_; }
    bool RunPaused() const { return runPaused_; }
    bool RunStopped() const { return runStopped_; }

    // --- output folder and choices ---
    // "浏览...": picks, shows and stores the output folder.
    void BrowseOutputFolder();
    // "打开" and the completion action.
    void OpenOutputFolder();
    void ShutDownComputer();
    const std::string& OutputFolder() const { return outputFolder_; }
    // Whether Initialise found the settings' output folder unusable and took the default.
    bool OutputFolderReplaced() const { return outputFolderReplaced_; }
    TCpuUsage CpuUsage() const { return cpuUsage_; }
    void SetCpuUsage(TCpuUsage value) { cpuUsage_ = value; }
    int ParallelCount() const { return parallelIndex_; }
    // Index 0 ("1个文件") to 9 ("10个文件"), for this session.
    void SetParallelCount(int index);
    // The user picked an item of "同时进行转换的文件个数：": kept and remembered.
    void ChooseParallelCount(int index);
    TCompletionAction CompletionAction() const { return completionAction_; }
    void SetCompletionAction(TCompletionAction value) { completionAction_ = value; }
    TIfOutputExists IfOutputExists() const { return ifOutputExists_; }
    void SetIfOutputExists(TIfOutputExists value) { ifOutputExists_ = value; }
    const std::string& SnapshotType() const { return snapshotType_; }

    // --- state for views and tests ---
    const TJobList& Jobs() const { return jobs_; }
    TRAzidiZUV& Converter() { return converter_; }
    const std::string& DiagnosticLog() const { return diagnosticLog_; }
    const std::string& PreviewFile() const { return previewFile_; }
    bool ListBusy() const { return listBusy_; }
    // The row of each task of the current run (RebuildTasks).
    const std::vector<int>& TaskRows() const { return taskRows_; }
    // The file a row's job writes in the current run, and once it has ended
    // where its file is: the final name, the stopped name, or the temporary
    // name of a failed job's partial file; empty when it did not run or left nothing.
    std::string RunOutputOf(int row) const;

private:
    enum class TProbeOutcome { NotAFile, Unreadable, Opened };
    struct TProbeResult {
        TProbeOutcome Outcome = TProbeOutcome::NotAFile;
        std::string Error; // NotAFile: the reason; Unreadable: the probe's error
        // Opened: the input for the task (none when the file changed meanwhile).
        std::optional<TProbedInput> Input;
    };
    // An add in progress, in two steps. First a worker opens the first file
    // (the only one of a single add) in `first`, whose facts the windows
    // show; the main thread takes its input over when it lists the file.
    // Then, for several files, a worker probes the others in handling order,
    // queues each result and posts a drain; library calls made while one
    // result is handled may serve the next post, so the drain never nests.
    struct TAdd {
        std::vector<std::string> files;     // in listing order
        bool single = false;                // a clip allowed, no many-file listing
        std::optional<TJobRequest> request; // given: no windows
        TAVProbe first;                     // the worker's until it posts, then the main thread's
        // Without its input, which stays in `first`; none when the first step
        // did not run (a many-file request).
        std::optional<TProbeResult> firstResult;
        TSourceFacts firstFacts; // main thread
        std::string ext;
        size_t handled = 0;
        bool draining = false; // main thread
        std::atomic<bool> cancel{false};
        TAVProbe others; // the second worker's
        std::mutex lock;
        std::deque<TProbeResult> results; // guarded by lock
        std::thread worker;
    };

    // Job list helpers.
    void ShowRow(int row);
    void RenumberRows();
    void EnableAfterAdd();
    void SetListPanelEnabled(bool enabled);
    void SetRowState(int row, TJobState state);
    void SelectAndFocus(int row);

    // Add helpers.
    // The first steps of every add: fresh settings, the converter's libraries.
    bool PrepareAdd();
    // One file (a clip allowed): refused at once when it is no regular file,
    // else probed, then the windows (none with `request`) and its job.
    void AddSingleFile(const std::string& file, std::optional<TJobRequest> request = std::nullopt);
    // Several files (no clip), given in their listing order: the first
    // probed, then the windows and their jobs.
    void StartManyAdd(const std::vector<std::string>& files);
    // Starts an add with the worker that opens its first file (`files` in
    // listing order); ProbedFirst goes on with it on the main thread.
    void BeginAdd(std::vector<std::string> files, bool single, std::optional<TJobRequest> request);
    // A fresh add's state; "添加" and "转换" stay off until it ends.
    TAdd& NewAdd(std::vector<std::string> files);
    void ProbedFirst();
    // Every add ends in one of these two. A single source, found to be a
    // regular file and probed: the settings from the request checked against
    // the source's duration, then listed. Several: the settings from the
    // request, then the many-file add.
    void AddSingleRequest(const TJobRequest& request);
    void AddManyRequest(const TJobRequest& request);
    // The many-file add once the settings are written: the add's files in
    // listing order, the first one's result already in when it was probed.
    void BeginManyAdd();
    // Any thread: opens `file` in `probe` with the format its task forces;
    // Opened leaves the input in the probe for TakeInput.
    static TProbeResult OpenSource(TAVProbe& probe, const std::string& file);
    // The end of a single add or of one that listed nothing: the add and run actions back.
    void EndAdd();
    bool LoadConverterLibraries();
    void Log(const std::string& message);
    // Asks the desktop to open `target`; when nothing opens it the status bar
    // and the log say so, naming `what` it is ("帮助页面").
    void OpenForUser(const std::string& target, const std::string& what);
    void AppendLogLine(const std::string& line);
    // Registers and lists one source whose probe succeeded, the task taking
    // over the probe's input when there is one. False when it was not listed.
    bool ListProbedFile(const std::string& sourceFile, const std::string& outputCandidate, bool singleFile,
                        std::optional<TProbedInput> input);
    void ReportUnreadable(const std::string& sourceFile, const std::string& probeError);
    // The add drops `file`: the log line, then the view's report.
    void ReportNotAdded(const std::string& file, const std::string& reason);
    void DrainProbeResults();
    // Lists the next file from its probe result; false when the add must stop.
    bool HandleProbeResult(TProbeResult& result);
    void FinishManyAdd();
    // Ends the add under way, if any, without listing more: its workers are cut short and joined.
    void StopAdd();
    bool RefuseWhenFull();
    // Whether an output name is taken: an existing file (unless the user chose
    // to overwrite), the output of another job, listed or in this run, or the
    // source of a listed job or of `newSource` (never overwritten).
    bool OutputTaken(const std::string& path, const std::set<std::string>& claimed,
                     const std::string& newSource = {}) const;

    // Run helpers.
    void SetRunControlsIdle(bool idle);
    // Stops the run without waiting (the stop question's OK, a close).
    void BeginStop();
    // No completion action any more, every job stopped with waiting, the
    // handlers detached: the destructor, and a close outside a run.
    void CloseNow();
    void OnProgress(const TProgressInfo& info);
    void OnTerminate(const TJobEnding& ending);
    // Delivery threads: the staging of a task of the current run, if any.
    std::optional<TStagedOutput> StagedOutputOf(int taskIndex) const;
    void AllJobsEnded(bool runCompletionAction);
    int RowOfTask(int taskIndex) const;
    void AttachConverterEvents();

    // Job list file helpers.
    void SaveJobList();
    void RestoreJobList();

    IMainView& view_;
    IPlatform& platform_;
    TSettingsStore& store_;
    std::string programFolder_;
    std::string jobListFile_;

    // By task index: where the current run's tasks write and what their files
    // must hold. Read by the converter's delivery threads, so it is declared
    // before the converter, which waits for them when it is destroyed.
    mutable std::mutex stagedLock_;
    std::vector<TStagedOutput> staged_; // guarded by stagedLock_

    TRAzidiZUV converter_;
    TJobList jobs_;
    // The settings of the add in progress, written from its request.
    TConversionSettings settings_;
    std::string outputFolder_;
    bool outputFolderReplaced_ = false;
    std::string diagnosticLog_;
    std::string previewFile_;
    std::string snapshotType_;
    bool listBusy_ = false;

    TCpuUsage cpuUsage_ = cuNormal;
    int parallelIndex_ = 0;
    TCompletionAction completionAction_ = caOpenFolder;
    TIfOutputExists ifOutputExists_ = ieNewName;

    bool running_ = false;
    bool runPaused_ = false;
    bool runStopped_ = false;
    bool closed_ = false;
    bool closing_ = false; // a close waits for the run's end
    std::vector<int> taskRows_;
    std::vector<std::string> runOutputs_; // by row, set by RebuildTasks and each job's end
    // Rows RebuildTasks could not register again, with the reason for the user.
    std::vector<std::pair<int, std::string>> startFailures_;

    std::unique_ptr<TAdd> adding_;
    // Posted calls (termination reports, probe results) check it before they
    // touch this object; it dies with the object, on the main thread.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
