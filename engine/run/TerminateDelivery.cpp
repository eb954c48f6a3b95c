#include "engine/TerminateDelivery.h"

#include "media/MainThreadDispatcher.h"

#include <cassert>
#include <utility>

TDoTerminateThread::TDoTerminateThread(std::unique_ptr<TDoTerminateThread> previous,
                                       std::function<void()> call) {
    thread_ = std::thread(&TDoTerminateThread::Main, this, std::move(previous), std::move(call));
}

TDoTerminateThread::~TDoTerminateThread() {
    Join();
}

void TDoTerminateThread::Main(std::unique_ptr<TDoTerminateThread> previous, std::function<void()> call) {
    // Freeing the previous delivery joins it, so this report cannot overtake it.
    previous.reset();
    try {
        call();
    } catch (...) {
        // A handler's failure has nobody to go to on this thread.
    }
    done_.store(true, std::memory_order_release);
    WakeMainThread();
}

void TDoTerminateThread::Join() {
    std::lock_guard lock(joinMutex_);
    if (!thread_.joinable())
        return;
    assert(!IsCurrentThread() && "a delivery thread cannot wait for itself");
    if (IsCurrentThread())
        return;
    if (IsMainThread())
        ServeUntil([this] { return Done(); });
    thread_.join();
}

TTerminateDelivery::~TTerminateDelivery() {
    WaitAll();
}

void TTerminateDelivery::Deliver(std::function<void()> call) {
    std::lock_guard lock(mutex_);
    newest_ = std::make_unique<TDoTerminateThread>(std::move(newest_), std::move(call));
}

void TTerminateDelivery::WaitAll() {
    std::unique_ptr<TDoTerminateThread> newest;
    {
        std::lock_guard lock(mutex_);
        newest = std::move(newest_);
    }
    // Joining the newest joins the whole chain: each thread joins its predecessor first.
    newest.reset();
}
