// What encoders and muxers of this library generation really accept, for
// settings that older generations took as given: the nearest accepted frame
// rate, frame size, sample rate and channel count. Callers log what changed.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

// The accepted frame rate nearest to `wanted`; `wanted` when the encoder takes any.
AVRational AcceptedFrameRate(const AVCodec* encoder, AVRational wanted, int strictness);

// Rounds `width` and `height` to the sizes the encoder takes; true when either changed.
bool FitFrameSize(const AVCodec* encoder, int& width, int& height);

// The accepted sample rate nearest to `wanted`, by the encoder's and the muxer's limits.
int AcceptedSampleRate(const AVCodec* encoder, const AVOutputFormat* format, int wanted);

// The accepted channel count nearest to `wanted`.
int AcceptedChannels(const AVCodec* encoder, int wanted);

// True when the muxer writes `codec` only with experimental features allowed
// (FLAC in MP4), although the result is a file that players read.
bool MuxerCallsExperimental(const AVOutputFormat* format, AVCodecID codec);
