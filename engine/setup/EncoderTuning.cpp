#include "setup/EncoderTuning.h"

#include "media/FFmpegLogger.h"
#include "media/GenericOptions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// Rate-distortion macroblock decision, SATD for the sub-pixel refinement and
// the previous picture's vectors as search candidates: at the same bit rate
// these lift SSIM and PSNR well above the defaults at a small share of a
// conversion's time. Trellis quantisation and SATD for the full-pixel search
// were measured too: they cost more than they gave. mpeg4 also takes four
// motion vectors per macroblock (still Simple Profile, so every player that
// reads the rest reads it); the MS variants refuse them. No B-frames: the
// device profiles (PSP, iPod, phones) want Simple Profile.
constexpr std::array Mpeg4{
    TEncoderTuning{"mbd", "rd"},
    TEncoderTuning{"subcmp", "satd"},
    TEncoderTuning{"last_pred", "2"},
    TEncoderTuning{"flags", "+mv4"},
};
constexpr size_t FourVectors = 1; // the last entries, which only mpeg4 takes

// Key frames every ten seconds instead of every twelve pictures: the library's
// distance spends a large share of the bits on intra pictures.
constexpr double KeyFrameSeconds = 10;
constexpr std::string_view GopOption = "g";

bool SetByTask(const OptionContextSet& options, std::string_view name) {
    return std::any_of(options.Options().begin(), options.Options().end(),
                       [&](const TStoredOption& o) { return o.Name == name; });
}

void Set(AVCodecContext* ctx, std::string_view name, const std::string& value) {
    const std::string key(name);
    if (av_opt_set(ctx, key.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN) < 0)
        GetLogger().LogFmt(nullptr, llWarning, "Encoder setting %s=%s not applied", key.c_str(),
                           value.c_str());
}

} // namespace

std::span<const TEncoderTuning> EncoderTuning(const AVCodec* encoder) {
    if (!encoder)
        return {};
    switch (encoder->id) {
    case AV_CODEC_ID_MPEG4:
        return Mpeg4;
    case AV_CODEC_ID_MSMPEG4V2:
    case AV_CODEC_ID_MSMPEG4V3:
        return std::span(Mpeg4).first(Mpeg4.size() - FourVectors);
    default:
        return {};
    }
}

void ApplyEncoderTuning(AVCodecContext* ctx, const AVCodec* encoder, const OptionContextSet& options,
                        AVRational rate, bool intraOnly) {
    const std::span<const TEncoderTuning> tuning = EncoderTuning(encoder);
    if (tuning.empty())
        return;
    for (const TEncoderTuning& t : tuning)
        if (!SetByTask(options, t.Name))
            Set(ctx, t.Name, std::string(t.Value));
    if (!intraOnly && !SetByTask(options, GopOption) && rate.num > 0 && rate.den > 0)
        Set(ctx, GopOption, std::to_string(std::lround(KeyFrameSeconds * av_q2d(rate))));
}
