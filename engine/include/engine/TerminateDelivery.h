// The converter's termination reports in thread mode: each report goes to the
// application on a short-lived thread of its own, so the worker that made it
// can go on at once (and start the next task) whatever the handler does.
//
// Each delivery thread first waits for the one started before it, so the
// reports arrive in the order they were made and the all-done report comes
// last. Every thread is owned (by the next one, or by TTerminateDelivery for
// the newest) and joined; none outlives its owner.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// One delivery: runs `call` once the previous delivery (if any) has ended.
class TDoTerminateThread {
public:
    TDoTerminateThread(std::unique_ptr<TDoTerminateThread> previous, std::function<void()> call);
    // Join.
    ~TDoTerminateThread();
    TDoTerminateThread(const TDoTerminateThread&) = delete;
    TDoTerminateThread& operator=(const TDoTerminateThread&) = delete;

    // True once this delivery and every earlier one have ended.
    bool Done() const { return done_.load(std::memory_order_acquire); }
    // Waits until the thread has ended; on the main thread it serves
    // main-thread calls meanwhile (a handler may wait for the main thread).
    void Join();
    bool IsCurrentThread() const { return thread_.get_id() == std::this_thread::get_id(); }

private:
    void Main(std::unique_ptr<TDoTerminateThread> previous, std::function<void()> call);

    std::atomic<bool> done_{false};
    std::mutex joinMutex_; // serialises joiners
    std::thread thread_;
};

class TTerminateDelivery {
public:
    TTerminateDelivery() = default;
    // WaitAll.
    ~TTerminateDelivery();
    TTerminateDelivery(const TTerminateDelivery&) = delete;
    TTerminateDelivery& operator=(const TTerminateDelivery&) = delete;

    // Any thread: runs `call` on a new thread after every earlier delivery.
    void Deliver(std::function<void()> call);
    // Waits until every delivery so far has ended (serving main-thread calls
    // on the main thread). Not from a delivery thread.
    void WaitAll();

private:
    std::mutex mutex_;
    std::unique_ptr<TDoTerminateThread> newest_; // guarded by mutex_
};
