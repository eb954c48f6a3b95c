// The run control of one conversion task: its run states, the start on a
// worker thread or on the caller's thread, the run with each step guarded,
// stop, pause and resume, and the one termination report that ends every task.
//
// Threads: Start, Stop, Pause, Resume and the getters may be called on any
// thread (in practice the main thread, and a worker starting the next task
// from its termination handler). The run itself happens on the worker thread
// (thread mode) or inside Start (synchronous). A task that is stopped before it
// ran gets its report from a short-lived report thread.
#pragma once

#include "engine/ConvertThread.h"
#include "task/TaskBody.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

enum TTaskRunState : uint8_t { rsIdle, rsRunning, rsStopping, rsPaused, rsTerminated };

class TTaskRunner;
// Called once per task, when its termination report is made, on the thread that
// makes it (the worker, the caller of a refused or synchronous start, or the
// report thread). No lock of the runner is held during the call.
using TTaskTerminateEvent = std::function<void(const TTaskRunner& task)>;

class TTaskRunner final : public TRunControl {
public:
    static constexpr const char* NoOutputFileText = "At least one output file must be specified";
    static constexpr const char* NoInputFileText = "At least one input file must be specified";

    // `body` must outlive the runner; its owner calls Shutdown before tearing
    // down anything the run uses.
    explicit TTaskRunner(TTaskBody& body);
    ~TTaskRunner();
    TTaskRunner(const TTaskRunner&) = delete;
    TTaskRunner& operator=(const TTaskRunner&) = delete;

    // Connect before the task is started or stopped.
    void SetTerminateEvent(TTaskTerminateEvent event);

    // Starts a task that is idle. Thread mode: returns the worker thread, created
    // suspended; the caller resumes it. Otherwise runs the task to its end here
    // and returns null. A task without output or input file is refused: its state
    // is released and the failure reported at once on this thread. A task that is
    // running, terminated or already being reported is left alone (null).
    TConvertThread* Start(bool threadMode, TThreadPriority priority = tpNormal);
    // Running: asks the loop to stop, lifts a pause (so the loop sees the
    // request) and, with `wait`, waits until the worker's run has returned. A
    // synchronous run only gets the request. Idle (never ran): a report thread
    // makes the termination report; with `wait`, waits for it. A waiting main
    // thread keeps serving main-thread calls meanwhile.
    void Stop(bool wait);
    // Thread mode only: the worker stops at the top of its next loop round.
    void Pause();
    // Lifts a pause, or lets a worker that was never resumed run.
    void Resume();
    // Stop with waiting, then waits for every thread of this runner to end. The
    // owner calls it first thing in its destructor; the destructor calls it too.
    void Shutdown();

    TTaskRunState State() const;
    bool Running() const;
    bool Terminated() const;
    // The outcome the termination report carries; stable once Terminated().
    bool Finished() const;
    bool Failed() const;
    std::string ErrorMessage() const;

    // TRunControl
    bool StopRequested() const override { return stopRequested_.load(std::memory_order_relaxed); }
    void PausePoint() override;

private:
    enum class Phase : uint8_t { Idle, Refusing, Running, Reporting, Terminated };

    void Run();
    template <typename Step> void Guarded(Step&& step);
    void RecordFailure(const std::string& message);
    void TerminationReport();
    void WorkerMain();
    void ReportThreadMain();
    // Waits until `done` holds, with `lock` on mutex_; on the main thread it
    // serves main-thread calls while it waits.
    template <typename Predicate> void WaitLocked(std::unique_lock<std::mutex>& lock, Predicate done);
    bool OnOwnThreadLocked() const;

    TTaskBody& body_;
    std::atomic<bool> stopRequested_{false}; // written under mutex_, read anywhere

    mutable std::mutex mutex_;
    std::condition_variable changed_; // a pause lifted, a run or a report done
    Phase phase_ = Phase::Idle;       // guarded by mutex_
    bool paused_ = false;             // guarded by mutex_
    bool finished_ = false;           // guarded by mutex_
    bool failed_ = false;             // guarded by mutex_
    std::string errorMessage_;        // guarded by mutex_
    bool runDone_ = true;             // guarded by mutex_; false while a worker owes its run
    bool reportDone_ = true;          // guarded by mutex_; false while a report thread owes its report
    TTaskTerminateEvent onTerminate_; // guarded by mutex_
    // The worker reference the report clears; the thread itself stays owned until Shutdown.
    TConvertThread* worker_ = nullptr;             // guarded by mutex_
    std::unique_ptr<TConvertThread> workerThread_; // guarded by mutex_ (joined in Shutdown)
    std::thread reportThread_;                     // guarded by mutex_ (joined in Shutdown)
};
