// The job list operations of the main window's logic: remove, clear, move,
// selection and the media information report.
#include "app/MainWindowLogic.h"
#include "profiles/Translation.h"

#include <filesystem>
#include <system_error>

namespace {

// Clears a busy flag when the list update ends, also by an exception.
class TBusyScope {
public:
    explicit TBusyScope(bool& flag) : flag_(flag) { flag_ = true; }
    ~TBusyScope() { flag_ = false; }
    TBusyScope(const TBusyScope&) = delete;
    TBusyScope& operator=(const TBusyScope&) = delete;

private:
    bool& flag_;
};

} // namespace

void TMainWindowLogic::ShowRow(int row) {
    view_.UpdateRow(row, jobs_.Row(row));
}

void TMainWindowLogic::RenumberRows() {
    jobs_.Renumber();
    for (int row = 0; row < jobs_.RowCount(); ++row)
        ShowRow(row);
}

void TMainWindowLogic::SetRowState(int row, TJobState state) {
    jobs_.Row(row).SetState(state);
    ShowRow(row);
    SaveJobList();
}

void TMainWindowLogic::SetListPanelEnabled(bool enabled) {
    for (auto action : {TMainAction::ListMoveUp, TMainAction::ListMoveDown, TMainAction::ListClear,
                        TMainAction::ListRemove})
        view_.SetEnabled(action, enabled);
}

void TMainWindowLogic::SelectAndFocus(int row) {
    view_.SelectRow(row);
    JobRowSelected();
}

void TMainWindowLogic::RemoveSelectedJob() {
    const int r = view_.SelectedRow();
    if (r < 0 || r >= jobs_.RowCount()) {
        view_.ShowMessage(VT_TR("请先选择您需要删除的项目！"), VT_TR("提示"), TMessageIcon::Information);
        return;
    }
    {
        TBusyScope busy(listBusy_);
        view_.ClosePreview();
        // Tasks registered while adding keep the row order until a run ends.
        if (jobs_.Row(r).State == TJobState::Waiting && converter_.TaskCount() >= jobs_.RowCount() &&
            r < converter_.TaskCount())
            converter_.RemoveTask(r);
        jobs_.RemoveJob(r);
        view_.DeleteRow(r);
        if (r < static_cast<int>(runOutputs_.size()))
            runOutputs_.erase(runOutputs_.begin() + r);
        RenumberRows();
    }
    SaveJobList();
    const bool rowsLeft = jobs_.RowCount() > 0;
    view_.SetEnabled(TMainAction::ListRemove, false);
    view_.SetEnabled(TMainAction::Remove, false);
    for (auto action : {TMainAction::ListMoveUp, TMainAction::ListMoveDown, TMainAction::ListClear})
        view_.SetEnabled(action, rowsLeft);
    view_.SetEnabled(TMainAction::Clear, rowsLeft);
    view_.SetEnabled(TMainAction::Start, rowsLeft);
    view_.ClosePreview();
}

void TMainWindowLogic::ClearJobs() {
    ResetConversionSettings(settings_);
    converter_.ClearTasks();
    view_.ClosePreview();
    view_.DeleteAllRows();
    jobs_.Clear();
    runOutputs_.clear();
    SaveJobList();
    view_.SetEnabled(TMainAction::Add, true);
    for (auto action : {TMainAction::Remove, TMainAction::Clear, TMainAction::Start})
        view_.SetEnabled(action, false);
    SetListPanelEnabled(false);
}

void TMainWindowLogic::MoveJobUp() {
    const int r = view_.SelectedRow();
    if (r <= 0 || r >= jobs_.RowCount())
        return;
    TBusyScope busy(listBusy_);
    jobs_.SwapJobs(r, r - 1);
    std::swap(runOutputs_.at(static_cast<size_t>(r)), runOutputs_.at(static_cast<size_t>(r - 1)));
    RenumberRows();
    SaveJobList();
    SelectAndFocus(r - 1);
}

void TMainWindowLogic::MoveJobDown() {
    const int r = view_.SelectedRow();
    if (r < 0 || r >= jobs_.RowCount() - 1)
        return;
    TBusyScope busy(listBusy_);
    jobs_.SwapJobs(r, r + 1);
    std::swap(runOutputs_.at(static_cast<size_t>(r)), runOutputs_.at(static_cast<size_t>(r + 1)));
    RenumberRows();
    SaveJobList();
    SelectAndFocus(r + 1);
}

void TMainWindowLogic::JobRowSelected() {
    if (!running_) {
        view_.SetEnabled(TMainAction::Remove, true);
        view_.SetEnabled(TMainAction::ListRemove, true);
    }
    view_.ResetPreviewSlider();
    const int row = view_.SelectedRow();
    if (row < 0 || row >= jobs_.RowCount())
        return;
    previewFile_ = jobs_.Row(row).SourceFile;
    if (!listBusy_)
        view_.StartPreview(previewFile_);
}

void TMainWindowLogic::JobListClickedEmpty() {
    if (view_.SelectedRow() < 0)
        view_.ClosePreview();
}

std::optional<TMediaReport> TMainWindowLogic::ShowMediaReport() {
    const int row = view_.SelectedRow();
    if (jobs_.RowCount() == 0 || row < 0 || row >= jobs_.RowCount())
        return std::nullopt;
    const std::string path = jobs_.Row(row).SourceFile;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return std::nullopt;
    TAVProbe& probe = converter_.Probe();
    // A failing open leaves no file in the probe: its texts come back empty.
    try {
        probe.Open(path);
    } catch (const std::exception& e) {
        Log(e.what());
    }
    return MakeMediaReport(probe);
}
