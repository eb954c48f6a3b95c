// What the main window's logic asks of its window: rows and their cells, which
// actions are enabled, the selection, message boxes, the status text, the
// preview panel and the modal windows it opens. The Qt window implements it;
// tests use a fake. Every call comes on the main thread.
#pragma once

#include "app/JobList.h"
#include "media/SourceFacts.h"
#include "profiles/JobRequest.h"

#include <optional>
#include <string>
#include <vector>

// The actions the logic enables and disables. The tool bar's "移除"/"清空" and
// the list panel's buttons of the same captions are separate controls.
enum class TMainAction {
    Add,            // "添加"
    Remove,         // tool bar "移除"
    Clear,          // tool bar "清空"
    Start,          // "转换"
    Pause,          // "暂停"
    Stop,           // "停止"
    BrowseOutput,   // "浏览..."
    IfExistsChoice, // "如果输出文件存在："
    CpuUsageChoice, // "CPU占用率修改项目："
    ParallelChoice, // "同时进行转换的文件个数："
    ListMoveUp,     // panel "上移"
    ListMoveDown,   // panel "下移"
    ListRemove,     // panel "移除"
    ListClear,      // panel "清空"
};

enum class TMessageIcon { Information, Warning, Error };

// What the check of a finished job's output found. The expected duration is
// what was converted (the whole source or the clip).
struct TOutputCheck {
    bool Passed = false;
    std::string Problem;         // empty when passed, else a text naming what is wrong
    double ExpectedSeconds = -1; // -1: unknown
    double MeasuredSeconds = -1; // -1: unknown
};
enum class TMessageButtons { Ok, OkCancel };

class IMainView {
public:
    virtual ~IMainView() = default;

    // The rows mirror TJobList's rows: one call per change, the whole row at once.
    virtual void InsertRow(int row, const TJobRow& content) = 0;
    virtual void UpdateRow(int row, const TJobRow& content) = 0;
    virtual void DeleteRow(int row) = 0;
    virtual void DeleteAllRows() = 0;

    // The selected row, -1 for none.
    virtual int SelectedRow() const = 0;
    // Selects `row` (-1: none) and gives the list the input focus. Must not call
    // back into the logic: the logic runs its own selection reaction.
    virtual void SelectRow(int row) = 0;

    virtual void SetEnabled(TMainAction action, bool enabled) = 0;
    // True when the user answered OK.
    virtual bool ShowMessage(const std::string& text, const std::string& title, TMessageIcon icon,
                             TMessageButtons buttons = TMessageButtons::Ok) = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    // The read-only output folder box.
    virtual void SetOutputFolderText(const std::string& folder) = 0;

    // The preview panel.
    virtual void ClosePreview() = 0;
    virtual void StartPreview(const std::string& fileName) = 0;
    virtual void ResetPreviewSlider() = 0;

    // The format chooser and the options window, modal, for an add of `sources`
    // (in the order their jobs are to be listed; the options window names the
    // first and shows `firstSource`, what the add's probe found in it). What
    // the confirmed windows show, as a request for `sources`; none when the
    // user cancelled. `allowClip`: the options window's "允许截取视频".
    virtual std::optional<TJobRequest> ChooseJob(const std::vector<std::string>& sources,
                                                 const std::string& outputFolder, bool allowClip,
                                                 const TSourceFacts& firstSource) = 0;
    // Progress of an add whose probes run on a worker: `done` of `total`.
    virtual void ShowAddProgress(int done, int total) = 0;
    // The password window: the typed text, or none for "退出".
    virtual std::optional<std::string> AskPassword() = 0;
    // Ends the program (the main window closes).
    virtual void CloseMainWindow() = 0;

    // Optional observers, for views that show more than the rows (the command
    // line's speed and time left, its failure lines and log output).
    virtual void JobProgress(int /*row*/, const TProgressInfo& /*info*/) {}
    // For a job that ended by itself, the check of its output, just before its JobEnded.
    virtual void JobChecked(int /*row*/, const TOutputCheck& /*check*/) {}
    virtual void JobEnded(int /*row*/, const TTerminateInfo& /*info*/) {}
    // A job that could not be set up again at the start of a run and does not
    // run; `reason` is also in the log.
    virtual void JobNotStarted(int /*row*/, const std::string& /*reason*/) {}
    // A file an add was given and did not list (gone, not a regular file,
    // unreadable, no output possible, the list full); `reason` names it. One
    // call per file, in the order the add handles them, interleaved with the
    // rows it inserts.
    virtual void FileNotAdded(const std::string& /*file*/, const std::string& /*reason*/) {}
    virtual void RunEnded() {}
    virtual void DiagnosticLine(const std::string& /*line*/) {}
};
