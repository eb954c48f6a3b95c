// The converter component's tasks: TFFmpeg is one task (the engine object, its
// run control and its per-file bookkeeping), TFFmpegList the ordered list that
// owns them.
//
// Threads: the list and the tasks' bookkeeping are changed on the main thread
// only, while no task of the list runs (the component's busy guard sees to
// that); workers only read them.
#pragma once

#include "engine/Records.h"
#include "media/AVProbe.h"
#include "run/TaskRunner.h"
#include "task/FFmpegTask.h"

#include <memory>
#include <optional>
#include <vector>

class TFFmpeg final : public TCustomFFmpeg {
public:
    explicit TFFmpeg(int maxFiles = DefaultMaxFiles);
    // Frees a task that may never have run without reporting it (its owner is
    // discarding it), stops a running one with waiting, releases the engine
    // state, then frees the probes and the kept option records.
    ~TFFmpeg() override;

    TTaskRunner& Runner() { return runner_; }
    const TTaskRunner& Runner() const { return runner_; }

    // Forgets the inputs in the probes before the inputs close.
    void ReleaseEngineState() override;

    // The probe of an opened input, filled from it when it was opened; null for
    // a slot without one. Valid while the input is open (until the task runs).
    TAVProbe* InputProbe(int slot) const;
    // Creates the probe of input `slot` and fills it from the opened input.
    void AttachInputProbe(int slot);

    // Kept copies of the option records given for each input and output slot.
    const TInputOptions* InputOptions(int slot) const;
    const TOutputOptions* OutputOptions(int slot) const;
    void KeepInputOptions(int slot, const TInputOptions& options);
    void KeepOutputOptions(int slot, const TOutputOptions& options);
    void ClearOutputOptions(int slot);

private:
    TTaskRunner runner_{*this};
    std::vector<std::unique_ptr<TAVProbe>> probes_;            // MaxFiles slots
    std::vector<std::optional<TInputOptions>> inputOptions_;   // MaxFiles slots
    std::vector<std::optional<TOutputOptions>> outputOptions_; // MaxFiles slots
};

class TFFmpegList {
public:
    TFFmpegList() = default;
    ~TFFmpegList();
    TFFmpegList(const TFFmpegList&) = delete;
    TFFmpegList& operator=(const TFFmpegList&) = delete;

    // Appends; returns the new index.
    int Add(std::unique_ptr<TFFmpeg> task);
    // Frees every task (last first) and empties the list.
    void Clear();
    // Frees one task and closes the gap. Raises std::out_of_range for a bad index.
    void Delete(int index);
    // Takes every task out of the list without freeing it.
    std::vector<std::unique_ptr<TFFmpeg>> TakeAll();
    // Takes one task out and closes the gap. Raises std::out_of_range for a bad index.
    std::unique_ptr<TFFmpeg> Take(int index);

    // Raises std::out_of_range for a bad index.
    TFFmpeg& Items(int index);
    const TFFmpeg& Items(int index) const;
    // -1 when the task is not in the list.
    int IndexOf(const TFFmpeg* task) const;
    int Count() const { return static_cast<int>(tasks_.size()); }

    // Loops over every task in list order.
    void PauseAll();
    void ResumeAll();
    void StopAll(bool wait);
    void SetPreviewAll(bool on);
    void SetPreviewBitmapAll(bool on);

private:
    std::vector<std::unique_ptr<TFFmpeg>> tasks_;
};
