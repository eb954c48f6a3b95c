#include "options/Presets.h"

#include "engine/FFmpegException.h"
#include "options/OptionTable.h"
#include "options/OptionTarget.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <strings.h>

namespace {

// The x264 settings of libx264-default, one key=value per line, in the order they are applied.
constexpr std::string_view DefaultLines = "coder=1\n"
                                          "flags=+loop\n"
                                          "cmp=+chroma\n"
                                          "partitions=+parti8x8+parti4x4+partp8x8+partb8x8\n"
                                          "me_method=hex\n"
                                          "subq=7\n"
                                          "me_range=16\n"
                                          "g=250\n"
                                          "keyint_min=25\n"
                                          "sc_threshold=40\n"
                                          "i_qfactor=0.71\n"
                                          "b_strategy=1\n"
                                          "qcomp=0.6\n"
                                          "qmin=10\n"
                                          "qmax=51\n"
                                          "qdiff=4\n"
                                          "bf=3\n"
                                          "refs=3\n"
                                          "directpred=1\n"
                                          "trellis=1\n"
                                          "flags2=+mixed_refs+wpred+dct8x8+fastpskip\n"
                                          "wpredp=2";

// A built-in preset as written down: either its whole text, or how it differs
// from libx264-default. A derived preset takes the default's lines in their
// order, with some values changed and some keys left out; the lossless ones
// also set "cqp=0", right after flags2.
struct PresetSource {
    std::string_view Name;
    // The whole text, or for a derived preset its changed key=value lines.
    std::string_view Lines;
    bool Derived;
    // Keys of the default that a derived preset leaves out, space-separated.
    std::string_view LeftOut;
    bool AddsCqp;
};

constexpr bool WithCqp = true;

constexpr PresetSource Full(std::string_view name, std::string_view lines) {
    return {name, lines, false, {}, false};
}

constexpr PresetSource FromDefault(std::string_view name, std::string_view changed,
                                   std::string_view leftOut = {}, bool addsCqp = false) {
    return {name, changed, true, leftOut, addsCqp};
}

// "libx264-placebo" and its first pass change the same keys.
constexpr std::string_view PlaceboChanges = "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8\n"
                                            "me_method=tesa\n"
                                            "subq=10\n"
                                            "me_range=24\n"
                                            "b_strategy=2\n"
                                            "bf=16\n"
                                            "refs=16\n"
                                            "directpred=3\n"
                                            "trellis=2\n"
                                            "flags2=+bpyramid+mixed_refs+wpred+dct8x8-fastpskip";

// "libx264-ultrafast" and its first pass change the same keys.
constexpr std::string_view UltrafastChanges = "coder=0\n"
                                              "flags=-loop\n"
                                              "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                              "me_method=dia\n"
                                              "subq=0\n"
                                              "sc_threshold=0\n"
                                              "b_strategy=0\n"
                                              "bf=0\n"
                                              "refs=1\n"
                                              "trellis=0\n"
                                              "flags2=-bpyramid-mixed_refs-wpred-dct8x8+fastpskip-mbtree\n"
                                              "wpredp=0";

// The first passes of "libx264-fast" and "libx264-medium" change the same keys.
constexpr std::string_view FastFirstPassChanges = "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                                  "me_method=dia\n"
                                                  "subq=2\n"
                                                  "refs=1\n"
                                                  "trellis=0\n"
                                                  "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip";

// The first passes of "libx264-slow" and "libx264-slower" change the same keys.
constexpr std::string_view SlowFirstPassChanges = "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                                  "me_method=dia\n"
                                                  "subq=2\n"
                                                  "b_strategy=2\n"
                                                  "refs=1\n"
                                                  "directpred=3\n"
                                                  "trellis=0\n"
                                                  "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip";

constexpr std::array<PresetSource, 36> PresetSources{{
    Full("libx264-baseline", "coder=0\n"
                             "bf=0\n"
                             "flags2=-wpred-dct8x8\n"
                             "wpredp=0"),
    Full("libx264-default", DefaultLines),
    FromDefault("libx264-fast", "subq=6\n"
                                "refs=2\n"
                                "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-fast_firstpass", FastFirstPassChanges),
    FromDefault("libx264-faster", "subq=4\n"
                                  "refs=2\n"
                                  "flags2=+bpyramid-mixed_refs+wpred+dct8x8+fastpskip\n"
                                  "wpredp=1"),
    FromDefault("libx264-faster_firstpass", "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                            "me_method=dia\n"
                                            "subq=2\n"
                                            "refs=1\n"
                                            "trellis=0\n"
                                            "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip\n"
                                            "wpredp=1"),
    FromDefault("libx264-fastfirstpass", "partitions=-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8\n"
                                         "me_method=dia\n"
                                         "subq=2\n"
                                         "refs=1\n"
                                         "directpred=3\n"
                                         "trellis=0\n"
                                         "flags2=-bpyramid-wpred-mixed_refs-dct8x8+fastpskip"),
    FromDefault("libx264-hq", "me_method=umh\n"
                              "subq=8\n"
                              "b_strategy=2\n"
                              "refs=4\n"
                              "directpred=3\n"
                              "flags2=+wpred+mixed_refs+dct8x8+fastpskip"),
    Full("libx264-ipod320", "coder=0\n"
                            "bf=0\n"
                            "flags2=-wpred-dct8x8\n"
                            "level=13\n"
                            "maxrate=768000\n"
                            "bufsize=3000000\n"
                            "wpredp=0"),
    Full("libx264-ipod640", "coder=0\n"
                            "bf=0\n"
                            "refs=1\n"
                            "flags2=-wpred-dct8x8\n"
                            "level=30\n"
                            "maxrate=10000000\n"
                            "bufsize=10000000\n"
                            "wpredp=0"),
    FromDefault("libx264-lossless_fast",
                "coder=0\n"
                "partitions=-parti8x8+parti4x4+partp8x8-partp4x4-partb8x8\n"
                "subq=3\n"
                "flags2=+fastpskip\n"
                "wpredp=0",
                "bf refs trellis", WithCqp),
    FromDefault("libx264-lossless_max",
                "partitions=+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8\n"
                "me_method=esa\n"
                "subq=8\n"
                "refs=16\n"
                "flags2=+mixed_refs+dct8x8+fastpskip",
                "bf trellis", WithCqp),
    FromDefault("libx264-lossless_medium",
                "partitions=-parti8x8+parti4x4+partp8x8+partp4x4-partb8x8\n"
                "subq=5\n"
                "flags2=+fastpskip",
                "bf refs trellis", WithCqp),
    FromDefault("libx264-lossless_slow",
                "partitions=+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8\n"
                "me_method=umh\n"
                "subq=6\n"
                "refs=2\n"
                "flags2=+dct8x8+fastpskip",
                "bf trellis", WithCqp),
    FromDefault("libx264-lossless_slower",
                "partitions=+parti8x8+parti4x4+partp8x8+partp4x4-partb8x8\n"
                "me_method=umh\n"
                "subq=8\n"
                "refs=4\n"
                "flags2=+mixed_refs+dct8x8+fastpskip",
                "bf trellis", WithCqp),
    FromDefault("libx264-lossless_ultrafast",
                "coder=0\n"
                "partitions=-parti8x8-parti4x4-partp8x8-partp4x4-partb8x8\n"
                "me_method=dia\n"
                "subq=0\n"
                "flags2=+fastpskip",
                "bf refs trellis wpredp", WithCqp),
    Full("libx264-main", "flags2=-dct8x8"),
    FromDefault("libx264-max", "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8\n"
                               "me_method=tesa\n"
                               "subq=10\n"
                               "me_range=24\n"
                               "b_strategy=2\n"
                               "refs=16\n"
                               "directpred=3\n"
                               "trellis=2\n"
                               "flags2=+wpred+mixed_refs+dct8x8-fastpskip"),
    FromDefault("libx264-medium", "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-medium_firstpass", FastFirstPassChanges),
    FromDefault("libx264-normal", "subq=6\n"
                                  "refs=2\n"
                                  "directpred=3\n"
                                  "trellis=0\n"
                                  "flags2=+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-placebo", PlaceboChanges),
    FromDefault("libx264-placebo_firstpass", PlaceboChanges),
    FromDefault("libx264-slow", "me_method=umh\n"
                                "subq=8\n"
                                "b_strategy=2\n"
                                "refs=5\n"
                                "directpred=3\n"
                                "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-slow_firstpass", SlowFirstPassChanges),
    FromDefault("libx264-slower", "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8\n"
                                  "me_method=umh\n"
                                  "subq=9\n"
                                  "b_strategy=2\n"
                                  "refs=8\n"
                                  "directpred=3\n"
                                  "trellis=2\n"
                                  "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-slower_firstpass", SlowFirstPassChanges),
    FromDefault("libx264-slowfirstpass", "subq=6\n"
                                         "b_strategy=2\n"
                                         "refs=1\n"
                                         "directpred=3\n"
                                         "trellis=0\n"
                                         "flags2=+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-superfast", "partitions=+parti8x8+parti4x4-partp8x8-partb8x8\n"
                                     "me_method=dia\n"
                                     "subq=1\n"
                                     "refs=1\n"
                                     "trellis=0\n"
                                     "flags2=+bpyramid-mixed_refs+wpred+dct8x8+fastpskip-mbtree\n"
                                     "wpredp=0"),
    FromDefault("libx264-superfast_firstpass", "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                               "me_method=dia\n"
                                               "subq=1\n"
                                               "refs=1\n"
                                               "trellis=0\n"
                                               "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip-mbtree\n"
                                               "wpredp=0"),
    FromDefault("libx264-ultrafast", UltrafastChanges),
    FromDefault("libx264-ultrafast_firstpass", UltrafastChanges),
    FromDefault("libx264-veryfast", "subq=2\n"
                                    "refs=1\n"
                                    "trellis=0\n"
                                    "flags2=+bpyramid-mixed_refs+wpred+dct8x8+fastpskip-mbtree\n"
                                    "wpredp=0"),
    FromDefault("libx264-veryfast_firstpass", "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                              "me_method=dia\n"
                                              "subq=2\n"
                                              "refs=1\n"
                                              "trellis=0\n"
                                              "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip-mbtree\n"
                                              "wpredp=0"),
    FromDefault("libx264-veryslow", "partitions=+parti8x8+parti4x4+partp8x8+partp4x4+partb8x8\n"
                                    "me_method=umh\n"
                                    "subq=10\n"
                                    "me_range=24\n"
                                    "b_strategy=2\n"
                                    "bf=8\n"
                                    "refs=16\n"
                                    "directpred=3\n"
                                    "trellis=2\n"
                                    "flags2=+bpyramid+mixed_refs+wpred+dct8x8+fastpskip"),
    FromDefault("libx264-veryslow_firstpass", "partitions=-parti8x8-parti4x4-partp8x8-partb8x8\n"
                                              "me_method=dia\n"
                                              "subq=2\n"
                                              "me_range=24\n"
                                              "b_strategy=2\n"
                                              "bf=8\n"
                                              "refs=1\n"
                                              "directpred=3\n"
                                              "trellis=0\n"
                                              "flags2=+bpyramid-mixed_refs+wpred-dct8x8+fastpskip"),
}};

// Calls `visit` with each part of `text` between separators.
template <typename Visit> constexpr void ForEachPart(std::string_view text, char separator, Visit visit) {
    while (!text.empty()) {
        const size_t end = text.find(separator);
        visit(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
}

constexpr std::string_view KeyOf(std::string_view line) {
    return line.substr(0, line.find('='));
}

// Whether `key` is one of the space-separated words of `list`.
constexpr bool Lists(std::string_view list, std::string_view key) {
    bool found = false;
    ForEachPart(list, ' ', [&](std::string_view word) { found = found || word == key; });
    return found;
}

// The line of LF-separated `lines` that sets `key`; empty when none does.
constexpr std::string_view LineFor(std::string_view lines, std::string_view key) {
    std::string_view found;
    ForEachPart(lines, '\n', [&](std::string_view line) {
        if (found.empty() && KeyOf(line) == key) {
            found = line;
        }
    });
    return found;
}

// Every key a derived preset changes or leaves out is one the default sets, so
// that no difference is dropped unnoticed.
constexpr bool DifferencesNameDefaultKeys() {
    bool ok = true;
    const auto known = [&](std::string_view key) { ok = ok && !LineFor(DefaultLines, key).empty(); };
    for (const PresetSource& source : PresetSources) {
        if (source.Derived) {
            ForEachPart(source.Lines, '\n', [&](std::string_view line) { known(KeyOf(line)); });
            ForEachPart(source.LeftOut, ' ', known);
        }
    }
    return ok;
}
static_assert(DifferencesNameDefaultKeys());

std::string PresetText(const PresetSource& source) {
    if (!source.Derived) {
        return std::string(source.Lines);
    }
    std::string text;
    ForEachPart(DefaultLines, '\n', [&](std::string_view line) {
        const std::string_view key = KeyOf(line);
        if (Lists(source.LeftOut, key)) {
            return;
        }
        if (!text.empty()) {
            text += '\n';
        }
        const std::string_view changed = LineFor(source.Lines, key);
        text += changed.empty() ? line : changed;
        if (source.AddsCqp && key == "flags2") {
            text += "\ncqp=0";
        }
    });
    return text;
}

// The texts of the built-in presets, made once at first use.
struct BuiltPresets {
    std::array<std::string, PresetSources.size()> Texts;
    std::array<TOptionsPreset, PresetSources.size()> Presets;

    BuiltPresets() {
        for (size_t i = 0; i < PresetSources.size(); ++i) {
            Texts[i] = PresetText(PresetSources[i]);
            Presets[i] = {PresetSources[i].Name, Texts[i]};
        }
    }
};

const std::array<TOptionsPreset, PresetSources.size()>& Presets() {
    static const BuiltPresets built;
    return built.Presets;
}

std::string Trim(const std::string& text) {
    const char* blanks = " \t\r\n\v\f";
    const size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The codec a bare preset name is tried with: the one of the preset's own kind
// when set, otherwise the subtitle codec.
std::string PresetCodec(const TEngineSettings& settings, const std::string& kind) {
    if (kind == "vpre" && !settings.VideoCodecName.empty()) {
        return settings.VideoCodecName;
    }
    if (kind == "apre" && !settings.AudioCodecName.empty()) {
        return settings.AudioCodecName;
    }
    return settings.SubtitleCodecName;
}

void ApplyPresetText(TOptionTarget& target, const std::string& presetName, const std::string& text) {
    std::string unified;
    const std::string trimmed = Trim(text);
    unified.reserve(trimmed.size());
    for (size_t i = 0; i < trimmed.size(); ++i) {
        if (trimmed[i] == '\r') {
            if (i + 1 < trimmed.size() && trimmed[i + 1] == '\n') {
                ++i;
            }
            unified += '\n';
        } else {
            unified += trimmed[i];
        }
    }
    std::istringstream lines(unified);
    std::string raw;
    while (std::getline(lines, raw)) {
        const std::string line = Trim(raw);
        if (line.empty()) {
            continue;
        }
        const size_t equals = line.find('=');
        const std::string key = equals == std::string::npos ? line : line.substr(0, equals);
        const std::string value = equals == std::string::npos ? std::string() : line.substr(equals + 1);
        if (key.empty() || value.empty()) {
            throw FFmpegException(presetName + ": Invalid syntax: \"" + line + "\"");
        }
        const std::string lowerKey = Lower(key);
        if (lowerKey == "acodec" || lowerKey == "vcodec" || lowerKey == "scodec") {
            DispatchOption(target, lowerKey, value);
        } else if (!SetGenericOption(target.OptionContexts(), key, value)) {
            throw FFmpegException(presetName + ": Invalid option or argument: \"" + line +
                                  "\", parsed as \"" + key + "\" = \"" + value + "\"");
        }
    }
}

} // namespace

std::span<const TOptionsPreset> BuiltInPresets() {
    return Presets();
}

const TOptionsPreset* FindBuiltInPreset(std::string_view name) {
    const auto& presets = Presets();
    auto it = std::find_if(presets.begin(), presets.end(), [&](const TOptionsPreset& p) {
        return p.Name.size() == name.size() && strncasecmp(p.Name.data(), name.data(), name.size()) == 0;
    });
    return it == presets.end() ? nullptr : &*it;
}

void ApplyPreset(TOptionTarget& target, const std::string& kind, const std::string& value) {
    if (kind != "fpre") {
        const TOptionsPreset* preset = FindBuiltInPreset(value);
        std::string name = value;
        if (!preset) {
            const std::string codec = PresetCodec(target.Settings(), kind);
            name = codec.empty() ? value : codec + "-" + value;
            preset = FindBuiltInPreset(name);
        }
        if (preset) {
            ApplyPresetText(target, name, std::string(preset->Lines));
            return;
        }
    }
    std::error_code error;
    std::ifstream file;
    if (std::filesystem::is_regular_file(value, error)) {
        file.open(value, std::ios::binary);
    }
    if (!file.is_open()) {
        throw FFmpegException("Preset \"" + value + "\" not found");
    }
    std::ostringstream text;
    text << file.rdbuf();
    ApplyPresetText(target, value, text.str());
}
