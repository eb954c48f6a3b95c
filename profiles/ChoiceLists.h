// The choices each output profile offers in the options window: ten drop-down
// lists, each filled from a named list (or a single item) with one item
// preselected, and the few list refills that picking a video encoder causes.
// All lists are constant data. Each item is a label, the text the list shows,
// and a value, what picking it means; the settings mapping reads only values.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The ten drop-down lists of the options window, in the order of TChoiceRoles.
enum class TChoiceRole {
    crVideoEncoder,
    crVideoBitRate,
    crFrameSize,
    crFrameRate,
    crAspect,
    crAudioEncoder,
    crAudioBitRate,
    crSampleRate,
    crChannels,
    crVolume,
};
inline constexpr int ChoiceRoleCount = 10;
// The order in which the options window fills its lists for a profile.
inline constexpr std::array<TChoiceRole, ChoiceRoleCount> FillOrder{
    TChoiceRole::crVideoEncoder, TChoiceRole::crVideoBitRate, TChoiceRole::crFrameSize,
    TChoiceRole::crFrameRate,    TChoiceRole::crAudioEncoder, TChoiceRole::crAudioBitRate,
    TChoiceRole::crSampleRate,   TChoiceRole::crAspect,       TChoiceRole::crVolume,
    TChoiceRole::crChannels};

// The caption shown beside a list ("视频编码器：" ...).
std::string_view RoleCaption(TChoiceRole role);

// One item of a list. The value is the setting the item writes: a bit rate in
// bit/s ("1500000", "-1000" for none or automatic), a constant quality
// ("quality/1"), a size "W*H" (empty: the source's), a frame rate (empty: the
// source's), "4:3"/"16:9", an encoder name (or "AUTO", or empty for the
// container's default), a video encoder row's key (TVideoEncoderRow), a
// sample rate, a channel count, a volume. Own profiles store these values.
struct TChoiceItem {
    std::string_view Label; // shown (translated for the English UI); Chinese as in the tables
    std::string_view Value;
    bool operator==(const TChoiceItem&) const = default;
};

// The item labelled `label`, or with value `value`; null when none is.
const TChoiceItem* FindItemByLabel(std::span<const TChoiceItem> items, std::string_view label);
const TChoiceItem* FindItemByValue(std::span<const TChoiceItem> items, std::string_view value);

// A named list shared by several profiles ("VE1", "VB2", "VOL" ...).
struct TNamedList {
    std::string_view Key;
    std::vector<TChoiceItem> Items;
};
std::span<const TNamedList> SharedLists();
// Null when no shared list has that key.
const TNamedList* FindSharedList(std::string_view key);

// What one list of the options window shows for a profile.
struct TListChoice {
    std::string_view Key; // the shared list's key; empty for a one-item list
    std::vector<TChoiceItem> Items;
    TChoiceItem Preselected;
};
using TProfileChoices = std::array<TListChoice, ChoiceRoleCount>; // indexed by TChoiceRole

// The lists of profile `id`; none for an identifier without a catalogue entry.
// The video bit-rate list ends with the constant-quality items when the
// preselected encoder takes them (QualityItemsFollow).
std::optional<TProfileChoices> ChoicesFor(int32_t id);

// Puts the constant-quality items after the bit rates of `bitRates` when the
// video encoder of value `encoder` takes them, and takes them out otherwise
// (the tables never preselect one).
void QualityItemsFollow(TListChoice& bitRates, std::string_view encoder);
// Whether the video encoder of value `encoder` takes the constant-quality items.
bool EncoderTakesQuality(std::string_view encoder);

// The list that picking the encoder of value `encoder` in the video encoder
// list of profile `id` puts in place of another list, with its role; none when
// the pick changes nothing. A refilled bit-rate list follows the encoder
// (QualityItemsFollow).
struct TEncoderRefill {
    TChoiceRole Role;
    TListChoice List;
};
std::optional<TEncoderRefill> RefillForEncoder(int32_t id, std::string_view encoder);

constexpr size_t RoleIndex(TChoiceRole role) {
    return static_cast<size_t>(role);
}
