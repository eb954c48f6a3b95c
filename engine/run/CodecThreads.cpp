#include "engine/CodecThreads.h"

#include <algorithm>
#include <thread>

#include <sched.h>

extern "C" {
#include <libavcodec/avcodec.h>
}

int ProcessorCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) {
        if (const int count = CPU_COUNT(&set); count > 0)
            return count;
    }
    return std::max(1u, std::thread::hardware_concurrency());
}

int CodecThreadShare(int cores, int tasksAtOnce) {
    return std::clamp(cores / std::max(1, tasksAtOnce), 1, MaxCodecThreads);
}

int CodecThreadCount(const AVCodecContext& ctx, const AVCodec* codec, int share, int requested) {
    if (requested >= 0)
        return std::min(requested, MaxCodecThreads);
    if (ctx.codec_type != AVMEDIA_TYPE_VIDEO || share <= 1)
        return 1;
    const bool ownThreads = codec && (codec->capabilities & AV_CODEC_CAP_OTHER_THREADS);
    return std::min(ownThreads ? share + share / 2 : share, MaxCodecThreads);
}

void ApplyCodecThreads(AVCodecContext& ctx, int count) {
    ctx.thread_count = count;
    // Both kinds allowed: the library takes frame threads where the codec has
    // them and falls back to slices, the only kind some encoders (mpeg4) offer.
    ctx.thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
}
