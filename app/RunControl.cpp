// The conversion run: start, pause, resume, stop, the progress and termination
// reports, the final statuses and the completion action.
#include "app/MainWindowLogic.h"
#include "profiles/Translation.h"

#include <algorithm>

namespace {

constexpr TThreadPriority PriorityOf[] = {tpIdle, tpLowest, tpLower, tpNormal}; // by TCpuUsage

} // namespace

void TMainWindowLogic::SetRunControlsIdle(bool idle) {
    for (auto action : {TMainAction::Add, TMainAction::Remove, TMainAction::Clear, TMainAction::Start,
                        TMainAction::BrowseOutput, TMainAction::CpuUsageChoice, TMainAction::ParallelChoice,
                        TMainAction::IfExistsChoice})
        view_.SetEnabled(action, idle);
    SetListPanelEnabled(idle);
    view_.SetEnabled(TMainAction::Pause, !idle);
    view_.SetEnabled(TMainAction::Stop, !idle);
}

std::string TMainWindowLogic::RunOutputOf(int row) const {
    return row >= 0 && row < static_cast<int>(runOutputs_.size()) ? runOutputs_[static_cast<size_t>(row)]
                                                                  : std::string();
}

std::optional<TStagedOutput> TMainWindowLogic::StagedOutputOf(int taskIndex) const {
    std::lock_guard guard(stagedLock_);
    if (taskIndex < 0 || taskIndex >= static_cast<int>(staged_.size()))
        return std::nullopt;
    return staged_[static_cast<size_t>(taskIndex)];
}

int TMainWindowLogic::RowOfTask(int taskIndex) const {
    if (taskIndex < 0 || taskIndex >= static_cast<int>(taskRows_.size()))
        return -1;
    return taskRows_[static_cast<size_t>(taskIndex)];
}

void TMainWindowLogic::StartOrResume() {
    if (running_ && runPaused_) {
        runPaused_ = false;
        view_.SetEnabled(TMainAction::Pause, true);
        view_.SetEnabled(TMainAction::Start, false);
        converter_.Resume();
        return;
    }
    if (running_ || adding_ || jobs_.RowCount() == 0)
        return;
    runStopped_ = false;
    RebuildTasks();
    for (int row = 0; row < jobs_.RowCount(); ++row) {
        TJobRow& r = jobs_.Row(row);
        r.Progress = 0;
        r.CurrentTime = "0"; // the last run's time is no part of this one
        r.SetState(TJobState::Waiting);
        r.Problem.clear();
    }
    // A job that cannot be registered again is not run; its row says so
    // rather than waiting for a report that never comes. The reason goes to
    // the log, not into a box: the other jobs must not wait for a click.
    for (const auto& [row, reason] : startFailures_) {
        jobs_.Row(row).SetState(TJobState::Failed);
        jobs_.Row(row).Problem = reason;
    }
    for (int row = 0; row < jobs_.RowCount(); ++row)
        ShowRow(row);
    SaveJobList();
    for (const auto& [row, reason] : startFailures_) {
        Log("***" + reason);
        view_.JobNotStarted(row, reason);
    }

    converter_.SetThreadPriority(PriorityOf[cpuUsage_]);
    SetRunControlsIdle(false);
    running_ = true;
    if (converter_.TaskCount() == 0) {
        // Nothing to run: the converter reports nothing, so end here, and
        // without the completion action, since nothing was converted.
        AllJobsEnded(false);
        return;
    }
    converter_.StartTask(std::min(parallelIndex_ + 1, converter_.TaskCount()));
}

void TMainWindowLogic::Pause() {
    // A stopping task must not be held: its stop would never end.
    if (!running_ || runPaused_ || runStopped_)
        return;
    runPaused_ = true;
    view_.SetEnabled(TMainAction::Pause, false);
    view_.SetEnabled(TMainAction::Start, true);
    converter_.Pause();
    for (int row = 0; row < jobs_.RowCount(); ++row)
        if (jobs_.Row(row).State == TJobState::Converting)
            SetRowState(row, TJobState::Paused);
}

