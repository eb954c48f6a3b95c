#include "run/TaskRunner.h"

#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"

#include <cassert>
#include <exception>

namespace {

// A failure must not take the worker down, so the log line is best effort.
void LogQuiet(const TFFBaseComponent* sender, const std::string& message) {
    try {
        GetLogger().Log(sender, llQuiet, message);
    } catch (...) {
    }
}

} // namespace

TTaskRunner::TTaskRunner(TTaskBody& body) : body_(body) {}

TTaskRunner::~TTaskRunner() {
    Shutdown();
}

void TTaskRunner::SetTerminateEvent(TTaskTerminateEvent event) {
    std::lock_guard lock(mutex_);
    onTerminate_ = std::move(event);
}

TConvertThread* TTaskRunner::Start(bool threadMode, TThreadPriority priority) {
    std::unique_lock lock(mutex_);
    if (phase_ != Phase::Idle)
        return nullptr;
    const char* refusal = !body_.HasOutputFile()  ? NoOutputFileText
                          : !body_.HasInputFile() ? NoInputFileText
                                                  : nullptr;
    if (refusal) {
        // Claimed before unlocking, so a concurrent Stop does not report the task a second time.
        phase_ = Phase::Refusing;
        lock.unlock();
        Guarded([this, refusal] {
            body_.ReleaseEngineState();
            throw FFmpegException(refusal);
        });
        Guarded([this] { TerminationReport(); });
        return nullptr;
    }
    phase_ = Phase::Running;
    stopRequested_ = false;
    finished_ = false;
    paused_ = false;
    if (threadMode) {
        // Not yet done from here on, so a Stop that comes before the thread runs still waits.
        runDone_ = false;
        workerThread_ = std::make_unique<TConvertThread>([this] { WorkerMain(); }, priority);
        worker_ = workerThread_.get();
        return worker_;
    }
    lock.unlock();
    // The report at the end of the run may lead the owner to free this runner
    // (a synchronous run's handler clearing its task list), so nothing of it is
    // touched after Run.
    Run();
    return nullptr;
}

void TTaskRunner::Stop(bool wait) {
    std::unique_lock lock(mutex_);
    switch (phase_) {
    case Phase::Running:
        stopRequested_ = true;
        if (worker_) {
            // A paused or never resumed worker must run on to see the request.
            paused_ = false;
            changed_.notify_all();
            worker_->Resume();
            if (wait && !OnOwnThreadLocked())
                WaitLocked(lock, [this] { return runDone_; });
        }
        break;
    case Phase::Idle:
        phase_ = Phase::Reporting;
        // Not yet done from here on, so waiting right after the start cannot return early.
        reportDone_ = false;
        reportThread_ = std::thread([this] { ReportThreadMain(); });
        [[fallthrough]];
    case Phase::Reporting:
        if (wait && !OnOwnThreadLocked())
            WaitLocked(lock, [this] { return reportDone_; });
        break;
    case Phase::Refusing:
    case Phase::Terminated:
        break;
    }
}

void TTaskRunner::Pause() {
    std::lock_guard lock(mutex_);
    if (phase_ == Phase::Running && worker_ && worker_->Started())
        paused_ = true;
}

void TTaskRunner::Resume() {
    std::lock_guard lock(mutex_);
    if (phase_ != Phase::Running || !worker_)
        return;
    worker_->Resume();
    if (paused_) {
        paused_ = false;
        changed_.notify_all();
    }
}

void TTaskRunner::Shutdown() {
    Stop(true);
    std::unique_lock lock(mutex_);
    if (OnOwnThreadLocked()) {
        // Freed from its own worker or report thread: those cannot be waited for here.
        assert(!"a task must not be freed by its own thread");
        return;
    }
    // The report clears the worker reference before the worker has finished with
    // this object; wait for the worker itself, not for the report.
    WaitLocked(lock, [this] { return runDone_ && reportDone_; });
    std::unique_ptr<TConvertThread> worker = std::move(workerThread_);
    worker_ = nullptr;
    std::thread reporter = std::move(reportThread_);
    lock.unlock();
    if (worker)
        worker->Join();
    if (reporter.joinable())
        reporter.join();
}

TTaskRunState TTaskRunner::State() const {
    std::lock_guard lock(mutex_);
    switch (phase_) {
    case Phase::Running:
        if (paused_)
            return rsPaused;
        return StopRequested() ? rsStopping : rsRunning;
    case Phase::Terminated:
        return rsTerminated;
    default:
        return rsIdle;
    }
}

bool TTaskRunner::Running() const {
    std::lock_guard lock(mutex_);
    return phase_ == Phase::Running;
}

bool TTaskRunner::Terminated() const {
    std::lock_guard lock(mutex_);
    return phase_ == Phase::Terminated;
}

bool TTaskRunner::Finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

bool TTaskRunner::Failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
}

std::string TTaskRunner::ErrorMessage() const {
    std::lock_guard lock(mutex_);
    return errorMessage_;
}

void TTaskRunner::PausePoint() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !paused_; });
}

void TTaskRunner::Run() {
    {
        std::lock_guard lock(mutex_);
        finished_ = false;
    }
    // Each step runs even when an earlier one failed, so codecs are closed and
    // files released whatever happened, and the task is always reported.
    Guarded([this] {
        body_.TranscodeLoop(*this);
        std::lock_guard lock(mutex_);
        finished_ = !StopRequested();
    });
    Guarded([this] { body_.CloseOpenedCodecs(); });
    Guarded([this] { body_.ReleaseEngineState(); });
    Guarded([this] { TerminationReport(); });
}

template <typename Step> void TTaskRunner::Guarded(Step&& step) {
    try {
        step();
    } catch (const std::exception& e) {
        RecordFailure(e.what());
    } catch (...) {
        RecordFailure("Unknown exception");
    }
}

void TTaskRunner::RecordFailure(const std::string& message) {
    LogQuiet(body_.LogSender(), message);
    std::lock_guard lock(mutex_);
    failed_ = true;
    errorMessage_ = message;
}

void TTaskRunner::TerminationReport() {
    TTaskTerminateEvent event;
    {
        std::lock_guard lock(mutex_);
        phase_ = Phase::Terminated;
        worker_ = nullptr;
        paused_ = false;
        event = onTerminate_;
    }
    if (event)
        event(*this);
}

void TTaskRunner::WorkerMain() {
    Run(); // catches everything itself
    {
        std::lock_guard lock(mutex_);
        runDone_ = true;
    }
    changed_.notify_all();
    WakeMainThread();
}

void TTaskRunner::ReportThreadMain() {
    Guarded([this] { TerminationReport(); });
    {
        std::lock_guard lock(mutex_);
        reportDone_ = true;
    }
    changed_.notify_all();
    WakeMainThread();
}

template <typename Predicate>
void TTaskRunner::WaitLocked(std::unique_lock<std::mutex>& lock, Predicate done) {
    if (!IsMainThread()) {
        changed_.wait(lock, done);
        return;
    }
    // Workers may be waiting for the main thread to deliver their events.
    lock.unlock();
    ServeUntil([&] {
        std::lock_guard relock(mutex_);
        return done();
    });
    lock.lock();
}

bool TTaskRunner::OnOwnThreadLocked() const {
    return (workerThread_ && workerThread_->IsCurrentThread()) ||
           (reportThread_.joinable() && reportThread_.get_id() == std::this_thread::get_id());
}
