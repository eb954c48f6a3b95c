#include "setup/CodecLookup.h"

#include "media/FFmpegLogger.h"

#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace {

struct TCodecRename {
    std::string_view OldName;
    std::string_view NewName;
    TCodecDirection Direction;
};

// Codecs that profiles and presets name by their old library's wrapper names.
constexpr TCodecRename CodecRenames[] = {
    {"libfaac", "aac", cdEncoder},
    {"libfaad", "aac", cdDecoder},
    {"libamr_nb", "libopencore_amrnb", cdEncoder},
    {"libamr_nb", "libopencore_amrnb", cdDecoder},
    {"libamr_wb", "libvo_amrwbenc", cdEncoder},
    {"libamr_wb", "libopencore_amrwb", cdDecoder},
};

const char* KindWord(TCodecDirection direction) {
    return direction == cdEncoder ? "encoder" : "decoder";
}

const AVCodec* FindByName(const std::string& name, TCodecDirection direction) {
    return direction == cdEncoder ? avcodec_find_encoder_by_name(name.c_str())
                                  : avcodec_find_decoder_by_name(name.c_str());
}

const AVCodec* FindById(AVCodecID id, TCodecDirection direction) {
    return direction == cdEncoder ? avcodec_find_encoder(id) : avcodec_find_decoder(id);
}

} // namespace

std::string CurrentCodecName(const std::string& name, TCodecDirection direction) {
    if (FindByName(name, direction))
        return name;
    for (const TCodecRename& rename : CodecRenames)
        if (rename.Direction == direction && rename.OldName == name)
            return std::string(rename.NewName);
    return name;
}

TCodecLookup FindCodecByName(const std::string& name, AVMediaType type, TCodecDirection direction,
                             int strictness) {
    TCodecLookup result;
    if (name.empty())
        return result;
    const char* kind = KindWord(direction);
    const std::string current = CurrentCodecName(name, direction);
    if (current != name)
        GetLogger().Log(nullptr, llWarning,
                        std::string(kind) + " '" + name + "' is not available, using '" + current +
                            "' instead");
    const AVCodec* codec = FindByName(current, direction);
    if (!codec) {
        result.Error = std::string("Unknown ") + kind + " '" + name + "'";
        return result;
    }
    if (codec->type != type) {
        result.Error = std::string("Invalid ") + kind + " type '" + name + "'";
        return result;
    }
    if ((codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) && strictness > FF_COMPLIANCE_EXPERIMENTAL) {
        result.Error = std::string(kind) + " '" + codec->name +
                       "' is experimental and might produce bad results.\r\n"
                       "Add '-strict experimental' if you want to use it.";
        const AVCodec* other = FindById(codec->id, direction);
        if (other && !(other->capabilities & AV_CODEC_CAP_EXPERIMENTAL))
            result.Error +=
                std::string("\r\nOr use the non experimental ") + kind + " '" + other->name + "'.";
        return result;
    }
    result.Codec = codec;
    return result;
}
