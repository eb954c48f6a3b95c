// The converter component: the application's only door to the transcoding
// engine. It keeps an ordered list of tasks (one input, usually one output
// each), runs them one after another on the caller's thread or on up to N
// worker threads, and reports progress, preview pictures, custom hooks, the end
// of every task and finally an all-done report through its events.
//
// Threads: every operation is called on the main thread. Workers call the four
// Call*Event operations. OnProgress and OnPreviewBitmap run on the main thread
// while TriggerEventInMainThread is set (the worker waits for them), otherwise
// on the worker; OnCustomHook always runs on the worker; OnTerminate runs on the
// caller's thread in a synchronous run and on a short-lived delivery thread per
// report in thread mode (reports arrive in the order they were made, the
// all-done report last). Assign the events while no run is going on.
#pragma once

#include "engine/ConvertThread.h"
#include "engine/Records.h"
#include "engine/TerminateDelivery.h"
#include "media/AVProbe.h"
#include "media/BaseComponent.h"
#include "media/OpenInterrupt.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

struct AVFormatContext;
class TCustomRAzidiZUV;
class TFFmpeg;
class TFFmpegList;

// The events; the sender is always the component.
using TProgressEvent = std::function<void(TCustomRAzidiZUV* sender, PProgressInfo info)>;
using TTerminateEvent = std::function<void(TCustomRAzidiZUV* sender, const TTerminateInfo& info)>;
using TPreviewBitmapEvent = std::function<void(TCustomRAzidiZUV* sender, const TPreviewInfo& info)>;
using TCustomHookEvent = std::function<void(TCustomRAzidiZUV* sender, PHookInfo info)>;

// State, locks and event delivery; TRAzidiZUV adds the operations.
class TCustomRAzidiZUV : public TFFBaseComponent {
public:
    static constexpr int DefaultProgressInterval = 500; // ms
    static constexpr int MinProgressInterval = 100;     // ms; smaller values read back as this
    static constexpr int DefaultTaskVerbosity = 1;

    explicit TCustomRAzidiZUV(TFFBaseComponent* owner = nullptr);
    // Stops a run with waiting (its reports still go out), frees the tasks,
    // waits for every delivery thread, then frees the probe.
    ~TCustomRAzidiZUV() override;

    // Stored as given, no effect.
    std::string About;
    // Always "3.3".
    std::string Version() const;

    // The events (see the file comment for their threads).
    TProgressEvent OnProgress;
    TTerminateEvent OnTerminate;
    TPreviewBitmapEvent OnPreviewBitmap;
    TCustomHookEvent OnCustomHook;

protected:
    // The four deliveries. Each task calls the matching one with itself.
    // Worker (or the caller of a synchronous run): progress of `task`.
    virtual void CallProgressEvent(TFFmpeg* task, const TProgressInfo& progress);
    // Worker: a preview picture of `task`.
    virtual void CallPreviewEvent(TFFmpeg* task, const TBitmap24& bitmap, int frameNumber, int64_t pts);
    // Worker: a decoded picture of `task` for the custom hook; `update` and
    // `stopHook` go in and come back.
    virtual void CallHookEvent(TFFmpeg* task, TBitmap24& bitmap, int frameNumber, int64_t pts, bool& update,
                               bool& stopHook);
    // Whichever thread makes the report: the end of `task`; null asks for the
    // all-done report. Counts the ends, starts the next task in thread mode and
    // makes the all-done report after the last end.
    virtual void CallTerminateEvent(TFFmpeg* task);

    // Connects a new task's progress and termination to this component.
    void ConnectTask(TFFmpeg& task);
    // Stops every task of a run (none starts any more); with `wait`, waits for
    // what can end without the calling handler returning.
    void StopTasks(bool wait);
    // Stops a run with waiting, frees the tasks and waits for every delivery
    // thread. The most derived destructor calls it first; later calls do nothing.
    void Shutdown();
    // Frees tasks taken out of the list, or keeps them until the outermost
    // StartTask or Stop on the main thread returns (a handler those serve may
    // clear the list while they still use its tasks).
    void FreeTasks(std::vector<std::unique_ptr<TFFmpeg>> tasks);

    // Marks a main-thread call that uses the tasks across handlers (FreeTasks).
    class TaskUseScope {
    public:
        explicit TaskUseScope(TCustomRAzidiZUV& owner);
        ~TaskUseScope();
        TaskUseScope(const TaskUseScope&) = delete;
        TaskUseScope& operator=(const TaskUseScope&) = delete;

    private:
        TCustomRAzidiZUV& owner_;
        const bool active_;
    };

    // Takes the next pending task, counting it as started; null when none is
    // pending. Needs terminateLock_.
    TFFmpeg* TakeNextTaskLocked();
    // Starts a task taken by TakeNextTaskLocked: on a worker thread in thread
    // mode, otherwise runs it to its end here.
    void StartTakenTask(TFFmpeg* task, bool threadMode);
    // The all-done report. Needs terminateLock_.
    void AllDoneReportLocked();
    // Hands `info` to OnTerminate: a delivery thread in thread mode, else a direct call.
    void DeliverTerminationLocked(const TTerminateInfo& info);
    // True when the calling thread holds terminateLock_ (inside a synchronous delivery).
    bool HoldsTerminateLock() const;
    // True when an OnProgress or OnPreviewBitmap handler of `task` is running on
    // the main thread below the current call (its worker waits for it).
    bool DeliveringOnMainThread(const TFFmpeg* task) const;

