// A time limit and a cancel for opening a source. A source that sends nothing
// (a pipe without writer, a silent device) would otherwise hold the opening
// thread, and with it the window that asked, for as long as it stays silent.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

extern "C" {
#include <libavformat/avio.h>
}

class TOpenInterrupt {
public:
    static constexpr std::chrono::milliseconds DefaultLimit{10000};

    // The limit counts from now. `cancels` (may be null) is a counter that any
    // thread raises to cut every opening under way short; it must outlive this.
    TOpenInterrupt(std::chrono::milliseconds limit, const std::atomic<unsigned>* cancels);

    // True once the limit has passed or a cancel came after the start.
    bool Expired() const { return Cancelled() || TimedOut(); }
    bool Cancelled() const {
        return cancels_ && cancels_->load(std::memory_order_relaxed) != cancelsAtStart_;
    }
    bool TimedOut() const { return std::chrono::steady_clock::now() >= deadline_; }

    // The library's interrupt callback for this opening (opaque: this object).
    AVIOInterruptCB Callback() const;
    // The error text of an opening of `fileName` that this cut short.
    std::string FailureText(const std::string& fileName) const;

private:
    static int Check(void* opaque);

    std::chrono::milliseconds limit_;
    std::chrono::steady_clock::time_point deadline_;
    const std::atomic<unsigned>* cancels_;
    unsigned cancelsAtStart_;
};
