#include "app/JobList.h"

#include <cctype>
#include <filesystem>
#include <utility>

std::string UpperExtension(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty())
        ext.erase(0, 1);
    for (auto& c : ext)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

namespace {

constexpr std::pair<TJobState, const char*> StatusWords[] = {
    {TJobState::Waiting, StatusWaiting}, {TJobState::Converting, StatusConverting},
    {TJobState::Paused, StatusPaused},   {TJobState::Stopping, StatusStopping},
    {TJobState::Stopped, StatusStopped}, {TJobState::Finished, StatusFinished},
    {TJobState::Failed, StatusFailed},
};

} // namespace

const char* StatusText(TJobState state) {
    for (const auto& [s, word] : StatusWords)
        if (s == state)
            return word;
    return StatusWaiting;
}

std::optional<TJobState> StateOfStatus(std::string_view status) {
    for (const auto& [state, word] : StatusWords)
        if (status == word)
            return state;
    return std::nullopt;
}

TJobList::TJobList() {
    ResetJobSlots();
}

bool TJobList::CanAdd() const {
    for (const auto& slot : slots_)
        if (slot.State == jsFree)
            return true;
    return false;
}

int TJobList::AddJobRow(const std::string& sourceFile, const std::string& outputFile,
                        const TInputOptions& input, const TOutputOptions& output) {
    for (auto& slot : slots_) {
        if (slot.State != jsFree)
            continue;
        slot.Input = input;
        slot.Output = output;
        slot.State = jsUsed;
        TJobRow row;
        row.SourceFile = sourceFile;
        row.SourceFormat = UpperExtension(sourceFile);
        row.TargetFormat = UpperExtension(outputFile);
        row.CurrentTime = "0";
        row.SetState(TJobState::Waiting);
        rows_.push_back(std::move(row));
        return RowCount() - 1;
    }
    return -1;
}

void TJobList::RemoveJob(int row) {
    rows_.erase(rows_.begin() + row);
    slots_.at(static_cast<size_t>(row)).State = jsDeleted;
    for (int i = row; i < SlotCount - 1; ++i)
        std::swap(slots_[static_cast<size_t>(i)], slots_[static_cast<size_t>(i) + 1]);
}

void TJobList::SwapJobs(int a, int b) {
    std::swap(rows_.at(static_cast<size_t>(a)), rows_.at(static_cast<size_t>(b)));
    std::swap(slots_.at(static_cast<size_t>(a)), slots_.at(static_cast<size_t>(b)));
}

void TJobList::Clear() {
    rows_.clear();
    ResetJobSlots();
}

void TJobList::ResetJobSlots() {
    for (auto& slot : slots_) {
        slot.Input = TInputOptions{};
        slot.Output = TOutputOptions{};
        slot.State = jsFree;
    }
}

void TJobList::Renumber() {
    for (int k = 0; k < RowCount(); ++k)
        rows_[static_cast<size_t>(k)].Number = std::to_string(k + 1);
}
