// How many threads a task's codecs get. Codec thread counts are fixed when a
// codec opens, so each task gets its share of the processor cores when it
// starts: the cores divided among the tasks that will run beside it.
#pragma once

struct AVCodec;
struct AVCodecContext;

// More threads than this buy nothing for the frame sizes the profiles make.
inline constexpr int MaxCodecThreads = 16;

// The processor cores this process may run on (its affinity), at least 1.
int ProcessorCores();

// The codec threads of a task started while `tasksAtOnce` tasks (itself
// included) will run at once on `cores` cores: at least 1, at most MaxCodecThreads.
int CodecThreadShare(int cores, int tasksAtOnce);

// The thread count of `codec` about to open in `ctx`. `share`: the task's
// share (1 when the task was started without one); `requested`: the "threads"
// option, -1 when not given (0 lets the library choose). Only video codecs
// take a share: audio and subtitle codecs cost too little to split. A codec
// that runs threads of its own (libx264) gets half a share more: its frame
// threads wait for each other's reference rows, and the extra ones keep the
// cores busy meanwhile, as its own automatic count does.
int CodecThreadCount(const AVCodecContext& ctx, const AVCodec* codec, int share, int requested);

// Sets the thread count on a codec that has not opened yet; frame threads
// where the codec has them (whole pictures in flight, for decoders and
// encoders that can), otherwise slices.
void ApplyCodecThreads(AVCodecContext& ctx, int count);
