#include "media/MainThreadDispatcher.h"

#include <cassert>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>

namespace {

// A call a worker waits for; lives on the worker's stack until `done` is set.
struct WaitingCall {
    std::function<void()>* call;
    std::exception_ptr error;
    bool done = false;
};

struct QueuedCall {
    std::function<void()> posted; // used when `waiting` is null
    WaitingCall* waiting = nullptr;
};

// Process-wide by nature: there is one main thread.
struct Dispatcher {
    std::mutex mutex;
    std::condition_variable mainWake;   // main thread: a call arrived or WakeMainThread
    std::condition_variable callerWake; // workers: their call has run
    std::deque<QueuedCall> queue;       // guarded by mutex
    unsigned wakeups = 0;               // guarded by mutex; counts WakeMainThread calls
    std::function<void()> wakeHandler;  // guarded by mutex
    std::thread::id mainThread = std::this_thread::get_id();
};

Dispatcher& dispatcher() {
    static Dispatcher d;
    return d;
}

// Initialised during static initialisation, which runs on the program's main thread.
const bool g_mainThreadCaptured = (dispatcher(), true);

void notifyQueued(Dispatcher& d, std::unique_lock<std::mutex>& lock) {
    d.mainWake.notify_all();
    auto handler = d.wakeHandler;
    lock.unlock();
    if (handler)
        handler();
}

} // namespace

void MarkMainThread() {
    auto& d = dispatcher();
    std::lock_guard lock(d.mutex);
    d.mainThread = std::this_thread::get_id();
}

bool IsMainThread() {
    auto& d = dispatcher();
    std::lock_guard lock(d.mutex);
    return d.mainThread == std::this_thread::get_id();
}

void RunInMainThread(std::function<void()> call) {
    if (IsMainThread()) {
        call();
        return;
    }
    auto& d = dispatcher();
    WaitingCall waiting{&call};
    std::unique_lock lock(d.mutex);
    d.queue.push_back(QueuedCall{{}, &waiting});
    notifyQueued(d, lock);
    lock.lock();
    d.callerWake.wait(lock, [&] { return waiting.done; });
    if (waiting.error)
        std::rethrow_exception(waiting.error);
}

void PostToMainThread(std::function<void()> call) {
    auto& d = dispatcher();
    std::unique_lock lock(d.mutex);
    d.queue.push_back(QueuedCall{std::move(call), nullptr});
    notifyQueued(d, lock);
}

int ProcessPendingMessages() {
    auto& d = dispatcher();
    assert(IsMainThread());
    int ran = 0;
    std::unique_lock lock(d.mutex);
    // Only the calls queued so far: calls queued while these run wait for the next round,
    // so a handler that queues work cannot keep this loop going for ever.
    size_t pending = d.queue.size();
    while (pending-- > 0 && !d.queue.empty()) {
        QueuedCall item = std::move(d.queue.front());
        d.queue.pop_front();
        lock.unlock();
        ++ran;
        if (item.waiting) {
            std::exception_ptr error;
            try {
                (*item.waiting->call)();
            } catch (...) {
                error = std::current_exception();
            }
            lock.lock();
            item.waiting->error = error;
            item.waiting->done = true;
            d.callerWake.notify_all();
        } else {
            try {
                item.posted();
            } catch (...) {
                // A posted call has nobody to report to; it must not take the loop down.
            }
            lock.lock();
        }
    }
    return ran;
}

namespace {

template <typename WaitFn>
bool serve(const std::function<bool()>& done, WaitFn waitFor) {
    auto& d = dispatcher();
    assert(IsMainThread());
    for (;;) {
        unsigned seen;
        {
            std::lock_guard lock(d.mutex);
            seen = d.wakeups;
        }
        ProcessPendingMessages();
        if (done())
            return true;
        std::unique_lock lock(d.mutex);
        // A wake-up that came after `seen` was read, even before this lock, ends the wait.
        if (!waitFor(lock, [&] { return !d.queue.empty() || d.wakeups != seen; }))
            return done();
    }
}

} // namespace

bool ServeUntil(const std::function<bool()>& done) {
    auto& d = dispatcher();
    return serve(done, [&](std::unique_lock<std::mutex>& lock, auto pred) {
        d.mainWake.wait(lock, pred);
        return true;
    });
}

bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    auto& d = dispatcher();
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    return serve(done, [&](std::unique_lock<std::mutex>& lock, auto pred) {
        return d.mainWake.wait_until(lock, deadline, pred);
    });
}

void WakeMainThread() {
    auto& d = dispatcher();
    std::lock_guard lock(d.mutex);
    ++d.wakeups;
    d.mainWake.notify_all();
}

void SetMainThreadWakeHandler(std::function<void()> handler) {
    auto& d = dispatcher();
    std::lock_guard lock(d.mutex);
    d.wakeHandler = std::move(handler);
}