    // Cuts short the opening of an input under way in AddTask and of the
    // probe's Open; any thread.
    void CancelOpenings();

    // Settings handed to the tasks.
    int maxFiles_; // the tasks' default, set by the constructor
    std::atomic<int> openTimeout_{static_cast<int>(TOpenInterrupt::DefaultLimit.count())};
    // Raised by every Stop, ClearTasks and the destructor; an opening gives up when it moves.
    std::atomic<unsigned> openCancels_{0};
    int taskVerbosity_ = DefaultTaskVerbosity;
    bool markIncompleteOutputs_ = true; // main thread
    std::string lastError_;             // main thread
    // Cores shared among the video codecs of the running tasks; 0: one thread each.
    std::atomic<int> codecCores_{0};

    // Published property values (TRAzidiZUV).
    std::atomic<bool> preview_{false};
    std::atomic<bool> previewBitmap_{false};
    std::atomic<int> progressInterval_{DefaultProgressInterval};
    std::atomic<TThreadPriority> threadPriority_{tpNormal};
    std::atomic<bool> triggerEventInMainThread_{true};

    // Each serialises its event's deliveries and guards its buffer. The main
    // thread never blocks on progressLock_ or previewEventLock_: when one is busy
    // (or already held lower on the main thread's stack) it delivers a record of
    // its own instead, so a handler may wait for workers.
    std::mutex hookLock_;
    std::mutex previewEventLock_;
    std::mutex progressLock_;
    // Guards the run counters, the task list's changes and the termination
    // handling. Recursive: a synchronous run delivers OnTerminate under it, and
    // the handler may call ClearTasks or Stop.
    mutable std::recursive_mutex terminateLock_;
    mutable std::atomic<std::thread::id> terminateLockOwner_{};
    mutable int terminateLockDepth_ = 0; // guarded by terminateLock_

    // Holds terminateLock_ and records the holding thread, for HoldsTerminateLock.
    class TerminateGuard {
    public:
        explicit TerminateGuard(const TCustomRAzidiZUV& owner);
        ~TerminateGuard();
        TerminateGuard(const TerminateGuard&) = delete;
        TerminateGuard& operator=(const TerminateGuard&) = delete;

    private:
        const TCustomRAzidiZUV& owner_;
    };

    THookInfo hookInfo_;           // guarded by hookLock_
    TPreviewInfo previewInfo_;     // guarded by previewEventLock_
    TProgressInfo progressInfo_;   // guarded by progressLock_
    TTerminateInfo terminateInfo_; // guarded by terminateLock_

    // Main thread only: the tasks whose handler runs on the main thread now,
    // innermost last (a handler may serve more deliveries while it waits).
    std::vector<const TFFmpeg*> mainThreadDeliveries_;

    std::unique_ptr<TAVProbe> probe_;
    // Held by pointer so that this header needs none of the task's.
    std::unique_ptr<TFFmpegList> tasks_; // changed under terminateLock_ on the main thread

    // Run counters, guarded by terminateLock_.
    int finishedCount_ = 0;
    int nextTaskIndex_ = -1;
    int pendingCount_ = 0;
    int runThreadCount_ = 0; // StartTask's thread count
    bool allDoneReported_ = false;
    bool paused_ = false; // a task started during a pause starts paused
    bool threadMode_ = false;
    bool working_ = false;

    // Carries thread-mode termination reports; joined in the destructor.
    TTerminateDelivery delivery_;

    // Main thread only: the depth of TaskUseScopes, and the tasks whose freeing waits for it.
    int taskUseDepth_ = 0;
    std::vector<std::unique_ptr<TFFmpeg>> retiredTasks_;
    // Main thread only: the depth of OnProgress and OnPreviewBitmap handlers
    // running there (an inner delivery must not touch the lock the outer holds).
    int progressDeliveryDepth_ = 0;
    int previewDeliveryDepth_ = 0;
};

// The converter component the application uses.
class TRAzidiZUV final : public TCustomRAzidiZUV {
public:
    explicit TRAzidiZUV(TFFBaseComponent* owner = nullptr);
    ~TRAzidiZUV() override;

    // Binds the converter's libraries from `directory`; false with LastError set.
    bool LoadLibraries(const std::string& directory = "");
    bool LibrariesLoaded() const;
    // The text of the last failure of LoadLibraries, AddTask or SetOutputFile.
    const std::string& LastError() const { return lastError_; }

