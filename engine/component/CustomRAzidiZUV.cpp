#include "engine/RAzidiZUV.h"

#include "component/FFmpegTaskList.h"
#include "engine/CodecThreads.h"
#include "engine/ConverterVersion.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"

#include <algorithm>
#include <exception>
#include <utility>

TCustomRAzidiZUV::TerminateGuard::TerminateGuard(const TCustomRAzidiZUV& owner) : owner_(owner) {
    owner_.terminateLock_.lock();
    if (owner_.terminateLockDepth_++ == 0)
        owner_.terminateLockOwner_.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

TCustomRAzidiZUV::TerminateGuard::~TerminateGuard() {
    if (--owner_.terminateLockDepth_ == 0)
        owner_.terminateLockOwner_.store(std::thread::id(), std::memory_order_relaxed);
    owner_.terminateLock_.unlock();
}

// Only the main thread serves handlers while it uses the tasks; elsewhere the scope does nothing.
TCustomRAzidiZUV::TaskUseScope::TaskUseScope(TCustomRAzidiZUV& owner)
    : owner_(owner), active_(IsMainThread()) {
    if (active_)
        ++owner_.taskUseDepth_;
}

TCustomRAzidiZUV::TaskUseScope::~TaskUseScope() {
    if (active_ && --owner_.taskUseDepth_ == 0) {
        std::vector<std::unique_ptr<TFFmpeg>> retired = std::move(owner_.retiredTasks_);
        while (!retired.empty())
            retired.pop_back();
    }
}

TCustomRAzidiZUV::TCustomRAzidiZUV(TFFBaseComponent* owner)
    : TFFBaseComponent(owner), maxFiles_(TCustomFFmpeg::DefaultMaxFiles),
      probe_(std::make_unique<TAVProbe>(this)), tasks_(std::make_unique<TFFmpegList>()) {}

TCustomRAzidiZUV::~TCustomRAzidiZUV() {
    Shutdown();
    probe_.reset();
}

std::string TCustomRAzidiZUV::Version() const {
    return ConverterVersion;
}

void TCustomRAzidiZUV::CancelOpenings() {
    ++openCancels_;
    probe_->CancelOpen();
}

void TCustomRAzidiZUV::Shutdown() {
    CancelOpenings();
    bool working;
    {
        TerminateGuard guard(*this);
        working = working_;
    }
    if (working)
        StopTasks(true);
    std::vector<std::unique_ptr<TFFmpeg>> tasks;
    {
        TerminateGuard guard(*this);
        tasks = tasks_->TakeAll();
        pendingCount_ = 0;
    }
    // Freed last first, like the list itself.
    while (!tasks.empty())
        tasks.pop_back();
    retiredTasks_.clear();
    delivery_.WaitAll();
}

void TCustomRAzidiZUV::FreeTasks(std::vector<std::unique_ptr<TFFmpeg>> tasks) {
    if (IsMainThread() && taskUseDepth_ > 0) {
        for (auto& task : tasks)
            retiredTasks_.push_back(std::move(task));
        return;
    }
    while (!tasks.empty())
        tasks.pop_back();
}

void TCustomRAzidiZUV::ConnectTask(TFFmpeg& task) {
    TFFmpeg* raw = &task;
    task.OnProgress = [this, raw](const TProgressInfo& progress) { CallProgressEvent(raw, progress); };
    task.Runner().SetTerminateEvent([this, raw](const TTaskRunner&) { CallTerminateEvent(raw); });
}

void TCustomRAzidiZUV::StopTasks(bool wait) {
    TaskUseScope use(*this);
    std::vector<TFFmpeg*> tasks;
    {
        TerminateGuard guard(*this);
        pendingCount_ = 0;
        tasks.reserve(static_cast<size_t>(tasks_->Count()));
        for (int i = 0; i < tasks_->Count(); ++i)
            tasks.push_back(&tasks_->Items(i));
    }
    // Inside a synchronous termination handler every other report waits for
    // that handler to return, so nothing can be waited for.
    const bool mayWait = wait && !HoldsTerminateLock();
    // A handler served meanwhile may clear the list; the use scope keeps these alive.
    for (TFFmpeg* task : tasks)
        task->Runner().Stop(mayWait && !DeliveringOnMainThread(task));
}

TFFmpeg* TCustomRAzidiZUV::TakeNextTaskLocked() {
    if (pendingCount_ <= 0 || nextTaskIndex_ < 0 || nextTaskIndex_ >= tasks_->Count())
        return nullptr;
    --pendingCount_;
    TFFmpeg* task = &tasks_->Items(nextTaskIndex_++);
    task->SetReportInterval(static_cast<int64_t>(progressInterval_.load()) * 1000);
    // The tasks that will run beside this one: the run's thread count, or
    // fewer when fewer have not ended yet (this one included).
    const int notEnded = tasks_->Count() - finishedCount_;
    const int atOnce = threadMode_ ? std::min(runThreadCount_, notEnded) : 1;
    const int cores = codecCores_.load();
    task->SetCodecThreadShare(cores > 0 ? CodecThreadShare(cores, atOnce) : 1);
    return task;
}

void TCustomRAzidiZUV::StartTakenTask(TFFmpeg* task, bool threadMode) {
    if (!threadMode) {
        task->Runner().Start(false);
        return;
    }
    if (TConvertThread* worker = task->Runner().Start(true, threadPriority_)) {
        worker->Resume();
        // The next task of a paused run (one ended while the others were held)
        // is held at its first round too. Read under terminateLock_: the
        // callers hold it or run before any worker.
        if (paused_)
            task->Runner().Pause();
    }
}

bool TCustomRAzidiZUV::HoldsTerminateLock() const {
    return terminateLockOwner_.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

bool TCustomRAzidiZUV::DeliveringOnMainThread(const TFFmpeg* task) const {
    return IsMainThread() && std::find(mainThreadDeliveries_.begin(), mainThreadDeliveries_.end(), task) !=
                                 mainThreadDeliveries_.end();
}

namespace {

// Marks a handler of `task` running on the main thread, with the delivery depth of its event.
class TMainThreadDelivery {
public:
    TMainThreadDelivery(std::vector<const TFFmpeg*>& deliveries, int& depth, const TFFmpeg* task)
        : deliveries_(deliveries), depth_(depth) {
        deliveries_.push_back(task);
        ++depth_;
    }
    ~TMainThreadDelivery() {
        --depth_;
        deliveries_.pop_back();
    }
    TMainThreadDelivery(const TMainThreadDelivery&) = delete;
    TMainThreadDelivery& operator=(const TMainThreadDelivery&) = delete;

private:
    std::vector<const TFFmpeg*>& deliveries_;
    int& depth_;
};

// Fills an event's one buffer and runs its handler. A worker delivering on its
// own thread holds the event's lock throughout. On the main thread the lock is
// only tried: a handler lower on its stack may be waiting for workers that hold
// it (or hold it itself), so a busy or nested delivery fills a record of its own.
template <typename Info, typename Handler>
void DeliverEvent(bool onCallingThread, std::mutex& eventLock, int& depth,
                  std::vector<const TFFmpeg*>& deliveries, const TFFmpeg* task, Info& buffer,
                  const Info& value, Handler handler) {
    if (onCallingThread) {
        std::lock_guard lock(eventLock);
        buffer = value;
        handler(buffer);
        return;
    }
    RunInMainThread([&] {
        std::unique_lock lock(eventLock, std::defer_lock);
        if (depth == 0)
            (void)lock.try_lock();
        Info own;
        Info& info = lock.owns_lock() ? buffer : own;
        TMainThreadDelivery delivery(deliveries, depth, task);
        info = value;
        handler(info);
    });
}

} // namespace

void TCustomRAzidiZUV::CallProgressEvent(TFFmpeg* task, const TProgressInfo& progress) {
    if (!OnProgress)
        return;
    TProgressInfo value = progress;
    value.TaskIndex = tasks_->IndexOf(task);
    DeliverEvent(!triggerEventInMainThread_ && !IsMainThread(), progressLock_, progressDeliveryDepth_,
                 mainThreadDeliveries_, task, progressInfo_, value,
                 [this](TProgressInfo& info) { OnProgress(this, &info); });
}

void TCustomRAzidiZUV::CallPreviewEvent(TFFmpeg* task, const TBitmap24& bitmap, int frameNumber,
                                        int64_t pts) {
    if (!OnPreviewBitmap)
        return;
    const TPreviewInfo value{tasks_->IndexOf(task), &bitmap, frameNumber, pts};
    DeliverEvent(!triggerEventInMainThread_ && !IsMainThread(), previewEventLock_, previewDeliveryDepth_,
                 mainThreadDeliveries_, task, previewInfo_, value,
                 [this](TPreviewInfo& info) { OnPreviewBitmap(this, info); });
}

void TCustomRAzidiZUV::CallHookEvent(TFFmpeg* task, TBitmap24& bitmap, int frameNumber, int64_t pts,
                                     bool& update, bool& stopHook) {
    if (!OnCustomHook)
        return;
    const int index = tasks_->IndexOf(task);
    std::lock_guard lock(hookLock_);
    hookInfo_ = THookInfo{index, &bitmap, frameNumber, pts, update, stopHook};
    OnCustomHook(this, &hookInfo_);
    update = hookInfo_.Update;
    stopHook = hookInfo_.StopHook;
}

void TCustomRAzidiZUV::CallTerminateEvent(TFFmpeg* task) {
    TerminateGuard guard(*this);
    if (!task) {
        AllDoneReportLocked();
        return;
    }
    const int index = tasks_->IndexOf(task);
    // A task no longer in the list, or a report outside a run, belongs to nobody.
    if (index < 0 || !working_ || allDoneReported_)
        return;
    if (OnTerminate) {
        const TTaskRunner& runner = task->Runner();
        terminateInfo_ = TTerminateInfo{index, runner.Finished(), runner.Failed(), runner.ErrorMessage()};
        DeliverTerminationLocked(terminateInfo_);
    }
    ++finishedCount_;
    if (pendingCount_ < 1 && finishedCount_ >= tasks_->Count()) {
        AllDoneReportLocked();
    } else if (threadMode_) {
        if (TFFmpeg* next = TakeNextTaskLocked())
            StartTakenTask(next, true);
    }
}

void TCustomRAzidiZUV::AllDoneReportLocked() {
    // Set before the report goes out: its handler clears the list.
    allDoneReported_ = true;
    if (OnTerminate) {
        terminateInfo_ = TTerminateInfo{-1, true, false, {}};
        DeliverTerminationLocked(terminateInfo_);
    }
}

void TCustomRAzidiZUV::DeliverTerminationLocked(const TTerminateInfo& info) {
    if (threadMode_) {
        delivery_.Deliver([this, handler = OnTerminate, info] { handler(this, info); });
        return;
    }
    try {
        OnTerminate(this, info);
    } catch (const std::exception& e) {
        // The task has been reported; its handler's failure must not change that.
        GetLogger().Log(this, llError, e.what());
    }
}
