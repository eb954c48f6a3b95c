#include "engine/RAzidiZUV.h"

#include "component/FFmpegTaskList.h"
#include "engine/ConverterVersion.h"
#include "engine/FormatText.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "options/OptionLines.h"
#include "options/OptionTable.h"
#include "options/OutputDefaults.h"
#include "options/RecordOptions.h"

#include <exception>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <utility>

namespace {

void RaiseBusy(const char* operation) {
    throw std::runtime_error(FormatText("Cannot %s while working.", operation));
}

// The options an extra stream takes from the default list, in order, before its own line.
struct TExtraStream {
    const char* LineName;
    std::initializer_list<const char*> OptionNames;
};
const TExtraStream ExtraStreams[] = {
    {"newaudio", {"acodec", "apre"}},
    {"newvideo", {"vcodec", "vpre", "s", "vf"}},
    {"newsubtitle", {"spre"}},
};

const TExtraStream* FindExtraStream(const std::string& lineName) {
    for (const TExtraStream& stream : ExtraStreams)
        if (lineName == stream.LineName)
            return &stream;
    return nullptr;
}

} // namespace

TRAzidiZUV::TRAzidiZUV(TFFBaseComponent* owner) : TCustomRAzidiZUV(owner) {}

TRAzidiZUV::~TRAzidiZUV() {
    // Before the base part goes: workers still reporting call into this object.
    Shutdown();
}

bool TRAzidiZUV::LoadLibraries(const std::string& directory) {
    return LoadLibrarySet(ConverterLibrarySet, directory, lastError_, this);
}

bool TRAzidiZUV::LibrariesLoaded() const {
    return LibrarySetLoaded(ConverterLibrarySet);
}

int TRAzidiZUV::AddTask(const std::string& fileName, const TInputOptions* options) {
    // The caller has usually just examined the file with the probe.
    return AddTaskOpening(fileName, options,
                          [&](TFFmpeg& task) { return task.OpenInputFile(fileName, probe_.get()); });
}

int TRAzidiZUV::AddTask(const std::string& fileName, const TInputOptions& options,
                        std::optional<TProbedInput> probed) {
    return AddTaskOpening(fileName, &options,
                          [&](TFFmpeg& task) { return task.OpenInputFile(fileName, probed); });
}

int TRAzidiZUV::AddTaskOpening(const std::string& fileName, const TInputOptions* options,
                               const std::function<bool(TFFmpeg&)>& openInput) {
    {
        TerminateGuard guard(*this);
        if (working_)
            RaiseBusy("AddTask");
    }
    auto task = std::make_unique<TFFmpeg>(maxFiles_);
    try {
        if (LibrariesLoaded())
            task->ResetEngineState();
        task->Settings().Verbose = taskVerbosity_;
        task->SetOpenLimits(std::chrono::milliseconds(openTimeout_.load()), &openCancels_);
        task->SetLogSender(this);
        task->SetMarkIncompleteOutputs(markIncompleteOutputs_);
        task->Preview().SetLogSender(this);
        task->Preview().SetFlags(static_cast<uint8_t>((preview_ ? PreviewWindowBit : 0) |
                                                      (previewBitmap_ ? PreviewBitmapBit : 0)));
        TFFmpeg* raw = task.get();
        task->Preview().SetBitmapEvent([this, raw](const TBitmap24& bitmap, int frameNumber, int64_t pts) {
            CallPreviewEvent(raw, bitmap, frameNumber, pts);
        });
        if (options) {
            TInputOptions kept = *options;
            if (kept.FileName.empty())
                kept.FileName = fileName;
            task->KeepInputOptions(task->OpenedInputCount(), kept);
            ApplyOptionLines(*task, kept.ExtOptions, olmInput);
            ApplyInputRecordFields(*task, kept);
        }
        if (!openInput(*task)) {
            lastError_ = task->ErrorText();
            GetLogger().Log(this, llError, lastError_);
            return -1;
        }
        task->AttachInputProbe(task->OpenedInputCount() - 1);
        ConnectTask(*task);
    } catch (const std::exception& e) {
        lastError_ = e.what();
        GetLogger().Log(this, llError, lastError_);
        return -1;
    }
    TerminateGuard guard(*this);
    return tasks_->Add(std::move(task));
}

