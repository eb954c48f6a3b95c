// The conversion run: start, pause, resume, stop, the progress and termination
// reports, the final statuses and the completion action.
#include "app/MainWindowLogic.h"

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
        jobs_.Row(row).Progress = 0;
        jobs_.Row(row).Status = StatusWaiting;
    }
    // A job that cannot be registered again is not run; its row says so
    // rather than waiting for a report that never comes, and the user sees
    // why, as for a job that fails while it runs.
    for (const auto& [row, error] : startFailures_)
        jobs_.Row(row).Status = StatusFailed;
    for (int row = 0; row < jobs_.RowCount(); ++row)
        ShowRow(row);
    SaveJobList();
    for (const auto& [row, error] : startFailures_)
        view_.ShowMessage(error + "\n" + jobs_.Row(row).SourceFile, ApplicationTitle, TMessageIcon::Warning);

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
    if (!running_ || runPaused_)
        return;
    runPaused_ = true;
    view_.SetEnabled(TMainAction::Pause, false);
    view_.SetEnabled(TMainAction::Start, true);
    converter_.Pause();
    for (int row = 0; row < jobs_.RowCount(); ++row)
        if (jobs_.Row(row).Status == StatusConverting)
            SetRowStatus(row, StatusPaused);
}

void TMainWindowLogic::StopWithQuestion() {
    if (!running_)
        return;
    if (!view_.ShowMessage("您确实要终止目前的转换工作吗？", "提示信息", TMessageIcon::Information,
                           TMessageButtons::OkCancel))
        return;
    runPaused_ = false;
    runStopped_ = true;
    view_.SetEnabled(TMainAction::Stop, false);
    converter_.Stop(true);
}

void TMainWindowLogic::OnProgress(const TProgressInfo& info) {
    const int row = RowOfTask(info.TaskIndex);
    if (row < 0)
        return;
    TJobRow& r = jobs_.Row(row);
    if (info.TotalDuration > 0)
        r.Progress =
            static_cast<int>(std::clamp<int64_t>(info.CurrentDuration * 100 / info.TotalDuration, 0, 100));
    r.CurrentTime = std::to_string(info.CurrentDuration / 1000000) + "   (秒)";
    const bool statusChanged = r.Status != StatusConverting;
    r.Status = StatusConverting;
    ShowRow(row);
    if (statusChanged)
        SaveJobList();
    view_.JobProgress(row, info);
}

void TMainWindowLogic::OnTerminate(const TJobEnding& ending) {
    const TTerminateInfo& info = ending.Info;
    if (info.TaskIndex < 0) {
        AllJobsEnded(true);
        return;
    }
    const int row = RowOfTask(info.TaskIndex);
    if (row < 0)
        return;
    runOutputs_[static_cast<size_t>(row)] = ending.Output;
    TJobRow& r = jobs_.Row(row);
    if (info.Finished) {
        r.Progress = 100;
        r.Status = StatusFinished;
    } else if (info.Failed) {
        r.Status = StatusFailed;
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
            const std::string& status = jobs_.Row(row).Status;
            if (status == StatusConverting || status == StatusPaused)
                SetRowStatus(row, StatusStopped);
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
    view_.RunEnded();
    if (!runCompletionAction)
        return;
    if (completionAction_ == caShutDown)
        ShutDownComputer();
    else if (completionAction_ == caOpenFolder)
        OpenOutputFolder();
}
