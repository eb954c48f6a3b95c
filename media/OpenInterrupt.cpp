#include "media/OpenInterrupt.h"

TOpenInterrupt::TOpenInterrupt(std::chrono::milliseconds limit, const std::atomic<unsigned>* cancels)
    : limit_(limit), deadline_(std::chrono::steady_clock::now() + limit), cancels_(cancels),
      cancelsAtStart_(cancels ? cancels->load(std::memory_order_relaxed) : 0) {}

AVIOInterruptCB TOpenInterrupt::Callback() const {
    return AVIOInterruptCB{&TOpenInterrupt::Check, const_cast<TOpenInterrupt*>(this)};
}

std::string TOpenInterrupt::FailureText(const std::string& fileName) const {
    if (Cancelled())
        return fileName + ": opening was stopped";
    return fileName + ": the source sent no data within " + std::to_string(limit_.count()) + " ms";
}

int TOpenInterrupt::Check(void* opaque) {
    return static_cast<const TOpenInterrupt*>(opaque)->Expired() ? 1 : 0;
}