void TMainWindowLogic::StopWithQuestion() {
    if (!running_)
        return;
    if (!view_.ShowMessage(VT_TR("您确实要终止目前的转换工作吗？"), VT_TR("提示信息"),
                           TMessageIcon::Information, TMessageButtons::OkCancel))
        return;
    // The run goes on while the question is up and may have ended meanwhile.
    if (!running_)
        return;
    BeginStop();
}

void TMainWindowLogic::BeginStop() {
    runPaused_ = false;
    runStopped_ = true;
    for (auto action : {TMainAction::Start, TMainAction::Pause, TMainAction::Stop})
        view_.SetEnabled(action, false);
    for (int row = 0; row < jobs_.RowCount(); ++row) {
        TJobRow& r = jobs_.Row(row);
        if (r.State == TJobState::Converting || r.State == TJobState::Paused) {
            r.SetState(TJobState::Stopping);
            ShowRow(row);
        }
    }
    SaveJobList();
    // Every task is asked at once and the window goes on: writing the
    // trailers takes a while, and the run ends with the last termination report.
    converter_.Stop(false);
}

void TMainWindowLogic::OnProgress(const TProgressInfo& info) {
    const int row = RowOfTask(info.TaskIndex);
    if (row < 0)
        return;
    TJobRow& r = jobs_.Row(row);
    if (const int percent = ProgressPercent(info.CurrentDuration, info.TotalDuration); percent >= 0)
        r.Progress = percent;
    r.CurrentTime = std::to_string(info.CurrentDuration / 1000000) + VT_TR("   (秒)");
    // A report may have been on its way when the run was paused or stopped;
    // it must not make the row read as converting again.
    const TJobState state = runStopped_  ? TJobState::Stopping
                            : runPaused_ ? TJobState::Paused
                                         : TJobState::Converting;
    const bool statusChanged = r.State != state;
    r.SetState(state);
    ShowRow(row);
    if (statusChanged)
        SaveJobList();
    view_.JobProgress(row, info);
}

void TMainWindowLogic::OnTerminate(const TJobEnding& ending) {
    const TTerminateInfo& info = ending.Info;
    if (info.TaskIndex < 0) {
        // A user who stopped the run wants none of it, least of all a shutdown.
        AllJobsEnded(!runStopped_);
        return;
    }
    const int row = RowOfTask(info.TaskIndex);
    if (row < 0)
        return;
    runOutputs_[static_cast<size_t>(row)] = ending.Output;
    TJobRow& r = jobs_.Row(row);
    if (info.Finished) {
        r.Progress = 100;
        r.SetState(TJobState::Finished);
    } else if (info.Failed) {
        r.SetState(TJobState::Failed);
        r.Problem = info.ErrorMessage;
    }
    ShowRow(row);
    SaveJobList();
    if (ending.Check)
        view_.JobChecked(row, *ending.Check);
    view_.JobEnded(row, info);
    if (info.Failed)
        view_.ShowMessage(info.ErrorMessage, ApplicationTitle, TMessageIcon::Warning);
}

void TMainWindowLogic::AllJobsEnded(bool runCompletionAction) {
    SetRunControlsIdle(true);
    // Every row keeps the status its own reports gave it; a stopped run turns
    // the jobs it cut short into "停止".
    if (runStopped_) {
        for (int row = 0; row < jobs_.RowCount(); ++row) {
            if (CutShort(jobs_.Row(row).State))
                SetRowState(row, TJobState::Stopped);
        }
    }
    converter_.ClearTasks();
    taskRows_.clear();
    {
        std::lock_guard guard(stagedLock_);
        staged_.clear();
    }
    running_ = false;
    SaveJobList();
    runPaused_ = false;
    // A hint shown during the run says nothing about the list now.
    view_.SetStatusText("");
    view_.RunEnded();
    if (closing_) {
        // The close waited for this report; now the window may go.
        view_.CloseMainWindow();
        return;
    }
    if (!runCompletionAction)
        return;
    if (completionAction_ == caShutDown)
        ShutDownComputer();
    else if (completionAction_ == caOpenFolder)
        OpenOutputFolder();
}
