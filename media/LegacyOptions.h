// Option names and flag values of older library generations, translated to
// what the current libraries call them. Data only: the generic option setter
// consults it, and a test checks every target name against the libraries.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

// An option that only changed its name; the value is passed on unchanged.
struct TLegacyRename {
    std::string_view OldName;
    std::string_view NewName;
};

// One token of an old flags value ("flags2=+dct8x8") that became an option of
// its own. NewName empty: nothing current does it; the token is dropped with a warning.
struct TLegacyFlag {
    std::string_view Option; // the old flags option: "flags", "flags2"
    std::string_view Token;
    std::string_view NewName;
    std::string_view OnValue;  // for "+token"
    std::string_view OffValue; // for "-token"
};

// One token of the old "partitions" flags and its x264 partition name.
struct TLegacyPartition {
    std::string_view Token;
    std::string_view X264Name;
};

// A generic codec option that today applies to more media types than it once
// did ("b" now also sets audio): it keeps its old media types, so that a video
// rate never becomes an audio encoder's rate.
struct TLegacyMediaTypes {
    std::string_view Name;
    int MediaFlags; // AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, AV_OPT_FLAG_SUBTITLE_PARAM
};

std::span<const TLegacyRename> LegacyRenames();
std::span<const TLegacyMediaTypes> LegacyMediaTypes();
// The option's flags with its old media types where they changed.
int LegacyOptionFlags(const char* name, int flags);
std::span<const TLegacyFlag> LegacyFlags();
std::span<const TLegacyPartition> LegacyPartitions();
// Options that had an effect once and have no current equivalent.
std::span<const std::string_view> LegacyDroppedOptions();

struct TTranslatedOption {
    std::string Name;
    std::string Value;
};

struct TLegacyTranslation {
    bool Translated = false;            // false: pass the option on as given
    std::vector<TTranslatedOption> Set; // in order
    std::vector<std::string> Dropped;   // "name=value" texts with no current equivalent
};

// Translates one option. `previousPartitions` is the x264 partitions value
// set so far by this task ("" when none), so that relative "+part..." values
// add to it as they once added to the flags.
TLegacyTranslation TranslateLegacyOption(const std::string& name, const std::string& value,
                                         const std::string& previousPartitions);
