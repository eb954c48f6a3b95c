// Reading an input that is a named pipe or a device. The libraries' own file
// access waits in the system's read for as long as the writer is silent, and
// nothing but more data or the writer's end brings it back: a stop could not
// get through. This reader waits for data in short steps and gives up as soon
// as the interrupt callback says so, so a stalled pipe never holds a run.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavformat/avformat.h>
}

struct PipeInputFree {
    void operator()(AVIOContext* pb) const;
};
// A pipe reader handed to a format context as custom I/O; it must outlive
// that context, which never frees it.
using PipeInputPtr = std::unique_ptr<AVIOContext, PipeInputFree>;

// True for a local file name (no protocol but "file:") that names a FIFO, a
// character device or a socket.
bool IsPipeInput(const std::string& fileName);

// Opens `fileName` for reading without waiting for a writer. Reads block until
// data comes, the writer closes its end (end of file) or `interrupt` reports
// true (AVERROR_EXIT). Returns 0 or a negative library error.
int OpenPipeInput(PipeInputPtr& pb, const std::string& fileName, const AVIOInterruptCB& interrupt);

// Opens `fileName` for demuxing into `*ctx` (made here when null): a pipe or a
// device through the pipe reader, kept in `pipe`, which must outlive the
// context; any other name through OpenInputContext. `interrupt` is the
// context's callback, also while it opens. On failure `*ctx` is freed and null.
int OpenSourceInput(AVFormatContext** ctx, PipeInputPtr& pipe, const std::string& fileName,
                    const AVInputFormat* format, AVDictionary** options, const AVIOInterruptCB& interrupt);
