// The state behind the opaque slot of our own I/O contexts (the Unicode file
// protocol, the pipe reader): an open file descriptor, closed with the object,
// and the interrupt callback of the context that reads through it, which the
// libraries do not hand to custom I/O themselves.
#pragma once

#include <unistd.h>

extern "C" {
#include <libavformat/avio.h>
}

struct TInterruptibleFile {
    int Fd = -1;
    AVIOInterruptCB Interrupt{};

    TInterruptibleFile() = default;
    TInterruptibleFile(const TInterruptibleFile&) = delete;
    TInterruptibleFile& operator=(const TInterruptibleFile&) = delete;
    ~TInterruptibleFile() {
        if (Fd >= 0)
            ::close(Fd);
    }

    bool Interrupted() const { return Interrupt.callback && Interrupt.callback(Interrupt.opaque); }
};
