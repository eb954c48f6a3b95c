// A profile of the user's own: a built-in profile with the user's picks of
// its lists and its filters, kept under a name. The picks are kept as their
// items' values (encoder row key, bit rate, size ...), not as the list texts,
// so a saved profile does not depend on how the lists are worded; opening it
// finds each value's item in the base profile's lists again.
#pragma once

#include "profiles/ChoiceLists.h"
#include "profiles/ConversionSettings.h"
#include "profiles/Deinterlace.h"
#include "profiles/SettingsMapping.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TUserProfile {
    std::string Name;
    int32_t BaseId = 0;
    std::array<std::string, ChoiceRoleCount> Values; // per TChoiceRole, the value of the pick
    std::array<bool, 3> Filters{};                   // hflip, vflip, negate
    TDeinterlace Deinterlace = TDeinterlace::Auto;   // a file without it: what a new job gets
    // The track picks as in TConversionSettings: track numbers (0: the
    // source's default track) and SubtitlesNone/Keep/Burn.
    int32_t AudioTrack = 0;
    std::string Subtitles = SubtitlesNone;
    int32_t SubtitleTrack = 0;
};

// The user profile of what the options window shows for profile `baseId`.
TUserProfile CaptureUserProfile(std::string name, int32_t baseId, const TChosenItems& chosen);

// The item texts of the saved values, in list order (the encoder first, whose
// pick may refill another list). A saved value that no item has but one item's
// text (files written when sizes were kept with their notes) finds that item.
// False with `error` naming the first value that no item of the base profile
// gives any more (or an unknown base profile); `picks` then holds the ones found.
bool PicksForUserProfile(const TUserProfile& profile, std::vector<std::pair<TChoiceRole, std::string>>& picks,
                         std::string& error);
