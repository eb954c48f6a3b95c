// An interrupt callback whose target can change. The libraries copy a
// context's callback into the I/O they open for it (and so do our own readers),
// so the callback given at the open is the one every later read asks. An input
// that changes owners keeps its relay and points it at the new owner.
#pragma once

extern "C" {
#include <libavformat/avio.h>
}

class TInterruptRelay {
public:
    TInterruptRelay() = default;
    TInterruptRelay(const TInterruptRelay&) = delete;
    TInterruptRelay& operator=(const TInterruptRelay&) = delete;

    // The callback for the context and its I/O (opaque: this object, which
    // must outlive them).
    AVIOInterruptCB Callback() { return AVIOInterruptCB{&TInterruptRelay::Check, this}; }
    // What the callback asks from now on; none: never interrupted. Set only
    // while nothing reads the input (a new owner sets it before its first read).
    void SetTarget(const AVIOInterruptCB& target) { target_ = target; }

private:
    static int Check(void* opaque) {
        const AVIOInterruptCB& target = static_cast<const TInterruptRelay*>(opaque)->target_;
        return target.callback ? target.callback(target.opaque) : 0;
    }

    AVIOInterruptCB target_{};
};
