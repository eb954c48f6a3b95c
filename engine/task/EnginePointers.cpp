#include "task/EnginePointers.h"

#include "media/FFmpegLoader.h"
#include "media/UnicodeProtocol.h"

#include <mutex>

void CodecContextFree::operator()(AVCodecContext* c) const {
    if (avcodec_is_open(c)) {
        std::lock_guard lock(CodecLock());
        avcodec_free_context(&c);
    } else {
        avcodec_free_context(&c);
    }
}

void InputContextFree::operator()(AVFormatContext* c) const {
    CloseInputContext(&c);
}
