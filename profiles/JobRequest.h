// One conversion job as a plain value: the profile, the item picked in each of
// its lists, the picture filters, the clip range and the sources. The command
// line builds one from its arguments, the options window gives its choices as
// one (TOptionsWindow::Request), tests build them by hand. Turning a
// request into the output settings follows what the options window does when
// it is shown and confirmed, without the window: both meet in the settings
// mapping, so a request converts like the same picks made in the window.
//
// Further choices (a track, a subtitle mode, a picture mode) are further
// fields or picks; a request that does not set them keeps the profile's way.
#pragma once

#include "profiles/ChoiceLists.h"
#include "profiles/ConversionSettings.h"
#include "profiles/Deinterlace.h"
#include "profiles/SettingsMapping.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The item picked in one list, by the item's text as the list offers it.
using TChoicePick = std::pair<TChoiceRole, std::string>;

struct TJobRequest {
    int32_t ProfileId = 0;
    // Applied in list order whatever order they come in (a video encoder pick
    // refills the lists after it); of two picks of one list the later stands.
    std::vector<TChoicePick> Picks;
    std::array<bool, 3> Filters{}; // hflip, vflip, negate
    // The clip range as the six clip boxes (start hours, minutes, seconds,
    // then stop); none: the whole source. A range applies to a single source.
    std::optional<TClipBoxes> Clip;
    std::optional<TDeinterlace> Deinterlace; // none: what a new job gets (Auto)
    // Track picks as values; each file's task checks them against its own
    // tracks. None: what the options window would preselect.
    std::optional<int32_t> AudioTrack;    // numbered from 1; 0: the source's default
    std::optional<std::string> Subtitles; // SubtitlesNone, SubtitlesKeep or SubtitlesBurn
    std::optional<int32_t> SubtitleTrack; // numbered from 1; 0: the source's default
    // The files to convert, in the order their jobs are listed. Where their
    // outputs go, and what becomes of a name that is taken, are the run's
    // choices: every job of a run writes into one folder.
    std::vector<std::string> Sources;
};

// "H:M:S-H:M:S" as the six clip boxes: each part is what a clip box takes
// (digits, at most two; an empty part is an empty box, which counts as "00").
// None for any other text.
std::optional<TClipBoxes> ParseClipRange(std::string_view text);

// The short name of a list ("VE", "VB", "VS", "VR", "AR", "AE", "AB", "AS", "CH", "VOL").
std::string_view ChoiceRoleName(TChoiceRole role);
std::optional<TChoiceRole> ChoiceRoleByName(std::string_view name);

// Whether the request's profile exists and its lists offer every pick, after
// the other picks too. False with `error` saying which pick is not offered.
bool CheckJobRequest(const TJobRequest& request, std::string& error);

// The output settings of the job for `sourceFile`, as the options window
// writes them when shown for it in `outputFolder` with the request's picks and
// confirmed. `allowClip`: whether a clip range may apply (a single source);
// `sourceSeconds`: the source's duration, none when it could not be read. False
// with `error` set (the window's message for a refused clip range) when the
// request cannot be confirmed; `settings` then holds no usable job.
bool SettingsForRequest(const TJobRequest& request, const std::string& sourceFile,
                        std::string_view outputFolder, bool allowClip, std::optional<int64_t> sourceSeconds,
                        TConversionSettings& settings, std::string& error);
