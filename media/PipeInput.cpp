#include "media/PipeInput.h"

#include "media/InterruptibleFile.h"
#include "media/UnicodeProtocol.h"

#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/mem.h>
}

namespace {

constexpr int BufferSize = 32768;
// How long one wait for data lasts before the interrupt callback is asked
// again; the callback has no way to wake the wait, so this bounds a stop's delay.
constexpr int WaitStepMs = 20;
constexpr std::string_view FilePrefix = "file:";

using PipeFile = TInterruptibleFile;

std::string LocalPath(const std::string& fileName) {
    if (fileName.compare(0, FilePrefix.size(), FilePrefix) == 0)
        return fileName.substr(FilePrefix.size());
    return fileName;
}

int ReadPipe(void* opaque, uint8_t* buf, int size) {
    auto* file = static_cast<PipeFile*>(opaque);
    for (;;) {
        if (file->Interrupted())
            return AVERROR_EXIT;
        pollfd wait{file->Fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, WaitStepMs);
        if (ready < 0 && errno != EINTR)
            return AVERROR(errno);
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(file->Fd, buf, static_cast<size_t>(size));
        if (n > 0)
            return static_cast<int>(n);
        if (n == 0)
            return AVERROR_EOF; // the writer has closed its end
        if (errno != EAGAIN && errno != EINTR)
            return AVERROR(errno);
    }
}

} // namespace

void PipeInputFree::operator()(AVIOContext* pb) const {
    delete static_cast<PipeFile*>(pb->opaque);
    av_freep(&pb->buffer); // the library may have replaced the buffer it was given
    avio_context_free(&pb);
}

bool IsPipeInput(const std::string& fileName) {
    const std::string path = LocalPath(fileName);
    const size_t colon = path.find(':');
    const size_t slash = path.find('/');
    if (colon != std::string::npos && (slash == std::string::npos || colon < slash))
        return false; // another protocol's name
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return false;
    return S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode) || S_ISSOCK(st.st_mode);
}

int OpenPipeInput(PipeInputPtr& pb, const std::string& fileName, const AVIOInterruptCB& interrupt) {
    pb.reset();
    auto file = std::make_unique<PipeFile>();
    file->Interrupt = interrupt;
    // Without O_NONBLOCK opening a pipe waits for its writer, out of reach of any stop.
    file->Fd = ::open(LocalPath(fileName).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file->Fd < 0)
        return AVERROR(errno);
    auto* buffer = static_cast<uint8_t*>(av_malloc(BufferSize));
    if (!buffer)
        return AVERROR(ENOMEM);
    AVIOContext* ctx = avio_alloc_context(buffer, BufferSize, 0, file.get(), ReadPipe, nullptr, nullptr);
    if (!ctx) {
        av_free(buffer);
        return AVERROR(ENOMEM);
    }
    ctx->seekable = 0;
    file.release();
    pb.reset(ctx);
    return 0;
}

int OpenSourceInput(AVFormatContext** ctx, PipeInputPtr& pipe, const std::string& fileName,
                    const AVInputFormat* format, AVDictionary** options, const AVIOInterruptCB& interrupt) {
    pipe.reset();
    if (!IsPipeInput(fileName))
        return OpenInputContext(ctx, ToLibraryFileName(fileName), format, options, &interrupt);
    int ret = OpenPipeInput(pipe, fileName, interrupt);
    if (ret >= 0 && !*ctx && !(*ctx = avformat_alloc_context()))
        ret = AVERROR(ENOMEM);
    if (ret < 0) {
        avformat_free_context(*ctx);
        *ctx = nullptr;
        pipe.reset();
        return ret;
    }
    (*ctx)->pb = pipe.get();
    (*ctx)->flags |= AVFMT_FLAG_CUSTOM_IO;
    (*ctx)->interrupt_callback = interrupt;
    // On failure the library frees the context but leaves our reader alone.
    ret = avformat_open_input(ctx, fileName.c_str(), format, options);
    if (ret < 0)
        pipe.reset();
    return ret;
}
