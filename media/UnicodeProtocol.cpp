// Interim pass-through implementation; prefixed names are not served yet.
#include "media/UnicodeProtocol.h"

extern "C" {
#include <libavformat/avformat.h>
}

bool NeedsUnicodeProtocol(const std::string&) { return false; }
std::string ToLibraryFileName(const std::string& name) { return name; }
std::string FromLibraryFileName(const std::string& text) { return text; }
void RegisterUnicodeProtocol() {}

int OpenInputContext(AVFormatContext** ctx, const std::string& libraryName, const AVInputFormat* format,
                     AVDictionary** options, const AVIOInterruptCB* interrupt) {
    if (interrupt) {
        if (!*ctx)
            *ctx = avformat_alloc_context();
        if (!*ctx)
            return AVERROR(ENOMEM);
        (*ctx)->interrupt_callback = *interrupt;
    }
    return avformat_open_input(ctx, libraryName.c_str(), format, options);
}

void CloseInputContext(AVFormatContext** ctx) { avformat_close_input(ctx); }

int OpenOutputIO(AVFormatContext* ctx, const std::string& libraryName, const AVIOInterruptCB* interrupt,
                 AVDictionary** options) {
    return avio_open2(&ctx->pb, libraryName.c_str(), AVIO_FLAG_WRITE, interrupt, options);
}

void CloseOutputIO(AVFormatContext* ctx) { avio_closep(&ctx->pb); }
