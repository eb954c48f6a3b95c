// What encoders and muxers of this library generation really accept, for
// settings that older generations took as given (or that the profiles offer):
// the nearest accepted frame rate, frame size, sample rate, channel count and
// bit rate, and a codec the container can carry in place of one it cannot.
// Callers log what changed.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

// The encoder to use instead of `encoder` in a container that cannot carry its
// output, or null when the container takes it.
const AVCodec* SubstituteEncoder(const AVOutputFormat* format, const AVCodec* encoder);

// The accepted frame rate nearest to `wanted`; `wanted` when the encoder takes any.
AVRational AcceptedFrameRate(const AVCodec* encoder, AVRational wanted, int strictness);

// Rounds `width` and `height` to the sizes the encoder takes; true when either changed.
bool FitFrameSize(const AVCodec* encoder, int& width, int& height);

// The accepted sample rate nearest to `wanted`, by the encoder's and the muxer's limits.
int AcceptedSampleRate(const AVCodec* encoder, const AVOutputFormat* format, int wanted);

// The accepted bit rate nearest to `wanted` (bit/s) at `sampleRate` and
// `channels`; `wanted` when it is not set (0) or the encoder takes any.
int64_t AcceptedBitRate(const AVCodec* encoder, int sampleRate, int channels, int64_t wanted);

// The accepted channel count nearest to `wanted`.
int AcceptedChannels(const AVCodec* encoder, int wanted);

// True when the muxer writes `codec` only with experimental features allowed
// (FLAC in MP4), although the result is a file that players read.
bool MuxerCallsExperimental(const AVOutputFormat* format, AVCodecID codec);

// The pixel aspect an output shows its frames with when `wanted` (0: square)
// is asked for at `width` x `height`: MPEG-1 video codes one of fourteen pixel
// aspects and MPEG-2 video a square pixel or one of three display aspects, of
// which the nearest is taken, as their encoders would; codecs that code none
// in containers that keep none (Flash, RealMedia) show square pixels.
AVRational CodedSampleAspect(const AVOutputFormat* format, const AVCodec* encoder, AVRational wanted,
                             int width, int height);
