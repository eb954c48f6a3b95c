// Small waiting primitives shared by the player's threads.
#pragma once

#include "media/MainThreadDispatcher.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

// A manual-reset signal: stays set until reset; waiters are released while it is set.
class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet) : set_(initiallySet) {}

    // Also wakes a main thread that serves calls while it waits for a signal.
    void Set() {
        {
            std::lock_guard lock(mutex_);
            set_ = true;
        }
        cond_.notify_all();
        WakeMainThread();
    }
    void Reset() {
        std::lock_guard lock(mutex_);
        set_ = false;
    }
    bool IsSet() const {
        std::lock_guard lock(mutex_);
        return set_;
    }
    // True when the signal was set within the timeout.
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cond_.wait_for(lock, timeout, [this] { return set_; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cond_;
    bool set_; // guarded by mutex_
};

// Waits for the signal; on the main thread, serves queued main-thread calls meanwhile.
inline bool WaitForSignal(ManualResetEvent& signal, std::chrono::milliseconds timeout) {
    if (IsMainThread())
        return ServeUntil([&] { return signal.IsSet(); }, timeout);
    return signal.WaitFor(timeout);
}
inline void WaitForSignal(ManualResetEvent& signal) {
    if (IsMainThread())
        ServeUntil([&] { return signal.IsSet(); });
    else
        while (!signal.WaitFor(std::chrono::hours(1))) {
        }
}

// Wakes a thread that sleeps until some condition over other objects' state holds.
// Anyone who changes such state calls Notify; the sleeper re-evaluates its predicate.
// The predicate may take other locks (never the other way round).
class Waker {
public:
    void Notify() {
        {
            std::lock_guard lock(mutex_);
            ++generation_;
        }
        cond_.notify_all();
    }
    template <class Pred> void Wait(Pred pred) {
        std::unique_lock lock(mutex_);
        while (!pred()) {
            const auto seen = generation_;
            cond_.wait(lock, [&] { return generation_ != seen; });
        }
    }
    // For the places whose design is a timed retry; returns early on Notify.
    void SleepFor(std::chrono::milliseconds timeout) {
        SleepUntil(std::chrono::steady_clock::now() + timeout);
    }
    void SleepUntil(std::chrono::steady_clock::time_point deadline) {
        std::unique_lock lock(mutex_);
        const auto seen = generation_;
        cond_.wait_until(lock, deadline, [&] { return generation_ != seen; });
    }
    // For a sleeper that looks at the state first: take the generation before
    // looking, and a Notify made after that is not missed.
    unsigned Generation() {
        std::lock_guard lock(mutex_);
        return generation_;
    }
    void SleepUntil(std::chrono::steady_clock::time_point deadline, unsigned seen) {
        std::unique_lock lock(mutex_);
        cond_.wait_until(lock, deadline, [&] { return generation_ != seen; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cond_;
    unsigned generation_ = 0; // guarded by mutex_
};
