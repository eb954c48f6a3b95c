#include "media/LegacyOptions.h"

#include <algorithm>
#include <array>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

constexpr std::array<TLegacyRename, 2> Renames{{
    {"directpred", "direct-pred"}, // same numbering: none, spatial, temporal, auto
    {"cqp", "qp"},
}};

constexpr std::array<TLegacyMediaTypes, 3> MediaTypes{{
    {"b", AV_OPT_FLAG_VIDEO_PARAM},
    {"maxrate", AV_OPT_FLAG_VIDEO_PARAM},
    {"minrate", AV_OPT_FLAG_VIDEO_PARAM},
}};

constexpr int MediaTypeBits = AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_SUBTITLE_PARAM;

constexpr std::array<TLegacyFlag, 27> Flags{{
    // x264 switches that lived in the generic flags2
    {"flags2", "bpyramid", "b-pyramid", "normal", "none"},
    {"flags2", "mixed_refs", "mixed-refs", "1", "0"},
    {"flags2", "wpred", "weightb", "1", "0"},
    {"flags2", "dct8x8", "8x8dct", "1", "0"},
    {"flags2", "fastpskip", "fast-pskip", "1", "0"},
    {"flags2", "mbtree", "mbtree", "1", "0"},
    {"flags2", "aud", "aud", "1", "0"},
    {"flags2", "ssim", "ssim", "1", "0"},
    {"flags2", "intra_refresh", "intra-refresh", "1", "0"},
    {"flags2", "psy", "psy", "1", "0"},
    // MPEG-2 and MP3 switches that became private options
    {"flags2", "non_linear_q", "non_linear_quant", "1", "0"},
    {"flags2", "bit_reservoir", "reservoir", "1", "0"},
    {"flags2", "skiprd", "mpv_flags", "+skip_rd", "-skip_rd"},
    {"flags2", "strict_gop", "mpv_flags", "+strict_gop", "-strict_gop"},
    {"flags2", "brdo", "", "", ""},
    {"flags2", "sgop", "", "", ""},
    {"flags2", "drop_frame_timecode", "drop_frame_timecode", "1", "0"},
    // generic flags that became private options of the MPEG-family encoders
    {"flags", "scan_offset", "scan_offset", "1", "0"},
    {"flags", "alt", "alternate_scan", "1", "0"},
    {"flags", "obmc", "obmc", "1", "0"},
    {"flags", "part", "data_partitioning", "1", "0"},
    {"flags", "umv", "umv", "1", "0"},
    {"flags", "aiv", "aiv", "1", "0"},
    {"flags", "naq", "mpv_flags", "+naq", "-naq"},
    {"flags", "mv0", "mpv_flags", "+mv0", "-mv0"},
    {"flags", "cbp", "mpv_flags", "+cbp_rd", "-cbp_rd"},
    {"flags", "qprd", "mpv_flags", "+qp_rd", "-qp_rd"},
}};

constexpr std::array<TLegacyPartition, 5> Partitions{{
    {"parti4x4", "i4x4"},
    {"parti8x8", "i8x8"},
    {"partp4x4", "p4x4"},
    {"partp8x8", "p8x8"},
    {"partb8x8", "b8x8"},
}};

constexpr std::array<std::string_view, 6> Dropped{
    "antialias", "mb_qmin", "mb_qmax", "inter_threshold", "color_table_id", "internal_buffers",
};

struct TFlagToken {
    char Sign; // '+', '-', or 0 for a bare token
    std::string Word;
};

// "+a-b+c" or "a" as signed tokens; empty words are skipped.
std::vector<TFlagToken> SplitFlagTokens(const std::string& value) {
    std::vector<TFlagToken> tokens;
    size_t i = 0;
    while (i < value.size()) {
        char sign = 0;
        if (value[i] == '+' || value[i] == '-') {
            sign = value[i++];
        }
        size_t end = value.find_first_of("+-", i);
        if (end == std::string::npos) {
            end = value.size();
        }
        if (end > i) {
            tokens.push_back({sign, value.substr(i, end - i)});
        }
        i = end;
    }
    return tokens;
}

