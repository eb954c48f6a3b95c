#include "engine/SubtitleKeep.h"

#include <algorithm>
#include <array>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

enum class TKind { Text, Picture };

// Subtitle kind of a codec; none for codecs that are neither (or unknown).
std::optional<TKind> KindOf(AVCodecID id) {
    const AVCodecDescriptor* desc = avcodec_descriptor_get(id);
    if (!desc)
        return std::nullopt;
    if (desc->props & AV_CODEC_PROP_TEXT_SUB)
        return TKind::Text;
    if (desc->props & AV_CODEC_PROP_BITMAP_SUB)
        return TKind::Picture;
    return std::nullopt;
}

// Program streams (DVD, VOB) read private subtitle streams back as DVD pictures;
// ".vob" files are written by the SVCD flavour of the muxer.
constexpr std::array<std::string_view, 4> ProgramStreamMuxers{"mpeg", "vob", "dvd", "svcd"};
// The MPEG-4 family writes text as its own timed text.
constexpr std::array<std::string_view, 6> TimedTextMuxers{"mp4", "mov", "ipod", "psp", "3gp", "3g2"};

bool Among(std::string_view name, const auto& names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

} // namespace

std::optional<std::string> KeptSubtitleCodec(const std::string& formatName, AVCodecID source) {
    const std::optional<TKind> kind = KindOf(source);
    if (!kind)
        return std::nullopt;
    if (formatName == "matroska") {
        if (*kind == TKind::Picture)
            return "copy";
        return source == AV_CODEC_ID_ASS || source == AV_CODEC_ID_SSA ? "ass" : "srt";
    }
    if (Among(formatName, TimedTextMuxers))
        return *kind == TKind::Text ? std::optional<std::string>("mov_text") : std::nullopt;
    if (Among(formatName, ProgramStreamMuxers) && *kind == TKind::Picture)
        return source == AV_CODEC_ID_DVD_SUBTITLE ? "copy" : "dvdsub";
    return std::nullopt;
}

std::string OutputFormatName(const std::string& formatName, const std::string& fileName) {
    const AVOutputFormat* format =
        av_guess_format(formatName.empty() ? nullptr : formatName.c_str(), fileName.c_str(), nullptr);
    return format && format->name ? format->name : std::string();
}
