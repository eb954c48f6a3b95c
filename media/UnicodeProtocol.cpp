#include "media/UnicodeProtocol.h"

#include "media/InterruptibleFile.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
}

const char* const kUnicodeProtocolPrefix = "unicode:utf8:";

namespace {

constexpr std::string_view kPrefix = "unicode:utf8:";
// Protocols whose names are handed over untouched (colon-enclosed, so that a
// whole word must match).
constexpr std::string_view kPassThroughProtocols = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";
constexpr int kIOBufferSize = 32768;
constexpr std::string_view kFileProtocol = "file:";

// One open file of our I/O; owned by the AVIOContext's opaque slot.
using UnicodeFile = TInterruptibleFile;

int ReadUnicodeFile(void* opaque, uint8_t* buf, int size) {
    auto* file = static_cast<UnicodeFile*>(opaque);
    if (file->Interrupted())
        return AVERROR_EXIT;
    ssize_t n;
    do {
        n = ::read(file->Fd, buf, static_cast<size_t>(size));
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        return AVERROR(EIO);
    // The libraries take 0 as "try again", not as the end of the file.
    return n == 0 ? AVERROR_EOF : static_cast<int>(n);
}

// Writes everything: the libraries do not retry a short write, so stopping
// early would silently lose the rest of the buffer.
int WriteUnicodeFile(void* opaque, uint8_t* buf, int size) {
    auto* file = static_cast<UnicodeFile*>(opaque);
    if (file->Interrupted())
        return AVERROR_EXIT;
    int done = 0;
    while (done < size) {
        ssize_t n = ::write(file->Fd, buf + done, static_cast<size_t>(size - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return AVERROR(EIO);
        done += static_cast<int>(n);
    }
    return done;
}

int64_t SeekUnicodeFile(void* opaque, int64_t offset, int whence) {
    auto* file = static_cast<UnicodeFile*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        struct stat st {};
        if (::fstat(file->Fd, &st) != 0)
            return AVERROR(EIO);
        return st.st_size;
    }
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END)
        return AVERROR(EINVAL);
    off_t pos = ::lseek(file->Fd, static_cast<off_t>(offset), whence);
    return pos < 0 ? AVERROR(EIO) : static_cast<int64_t>(pos);
}

int OpenFlagsFor(int avioFlags) {
    // Writing always starts a fresh file, as the libraries' own file output does.
    if ((avioFlags & AVIO_FLAG_READ_WRITE) == AVIO_FLAG_READ_WRITE)
        return O_RDWR | O_CREAT | O_TRUNC;
    if (avioFlags & AVIO_FLAG_WRITE)
        return O_WRONLY | O_CREAT | O_TRUNC;
    return O_RDONLY;
}

} // namespace

bool NeedsUnicodeProtocol(const std::string& name) {
    auto colon = name.find(':');
    if (colon != std::string::npos) {
        std::string word = ":" + name.substr(0, colon) + ":";
        if (kPassThroughProtocols.find(word) != std::string_view::npos)
            return false;
    }
    // File names are UTF-8 bytes on this platform and reach the libraries as
    // they are, so no character can be lost on the way.
    return false;
}

std::string ToLibraryFileName(const std::string& name) {
    // Names are not cut to any length: a shortened name would address another file.
    if (NeedsUnicodeProtocol(name))
        return std::string(kPrefix) + name;
    // The libraries read the text before a ":" as a protocol: a local file
    // ("clip:1.mp4", or even "http:x.mp4" when it exists) and a name whose
    // prefix is no protocol they know go through the file protocol.
    const size_t colon = name.find(':');
    if (colon == std::string::npos)
        return name;
    struct stat info {};
    if (::lstat(name.c_str(), &info) == 0)
        return std::string(kFileProtocol) + name;
    const std::string word = ":" + name.substr(0, colon) + ":";
    if (kPassThroughProtocols.find(word) == std::string_view::npos && !avio_find_protocol_name(name.c_str()))
        return std::string(kFileProtocol) + name;
    return name;
}

bool HasUnicodeProtocolPrefix(const std::string& libraryName) {
    return libraryName.size() > kPrefix.size() && libraryName.compare(0, kPrefix.size(), kPrefix) == 0;
}

std::string FromLibraryFileName(const std::string& text) {
    if (HasUnicodeProtocolPrefix(text))
        return text.substr(kPrefix.size());
    // The file protocol's own prefix names the file after it.
    if (text.size() > kFileProtocol.size() && text.compare(0, kFileProtocol.size(), kFileProtocol) == 0)
        return text.substr(kFileProtocol.size());
    return text;
}

void RegisterUnicodeProtocol() {}

bool IsUnicodeIO(const AVIOContext* pb) {
    return pb && pb->seek == SeekUnicodeFile;
}

int OpenUnicodeIO(AVIOContext** pb, const std::string& libraryName, int avioFlags,
                  const AVIOInterruptCB* interrupt) {
    *pb = nullptr;
    if (!HasUnicodeProtocolPrefix(libraryName))
        return AVERROR(ENOENT);
    auto file = std::make_unique<UnicodeFile>();
    if (interrupt)
        file->Interrupt = *interrupt;
    std::string path = FromLibraryFileName(libraryName);
    file->Fd = ::open(path.c_str(), OpenFlagsFor(avioFlags) | O_CLOEXEC, 0666);
    if (file->Fd < 0)
        return AVERROR(ENOENT);
    struct stat st {};
    if (::fstat(file->Fd, &st) != 0 || S_ISDIR(st.st_mode))
        return AVERROR(ENOENT);

    std::unique_ptr<uint8_t, decltype(&av_free)> buffer(static_cast<uint8_t*>(av_malloc(kIOBufferSize)),
                                                        &av_free);
    if (!buffer)
        return AVERROR(ENOMEM);
    const bool writing = (avioFlags & AVIO_FLAG_WRITE) != 0;
    const bool reading = (avioFlags & AVIO_FLAG_WRITE) == 0 || (avioFlags & AVIO_FLAG_READ) != 0;
    AVIOContext* ctx = avio_alloc_context(buffer.get(), kIOBufferSize, writing ? 1 : 0, file.get(),
                                          reading ? ReadUnicodeFile : nullptr,
                                          writing ? WriteUnicodeFile : nullptr, SeekUnicodeFile);
    if (!ctx)
        return AVERROR(ENOMEM);
    buffer.release();
    file.release();
    *pb = ctx;
    return 0;
}

void CloseUnicodeIO(AVIOContext** pb) {
    if (!*pb)
        return;
    AVIOContext* ctx = *pb;
    *pb = nullptr;
    if (ctx->write_flag)
        avio_flush(ctx);
    std::unique_ptr<UnicodeFile> file(static_cast<UnicodeFile*>(ctx->opaque));
    // The library may have replaced the buffer we gave it; free whichever it holds.
    av_freep(&ctx->buffer);
    avio_context_free(&ctx);
}

int OpenInputContext(AVFormatContext** ctx, const std::string& libraryName, const AVInputFormat* format,
                     AVDictionary** options, const AVIOInterruptCB* interrupt) {
    if (!*ctx && (interrupt || HasUnicodeProtocolPrefix(libraryName))) {
        *ctx = avformat_alloc_context();
        if (!*ctx)
            return AVERROR(ENOMEM);
    }
    if (interrupt)
        (*ctx)->interrupt_callback = *interrupt;
    if (!HasUnicodeProtocolPrefix(libraryName))
        return avformat_open_input(ctx, libraryName.c_str(), format, options);

    AVIOContext* pb = nullptr;
    int ret = OpenUnicodeIO(&pb, libraryName, AVIO_FLAG_READ, &(*ctx)->interrupt_callback);
    if (ret < 0) {
        avformat_free_context(*ctx);
        *ctx = nullptr;
        return ret;
    }
    (*ctx)->pb = pb;
    (*ctx)->flags |= AVFMT_FLAG_CUSTOM_IO;
    ret = avformat_open_input(ctx, libraryName.c_str(), format, options);
    // On failure the library has freed the context but leaves a caller's I/O alone.
    if (ret < 0)
        CloseUnicodeIO(&pb);
    return ret;
}

void CloseInputContext(AVFormatContext** ctx) {
    if (!*ctx)
        return;
    AVIOContext* ours = IsUnicodeIO((*ctx)->pb) ? (*ctx)->pb : nullptr;
    avformat_close_input(ctx);
    CloseUnicodeIO(&ours);
}

int OpenOutputIO(AVFormatContext* ctx, const std::string& libraryName, const AVIOInterruptCB* interrupt,
                 AVDictionary** options) {
    if (HasUnicodeProtocolPrefix(libraryName))
        return OpenUnicodeIO(&ctx->pb, libraryName, AVIO_FLAG_WRITE,
                             interrupt ? interrupt : &ctx->interrupt_callback);
    return avio_open2(&ctx->pb, libraryName.c_str(), AVIO_FLAG_WRITE, interrupt, options);
}

void CloseOutputIO(AVFormatContext* ctx) {
    if (IsUnicodeIO(ctx->pb))
        CloseUnicodeIO(&ctx->pb);
    else
        avio_closep(&ctx->pb);
}
