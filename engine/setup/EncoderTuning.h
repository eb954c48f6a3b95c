// Encoder settings that buy a clearly better picture at the asked bit rate for
// a moderate cost, where the library's defaults are tuned for speed: the
// MPEG-4 family (mpeg4 and the MS MPEG-4 variants, which share its options).
// x264 keeps what its presets say; other encoders are left alone.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <span>
#include <string_view>

class OptionContextSet;

// One setting: an option of the codec context or of the encoder's private ones.
struct TEncoderTuning {
    std::string_view Name;
    std::string_view Value;
};

// The settings `encoder` gets unless the task set them ("g" is added by
// ApplyEncoderTuning); empty for encoders that keep the library's defaults.
std::span<const TEncoderTuning> EncoderTuning(const AVCodec* encoder);

// Applies EncoderTuning(encoder) to `ctx` (allocated for `encoder`), and a
// key-frame distance of ten seconds at `rate` unless the task is intra-only,
// leaving out every option the task's option lines or presets set (they
// reached `ctx` already). Called by the output set-up of an encoded video
// stream before the encoder opens.
void ApplyEncoderTuning(AVCodecContext* ctx, const AVCodec* encoder, const OptionContextSet& options,
                        AVRational rate, bool intraOnly);
