// Turns what the options window shows when the user confirms it into the
// output settings: each list's selected item gives its value (ChoiceLists.h),
// which is the setting itself or, for the video encoder, the key of a row of
// the encoder table below. BuildOptions turns the settings into the engine's
// records.
#pragma once

#include "profiles/ChoiceLists.h"
#include "profiles/ConversionSettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// The options window's media kind (as the settings file of older versions spells it).
inline constexpr const char* MediaKindVideo = "Vedio";
inline constexpr const char* MediaKindMusic = "Music";

// What the options window shows at confirmation.
struct TChosenItems {
    // The value of the selected item per TChoiceRole; none: nothing selected.
    std::array<std::optional<std::string>, ChoiceRoleCount> Values;
    bool HorizontalFlip = false;                  // "视频图像水平翻转"
    bool VerticalFlip = false;                    // "视频图像垂直翻转"
    bool Negative = false;                        // "视频显示底片效果"
    TDeinterlace Deinterlace = TDeinterlace::Off; // "自动去隔行" ticked: Auto
    const std::optional<std::string>& Value(TChoiceRole role) const { return Values[RoleIndex(role)]; }
};

// The options window's own values that the mapping reads.
struct TMappingContext {
    std::string_view OutputFolder;
    std::string_view PendingTarget; // "vcd", "svcd", "dvd" or empty
    std::string_view MediaKind;     // MediaKindVideo or MediaKindMusic
};

// Steps 1 to 13 of a confirmation: writes the settings from the chosen items'
// values. A list without a selection leaves its field unchanged, except the
// size, frame rate and sample rate, which it clears; a video encoder value that
// is no row's key changes nothing. A constant-quality item of the bit-rate list
// sets no bit rate but VideoQuality, in the scale of the chosen encoder. The
// clip range is checked separately (ApplyClipRange), after this.
void MapChoicesToSettings(const TChosenItems& chosen, const TMappingContext& context,
                          TConversionSettings& settings);

// The video encoder table, one row per distinct effect. An encoder item's
// value is its row's Key: the other fields joined by "/" (own profiles store
// it). Empty Codec clears VideoCodec; empty Tag and Format leave those fields
// unchanged; a row with a DiscTarget runs the disc preset.
struct TVideoEncoderRow {
    std::string_view Key;
    std::string_view Codec;
    std::string_view Tag;
    std::string_view Format;
    std::string_view DiscTarget;   // "vcd", "svcd", "dvd"
    std::string_view DiscStandard; // "PAL", "NTSC"
    std::string_view DiscSuffix;   // replaces the output file's extension
};
std::span<const TVideoEncoderRow> VideoEncoderRows();
const TVideoEncoderRow* FindVideoEncoderRow(std::string_view key);

// The disc preset of a disc encoder row: target, standard and a new output
// name; discards the other video and audio choices.
void ApplyDiscPreset(const TVideoEncoderRow& row, std::string_view outputFolder,
                     TConversionSettings& settings);

// The six clip boxes: start hours, minutes, seconds, then stop hours, minutes, seconds.
using TClipBoxes = std::array<std::string, 6>;

enum class TClipCheck {
    ccAccepted,          // the settings hold the range, or no range applies
    ccStopPastDuration,  // the stop lies past the source's end
    ccStopNotAfterStart, // the stop is not after the start
    ccDurationUnknown,   // the source's duration could not be read
};

// The clip step of a confirmation. Without `clipTicked`: no range (ClipStart 0,
// ClipMode "NoSelect"). Otherwise empty boxes become "00", the range is checked
// against `sourceSeconds` (none: the duration could not be read) and, when it
// fits, written as ClipStart and ClipLength in milliseconds with ClipMode
// "Select". A refused range changes no clip field.
TClipCheck ApplyClipRange(bool clipTicked, TClipBoxes& boxes, std::optional<int64_t> sourceSeconds,
                          TConversionSettings& settings);
// The message box text of a refused range; empty for ccAccepted.
std::string_view ClipMessage(TClipCheck check);
