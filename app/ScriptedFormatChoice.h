// The format chooser and the options window driven by a script instead of a
// user: the profile to select, the list items to pick by their exact text, the
// filters and the clip range; everything else keeps the windows' defaults.
// The command line's convert runs through this, and so do the window logic
// tests, so both take the same path as the desktop windows.
#pragma once

#include "profiles/ChoiceLists.h"
#include "profiles/ConversionSettings.h"
#include "profiles/SettingsMapping.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TFormatScript {
    int32_t ProfileId = 0;
    std::vector<std::pair<TChoiceRole, std::string>> Picks; // item texts, applied in order
    std::array<bool, 3> Filters{};                          // hflip, vflip, negate
    // The clip range as typed into the six clip boxes (start hours, minutes,
    // seconds, then stop); none: the whole source.
    std::optional<TClipBoxes> Clip;
    // Track picks as values, over what the options window shows for its one
    // source; each file's task checks them against its own tracks. None: the
    // window's pick.
    std::optional<int32_t> AudioTrack;    // numbered from 1; 0: the source's default
    std::optional<std::string> Subtitles; // SubtitlesNone, SubtitlesKeep or SubtitlesBurn
    std::optional<int32_t> SubtitleTrack; // numbered from 1; 0: the source's default
};

// "H:M:S-H:M:S" as the six clip boxes: each part is what the options window's
// box takes (digits, at most its length; an empty part is an empty box, which
// counts as "00"). None for any other text.
std::optional<TClipBoxes> ParseClipRange(std::string_view text);

// The short name of a list ("VE", "VB", "VS", "VR", "AR", "AE", "AB", "AS", "CH", "VOL").
std::string_view ChoiceRoleName(TChoiceRole role);
std::optional<TChoiceRole> ChoiceRoleByName(std::string_view name);

// Runs the chooser and the options window for `settings.SourceFile`. True when
// the options were confirmed and `settings` written; false with `error` set
// when the profile is unknown, a pick is not offered or the clip is refused.
bool RunScriptedFormatChoice(const TFormatScript& script, TConversionSettings& settings,
                             const std::string& outputFolder, bool allowClip, std::string& error);