const TLegacyFlag* FindFlag(std::string_view option, std::string_view token) {
    auto it = std::find_if(Flags.begin(), Flags.end(),
                           [&](const TLegacyFlag& f) { return f.Option == option && f.Token == token; });
    return it == Flags.end() ? nullptr : &*it;
}

const TLegacyPartition* FindPartition(std::string_view token) {
    auto it = std::find_if(Partitions.begin(), Partitions.end(),
                           [&](const TLegacyPartition& p) { return p.Token == token; });
    return it == Partitions.end() ? nullptr : &*it;
}

TLegacyTranslation TranslateFlags(const std::string& name, const std::string& value) {
    TLegacyTranslation result;
    std::string kept;
    for (const TFlagToken& token : SplitFlagTokens(value)) {
        const TLegacyFlag* flag = FindFlag(name, token.Word);
        if (!flag) {
            if (token.Sign) {
                kept += token.Sign;
            }
            kept += token.Word;
            continue;
        }
        result.Translated = true;
        if (flag->NewName.empty()) {
            result.Dropped.push_back(name + "=" + (token.Sign ? std::string(1, token.Sign) : "") +
                                     token.Word);
            continue;
        }
        const bool on = token.Sign != '-';
        result.Set.push_back({std::string(flag->NewName), std::string(on ? flag->OnValue : flag->OffValue)});
    }
    if (result.Translated && !kept.empty()) {
        result.Set.insert(result.Set.begin(), {name, kept});
    }
    return result;
}

// The old partitions value worked on flags; x264 now takes a list of names.
TLegacyTranslation TranslatePartitions(const std::string& value, const std::string& previous) {
    TLegacyTranslation result;
    std::vector<TFlagToken> tokens = SplitFlagTokens(value);
    if (tokens.empty() || !std::all_of(tokens.begin(), tokens.end(),
                                       [](const TFlagToken& t) { return FindPartition(t.Word); })) {
        return result; // already in today's form
    }
    std::array<bool, Partitions.size()> on{};
    // A bare first token replaces the flags; a signed one changes what was set before.
    if (tokens.front().Sign != 0) {
        for (size_t i = 0; i < Partitions.size(); ++i) {
            const std::string_view x = Partitions[i].X264Name;
            size_t at = previous.find(x);
            on[i] = at != std::string::npos;
        }
    }
    for (const TFlagToken& token : tokens) {
        const TLegacyPartition* p = FindPartition(token.Word);
        on[p - Partitions.data()] = token.Sign != '-';
    }
    std::string list;
    for (size_t i = 0; i < Partitions.size(); ++i) {
        if (on[i]) {
            if (!list.empty()) {
                list += ',';
            }
            list += Partitions[i].X264Name;
        }
    }
    result.Translated = true;
    result.Set.push_back({"partitions", list.empty() ? "none" : list});
    return result;
}

} // namespace

std::span<const TLegacyRename> LegacyRenames() {
    return Renames;
}
std::span<const TLegacyMediaTypes> LegacyMediaTypes() {
    return MediaTypes;
}

int LegacyOptionFlags(const char* name, int flags) {
    for (const TLegacyMediaTypes& entry : MediaTypes) {
        if (entry.Name == name) {
            return (flags & ~MediaTypeBits) | entry.MediaFlags;
        }
    }
    return flags;
}

std::span<const TLegacyFlag> LegacyFlags() {
    return Flags;
}
std::span<const TLegacyPartition> LegacyPartitions() {
    return Partitions;
}
std::span<const std::string_view> LegacyDroppedOptions() {
    return Dropped;
}

TLegacyTranslation TranslateLegacyOption(const std::string& name, const std::string& value,
                                         const std::string& previousPartitions) {
    for (const TLegacyRename& rename : Renames) {
        if (rename.OldName == name) {
            TLegacyTranslation result;
            result.Translated = true;
            result.Set.push_back({std::string(rename.NewName), value});
            return result;
        }
    }
    if (std::find(Dropped.begin(), Dropped.end(), name) != Dropped.end()) {
        TLegacyTranslation result;
        result.Translated = true;
        result.Dropped.push_back(name + "=" + value);
        return result;
    }
    if (name == "partitions") {
        return TranslatePartitions(value, previousPartitions);
    }
    if (name == "flags" || name == "flags2") {
        return TranslateFlags(name, value);
    }
    return {};
}