bool TRAzidiZUV::SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options) {
    {
        TerminateGuard guard(*this);
        if (working_)
            RaiseBusy("SetOutputFile");
    }
    TFFmpeg& task = tasks_->Items(taskIndex);
    const int slot = task.OpenedOutputCount();
    if (slot >= task.MaxFiles()) {
        lastError_ = FormatText("max output files %d reached", task.MaxFiles());
        GetLogger().Log(this, llError, lastError_);
        return false;
    }
    try {
        std::optional<TOutputDefaults> defaults;
        if (options) {
            TOutputOptions kept = *options;
            if (kept.FileName.empty())
                kept.FileName = fileName;
            task.KeepOutputOptions(slot, kept);
            defaults.emplace(kept);
            ApplyOutputTarget(task, kept);
            for (const char* name : {"acodec", "vcodec", "scodec", "apre", "vpre", "spre"})
                if (const std::string& value = defaults->Default(name); !value.empty())
                    DispatchOption(task, name, value);
            ApplyOptionLines(task, kept.ExtOptions, olmOutput);
            ApplyOutputRecordFields(task, kept);
            for (const char* name : {"s", "vf"})
                if (const std::string& value = defaults->Default(name); !value.empty())
                    DispatchOption(task, name, value);
            if (kept.CustomHook) {
                TFFmpeg* raw = &task;
                task.OnHook = [this, raw](TBitmap24& bitmap, int frameNumber, int64_t pts, bool& update,
                                          bool& stopHook) {
                    CallHookEvent(raw, bitmap, frameNumber, pts, update, stopHook);
                };
            }
        } else {
            task.ClearOutputOptions(slot);
        }
        const bool join = options && options->Join;
        if (task.OpenOutputFile(fileName, join) < 0) {
            lastError_ = task.ErrorText();
            task.ClearOutputOptions(slot);
            GetLogger().Log(this, llError, lastError_);
            return false;
        }
        if (options) {
            for (const TOptionLine& line : AllOptionLines(options->ExtOptions)) {
                const TExtraStream* stream = FindExtraStream(line.Name);
                if (!stream)
                    continue;
                for (const char* name : stream->OptionNames)
                    if (const std::string value = defaults->Take(name); !value.empty())
                        DispatchOption(task, name, value);
                DispatchOption(task, line.Name, line.Value);
            }
        }
    } catch (const std::exception& e) {
        lastError_ = e.what();
        GetLogger().Log(this, llError, lastError_);
        return false;
    }
    return true;
}

void TRAzidiZUV::RemoveTask(int taskIndex) {
    std::vector<std::unique_ptr<TFFmpeg>> task;
    {
        TerminateGuard guard(*this);
        if (working_)
            RaiseBusy("RemoveTask");
        task.push_back(tasks_->Take(taskIndex));
    }
    // Freed outside the lock: freeing waits for the task's threads.
    FreeTasks(std::move(task));
}

void TRAzidiZUV::ClearTasks() {
    CancelOpenings();
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    {
        TerminateGuard guard(*this);
        if (working_ && !allDoneReported_)
            throw std::runtime_error("Cannot ClearTasks while working.");
        tasks = tasks_->TakeAll();
        lastError_.clear();
        finishedCount_ = 0;
        nextTaskIndex_ = -1;
        pendingCount_ = 0;
        allDoneReported_ = false;
        threadMode_ = false;
        working_ = false;
    }
    // Freed outside the lock: freeing waits for the tasks' threads.
    FreeTasks(std::move(tasks));
}

