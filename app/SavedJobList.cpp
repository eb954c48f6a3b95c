// The main window's job list kept across program starts (SetJobListFile):
// saved on every change of the list or of a status, restored at start-up.
#include "app/MainWindowLogic.h"

#include "app/AtomicFile.h"
#include "app/JobListFile.h"
#include "app/OutputFiles.h"
#include "media/FileHelpers.h"
#include "profiles/Translation.h"

#include <cstdio>

void TMainWindowLogic::SaveJobList() {
    if (jobListFile_.empty())
        return;
    std::vector<TSavedJob> jobs;
    jobs.reserve(static_cast<size_t>(jobs_.RowCount()));
    for (int row = 0; row < jobs_.RowCount(); ++row) {
        const TJobSlot& slot = jobs_.Slot(row);
        jobs.push_back({jobs_.Row(row), slot.Input, slot.Output, RunOutputOf(row)});
    }
    std::string error;
    if (!SaveJobListFile(jobListFile_, jobs, error))
        Log("***任务列表保存失败: " + error);
}

void TMainWindowLogic::RestoreJobList() {
    if (jobListFile_.empty())
        return;
    RemoveLeftoverTemporaries(jobListFile_);
    if (!PathExists(jobListFile_))
        return;
    std::vector<TSavedJob> saved;
    std::string error;
    if (!LoadJobListFile(jobListFile_, saved, error)) {
        // A list that cannot be read must not keep the program from starting.
        Log("***任务列表无法恢复: " + error);
        view_.SetStatusText(VT_TR("上次的任务列表无法恢复，列表从空开始"));
        return;
    }
    runOutputs_.clear();
    std::vector<std::string> notConverted;
    for (TSavedJob& job : saved) {
        if (!jobs_.CanAdd())
            break;
        const int row = jobs_.AddJobRow(job.Row.SourceFile, job.Output.FileName, job.Input, job.Output);
        TJobRow& r = jobs_.Row(row);
        const std::optional<TJobState> state = StateOfStatus(job.Row.Status);
        if (state == TJobState::Finished || state == TJobState::Failed || state == TJobState::Stopped) {
            r.SetState(*state);
            r.Progress = job.Row.Progress;
            r.CurrentTime = job.Row.CurrentTime;
        } else {
            // Converting or paused when the program ended, or waiting in that
            // run: not converted. What such a run began under the temporary
            // name is no use to anyone.
            if (!job.RunOutput.empty())
                RemoveUnfinishedRun(job.RunOutput);
            job.RunOutput.clear();
            notConverted.push_back(job.Output.FileName);
        }
        runOutputs_.push_back(job.RunOutput);
        view_.InsertRow(row, r);
    }
    // The empty files the add's checks of those jobs opened in versions that
    // kept them until the program ended.
    RemoveAddCheckFiles(notConverted);
    if (jobs_.RowCount() == 0)
        return;
    RenumberRows();
    EnableAfterAdd();
    // No row is selected after a start: "移除" waits for the user's pick.
    const bool selected = view_.SelectedRow() >= 0;
    view_.SetEnabled(TMainAction::Remove, selected);
    view_.SetEnabled(TMainAction::ListRemove, selected);
    // A run needs the converter's libraries, which an add loads otherwise.
    LoadConverterLibraries();
    SaveJobList();
}
