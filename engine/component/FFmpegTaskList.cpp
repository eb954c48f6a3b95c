#include "component/FFmpegTaskList.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace {

void CheckIndex(int index, int count) {
    if (index < 0 || index >= count)
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

} // namespace

TFFmpeg::TFFmpeg(int maxFiles)
    : TCustomFFmpeg(maxFiles), probes_(maxFiles), inputOptions_(maxFiles), outputOptions_(maxFiles) {}

TFFmpeg::~TFFmpeg() {
    // The owner is discarding the task: a task that never ran is not reported
    // as stopped to anyone.
    runner_.SetTerminateEvent({});
    runner_.Shutdown();
    ReleaseEngineState();
}

void TFFmpeg::ReleaseEngineState() {
    // The probes only borrow the inputs' contexts, so they let go first.
    for (auto& probe : probes_)
        if (probe)
            probe->Close();
    TCustomFFmpeg::ReleaseEngineState();
}

TAVProbe* TFFmpeg::InputProbe(int slot) const {
    return probes_.at(slot).get();
}

void TFFmpeg::AttachInputProbe(int slot) {
    auto& probe = probes_.at(slot);
    if (!probe)
        probe = std::make_unique<TAVProbe>();
    probe->Attach(InputContext(slot));
}

const TInputOptions* TFFmpeg::InputOptions(int slot) const {
    const auto& kept = inputOptions_.at(slot);
    return kept ? &*kept : nullptr;
}

const TOutputOptions* TFFmpeg::OutputOptions(int slot) const {
    const auto& kept = outputOptions_.at(slot);
    return kept ? &*kept : nullptr;
}

void TFFmpeg::KeepInputOptions(int slot, const TInputOptions& options) {
    inputOptions_.at(slot) = options;
}

void TFFmpeg::KeepOutputOptions(int slot, const TOutputOptions& options) {
    outputOptions_.at(slot) = options;
}

void TFFmpeg::ClearOutputOptions(int slot) {
    outputOptions_.at(slot).reset();
}

TFFmpegList::~TFFmpegList() {
    Clear();
}

int TFFmpegList::Add(std::unique_ptr<TFFmpeg> task) {
    tasks_.push_back(std::move(task));
    return Count() - 1;
}

void TFFmpegList::Clear() {
    // Taken out first, so the list is empty while the tasks go down.
    std::vector<std::unique_ptr<TFFmpeg>> tasks = TakeAll();
    while (!tasks.empty())
        tasks.pop_back();
}

void TFFmpegList::Delete(int index) {
    Take(index).reset();
}

std::vector<std::unique_ptr<TFFmpeg>> TFFmpegList::TakeAll() {
    return std::exchange(tasks_, {});
}

std::unique_ptr<TFFmpeg> TFFmpegList::Take(int index) {
    CheckIndex(index, Count());
    std::unique_ptr<TFFmpeg> task = std::move(tasks_[index]);
    tasks_.erase(tasks_.begin() + index);
    return task;
}

TFFmpeg& TFFmpegList::Items(int index) {
    CheckIndex(index, Count());
    return *tasks_[index];
}

const TFFmpeg& TFFmpegList::Items(int index) const {
    CheckIndex(index, Count());
    return *tasks_[index];
}

int TFFmpegList::IndexOf(const TFFmpeg* task) const {
    for (int i = 0; i < Count(); ++i)
        if (tasks_[i].get() == task)
            return i;
    return -1;
}

void TFFmpegList::PauseAll() {
    for (auto& task : tasks_)
        task->Runner().Pause();
}

void TFFmpegList::ResumeAll() {
    for (auto& task : tasks_)
        task->Runner().Resume();
}

void TFFmpegList::StopAll(bool wait) {
    for (auto& task : tasks_)
        task->Runner().Stop(wait);
}

void TFFmpegList::SetPreviewAll(bool on) {
    for (auto& task : tasks_)
        task->Preview().SetFlag(PreviewWindowBit, on);
}

void TFFmpegList::SetPreviewBitmapAll(bool on) {
    for (auto& task : tasks_)
        task->Preview().SetFlag(PreviewBitmapBit, on);
}