int TRAzidiZUV::TaskCount() const {
    TerminateGuard guard(*this);
    return tasks_->Count();
}

AVFormatContext* TRAzidiZUV::InputContext(int taskIndex, int inputIndex) const {
    return tasks_->Items(taskIndex).InputContext(inputIndex);
}

int TRAzidiZUV::InputCount(int taskIndex) const {
    return tasks_->Items(taskIndex).OpenedInputCount();
}

const TInputOptions* TRAzidiZUV::InputOptions(int taskIndex, int slot) const {
    return tasks_->Items(taskIndex).InputOptions(slot);
}

const TOutputOptions* TRAzidiZUV::OutputOptions(int taskIndex, int slot) const {
    return tasks_->Items(taskIndex).OutputOptions(slot);
}

std::vector<AVMediaType> TRAzidiZUV::OutputStreamTypes(int taskIndex, int outputIndex) const {
    const TFFmpeg& task = tasks_->Items(taskIndex);
    std::vector<AVMediaType> types;
    if (outputIndex < 0 || outputIndex >= task.OpenedOutputCount())
        return types;
    // The kinds are in the streams' codec contexts; the streams' own
    // parameters get them only when the run opens the encoders.
    for (const TOutputStreamSetup& stream : task.Output(outputIndex).Streams)
        types.push_back(stream.Codec ? stream.Codec->codec_type : stream.Stream->codecpar->codec_type);
    return types;
}

void TRAzidiZUV::StartTask(int threadCount) {
    // A synchronous run's all-done handler clears the list while its last task is still on the stack.
    TaskUseScope use(*this);
    bool threadMode;
    {
        TerminateGuard guard(*this);
        if (working_)
            RaiseBusy("StartTask");
        // An empty list would never end, so nothing starts and the component stays idle.
        if (tasks_->Count() == 0)
            return;
        finishedCount_ = 0;
        nextTaskIndex_ = 0;
        pendingCount_ = tasks_->Count();
        allDoneReported_ = false;
        paused_ = false;
        threadMode_ = threadMode = threadCount > 0;
        runThreadCount_ = threadCount;
        working_ = true;
    }
    for (;;) {
        TFFmpeg* task;
        {
            TerminateGuard guard(*this);
            task = TakeNextTaskLocked();
        }
        if (!task)
            return;
        StartTakenTask(task, threadMode);
        if (threadCount > 0 && --threadCount == 0)
            return;
    }
}

void TRAzidiZUV::Pause() {
    TerminateGuard guard(*this);
    paused_ = working_;
    tasks_->PauseAll();
}

void TRAzidiZUV::Resume() {
    TerminateGuard guard(*this);
    paused_ = false;
    tasks_->ResumeAll();
}

void TRAzidiZUV::Stop(bool waitForStop) {
    CancelOpenings();
    {
        TerminateGuard guard(*this);
        // Outside a run nothing runs; reporting tasks that were never asked to
        // run would make the application think a run has ended.
        if (!working_)
            return;
    }
    StopTasks(waitForStop);
}

std::string TRAzidiZUV::GetVersion() const {
    return ConverterVersion;
}

void TRAzidiZUV::SetPreview(bool value) {
    TerminateGuard guard(*this);
    preview_ = value;
    tasks_->SetPreviewAll(value);
}

void TRAzidiZUV::SetPreviewBitmap(bool value) {
    TerminateGuard guard(*this);
    previewBitmap_ = value;
    tasks_->SetPreviewBitmapAll(value);
}

void TRAzidiZUV::SetProgressInterval(int milliseconds) {
    progressInterval_ = milliseconds <= MinProgressInterval ? MinProgressInterval : milliseconds;
}

bool TRAzidiZUV::Working() const {
    TerminateGuard guard(*this);
    return working_;
}

bool TRAzidiZUV::AllDoneReported() const {
    TerminateGuard guard(*this);
    return allDoneReported_;
}
