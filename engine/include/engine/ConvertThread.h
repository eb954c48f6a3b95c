// A task's worker thread, created suspended and running at a chosen priority.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

enum TThreadPriority : uint8_t { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// The thread starts running `body` on the first Resume, so its owner can finish
// its bookkeeping first. Resume and Join may be called from any thread. The
// owner joins before the data `body` uses goes away; the destructor joins too.
class TConvertThread {
public:
    TConvertThread(std::function<void()> body, TThreadPriority priority);
    ~TConvertThread();
    TConvertThread(const TConvertThread&) = delete;
    TConvertThread& operator=(const TConvertThread&) = delete;

    // Starts the thread the first time; later calls do nothing.
    void Resume();
    bool Started() const;
    // Waits until the body has returned; returns at once when never started or
    // when called on the thread itself.
    void Join();
    bool IsCurrentThread() const;
    TThreadPriority Priority() const { return priority_; }

private:
    const TThreadPriority priority_;
    mutable std::mutex mutex_;
    std::function<void()> body_; // guarded by mutex_; moved into the thread on start
    std::thread::id id_;         // guarded by mutex_
    bool started_ = false;       // guarded by mutex_
    std::mutex joinMutex_;       // serialises joiners, so each returns only once the thread has ended
    std::thread thread_;         // set under mutex_ on start, joined under joinMutex_
};