    // A new task reading `fileName` with `options` (none: defaults). Its index,
    // or -1 with LastError set. Raises std::runtime_error while working.
    // When the probe holds `fileName` opened the way the task would open it
    // (no forced format other than the probe's, no forced decoder, program or
    // container option; the file unchanged since), the task takes that input
    // over instead of opening the file again, and the probe is empty after.
    int AddTask(const std::string& fileName, const TInputOptions* options = nullptr);
    int AddTask(const std::string& fileName, const TInputOptions& options) {
        return AddTask(fileName, &options);
    }
    // The same with an input that a probe of the caller's has opened and
    // handed over (TCustomAVProbe::TakeInput), on any thread: the task takes
    // it when it is `fileName` opened the way the task would open it (as
    // above; the file is not looked at again), else closes it and opens the
    // file itself. The component's probe is left alone.
    int AddTask(const std::string& fileName, const TInputOptions& options,
                std::optional<TProbedInput> probed);
    // Adds an output file to task `taskIndex`; false with LastError set. Raises
    // std::runtime_error while working, std::out_of_range for a bad index.
    bool SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions* options = nullptr);
    bool SetOutputFile(int taskIndex, const std::string& fileName, const TOutputOptions& options) {
        return SetOutputFile(taskIndex, fileName, &options);
    }
    // Frees one task; later indexes move down by one. Raises like SetOutputFile.
    void RemoveTask(int taskIndex);
    // Frees every task and returns to idle. Raises std::runtime_error while a
    // run goes on (allowed once the all-done report has been made).
    void ClearTasks();
    int TaskCount() const;
    // The opened input of a task, for reading its properties (such as the
    // duration); valid until the task runs or is freed.
    AVFormatContext* InputContext(int taskIndex, int inputIndex) const;
    // How many inputs of a task are open: none once it has run.
    int InputCount(int taskIndex) const;
    // The component's own probe, for examining files before adding them. An
    // AddTask of the file it holds may take its input (see AddTask).
    TAVProbe& Probe() { return *probe_; }
    // The tasks, for reading their state and kept records; the list changes
    // only through the operations above.
    const TFFmpegList& Tasks() const { return *tasks_; }
    // The option records kept for an input or output slot of a task (as given
    // to AddTask and SetOutputFile), or null. Raise std::out_of_range for a bad task index.
    const TInputOptions* InputOptions(int taskIndex, int slot) const;
    const TOutputOptions* OutputOptions(int taskIndex, int slot) const;
    // The kinds of the streams set up in an output of a task, in stream order;
    // empty when the task has no such output. Valid until the task runs.
    std::vector<AVMediaType> OutputStreamTypes(int taskIndex, int outputIndex) const;

    // Starts the run: `threadCount` > 0 runs up to that many tasks at once on
    // worker threads and returns at once; otherwise runs every task here, one
    // after another. An empty list starts nothing, reports nothing and stays idle.
    void StartTask(int threadCount);
    // Thread mode: every running worker stops at the top of its next round,
    // and so does one that starts before Resume.
    void Pause();
    void Resume();
    // Stops every task; no pending task starts any more. With `waitForStop`,
    // returns when the tasks have ended (serving main-thread calls meanwhile);
    // from inside a handler it does not wait for what needs that handler to return.
    // Also cuts short an input's opening under way (AddTask or the probe's Open
    // on another thread): Stop is the one call that may come from any thread.
    void Stop(bool waitForStop);
    // "3.3".
    std::string GetVersion() const;

    // Published properties.
    bool Preview() const { return preview_; }
    void SetPreview(bool value);
    bool PreviewBitmap() const { return previewBitmap_; }
    void SetPreviewBitmap(bool value);
    // Milliseconds between two progress reports of a task; at least 100.
    int ProgressInterval() const { return progressInterval_; }
    void SetProgressInterval(int milliseconds);
    TThreadPriority ThreadPriority() const { return threadPriority_; }
    void SetThreadPriority(TThreadPriority value) { threadPriority_ = value; }
    bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
    void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }
    // Cores for the codecs of a run (0, the default: every codec on one
    // thread). Each task started gets CodecThreadShare of them for its video
    // codecs: the cores divided among the tasks that will run at once, which
    // is fewer than the thread count once the list runs short. The "threads"
    // option of a task still wins. Takes effect for tasks started afterwards.
    int CodecCores() const { return codecCores_; }
    void SetCodecCores(int cores) { codecCores_ = cores < 0 ? 0 : cores; }
    // Milliseconds that opening a source in AddTask may take before it fails
    // (a pipe without writer, a stalled share); the probe's limit is its own.
    int OpenTimeout() const { return openTimeout_; }
    void SetOpenTimeout(int milliseconds) { openTimeout_ = milliseconds; }
    // Whether a task's output that was begun and not ended (a failed run) is
    // renamed with TOutputFile::IncompleteSuffix (true, the default). A caller
    // that writes under a temporary name of its own and deals with a failed
    // file itself turns it off. Takes effect for tasks added afterwards.
    bool MarkIncompleteOutputs() const { return markIncompleteOutputs_; }
    void SetMarkIncompleteOutputs(bool mark) { markIncompleteOutputs_ = mark; }

    // Run state, for callers that poll.
    bool Working() const;
    bool AllDoneReported() const;

private:
    // Both AddTask: a new task set up with `options`, its input opened by `openInput`.
    int AddTaskOpening(const std::string& fileName, const TInputOptions* options,
                       const std::function<bool(TFFmpeg&)>& openInput);
};
