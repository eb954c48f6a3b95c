#include "engine/ConvertThread.h"

#include <cerrno>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Niceness relative to the process, by priority. Raising a thread above the
// process needs privileges; without them the thread simply stays at normal.
constexpr int NiceDelta[] = {19, 15, 5, 0, -5, -10, -15};

void ApplyPriority(TThreadPriority priority) {
    if (priority == tpNormal)
        return;
    if (priority == tpIdle) {
        sched_param param{};
        if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &param) == 0)
            return;
    }
    errno = 0;
    const int processNice = getpriority(PRIO_PROCESS, 0);
    if (errno != 0)
        return;
    // Best effort: on failure the worker runs at the process's priority.
    (void)setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), processNice + NiceDelta[priority]);
}

} // namespace

TConvertThread::TConvertThread(std::function<void()> body, TThreadPriority priority)
    : priority_(priority), body_(std::move(body)) {}

TConvertThread::~TConvertThread() {
    Join();
    // Destroyed by its own thread (its body freed its owner): nobody is left to join it.
    if (thread_.joinable())
        thread_.detach();
}

void TConvertThread::Resume() {
    std::lock_guard lock(mutex_);
    if (started_)
        return;
    started_ = true;
    thread_ = std::thread([body = std::move(body_), priority = priority_] {
        ApplyPriority(priority);
        body();
    });
    id_ = thread_.get_id();
}

bool TConvertThread::Started() const {
    std::lock_guard lock(mutex_);
    return started_;
}

void TConvertThread::Join() {
    std::lock_guard joinLock(joinMutex_);
    {
        std::lock_guard lock(mutex_);
        if (!started_ || id_ == std::this_thread::get_id())
            return;
    }
    if (thread_.joinable())
        thread_.join();
}

bool TConvertThread::IsCurrentThread() const {
    std::lock_guard lock(mutex_);
    return started_ && id_ == std::this_thread::get_id();
}
