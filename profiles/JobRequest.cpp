#include "profiles/JobRequest.h"

#include "profiles/OptionsWindow.h"
#include "profiles/OutputProfile.h"

#include <algorithm>

namespace {

constexpr std::array<std::string_view, ChoiceRoleCount> RoleNames{"VE", "VB", "VS", "VR", "AR",
                                                                  "AE", "AB", "AS", "CH", "VOL"};

// The lists an audio profile leaves disabled: nothing can be picked in them.
bool VideoRole(TChoiceRole role) {
    using enum TChoiceRole;
    return role == crVideoEncoder || role == crVideoBitRate || role == crFrameSize || role == crFrameRate ||
           role == crAspect;
}

// "H:M:S" into the three boxes from `first`; false when it has not three
// parts or a part is not what a box takes.
bool ParseClock(std::string_view text, TClipBoxes& boxes, size_t first) {
    size_t parts = 0;
    for (;;) {
        const size_t colon = text.find(':');
        const std::string_view part = text.substr(0, colon);
        if (parts == 3 || part.size() > static_cast<size_t>(TOptionsWindow::ClipBoxLength) ||
            !TOptionsWindow::ClipBoxTextAllowed(part))
            return false;
        boxes[first + parts++] = std::string(part);
        if (colon == std::string_view::npos)
            return parts == 3;
        text.remove_prefix(colon + 1);
    }
}

// The profile's lists with the request's picks made in them: what the options
// window shows once the same picks are made there.
class TPickedLists {
public:
    explicit TPickedLists(const TOutputProfile& profile)
        : profile_(profile), lists_(*ChoicesFor(profile.Id)) {
        for (size_t i = 0; i < lists_.size(); ++i)
            Select(static_cast<TChoiceRole>(i));
    }

    // False when the list does not offer `text`.
    bool Pick(TChoiceRole role, const std::string& text) {
        const TListChoice& list = lists_[RoleIndex(role)];
        const TChoiceItem* item = FindItemByLabel(list.Items, text);
        if ((profile_.AudioOnly && VideoRole(role)) || item == nullptr)
            return false;
        selected_[RoleIndex(role)] = *item;
        if (role == TChoiceRole::crVideoEncoder) {
            if (auto refill = RefillForEncoder(profile_.Id, item->Value)) {
                lists_[RoleIndex(refill->Role)] = std::move(refill->List);
                Select(refill->Role);
            }
        }
        return true;
    }
    // The selected item's text; empty when nothing is selected.
    std::string_view Selected(TChoiceRole role) const {
        const auto& item = selected_[RoleIndex(role)];
        return item ? item->Label : std::string_view();
    }
    std::optional<std::string> SelectedValue(TChoiceRole role) const {
        const auto& item = selected_[RoleIndex(role)];
        return item ? std::optional<std::string>(item->Value) : std::nullopt;
    }

private:
    // A list shows its preselected item, or nothing when it lacks that item.
    void Select(TChoiceRole role) {
        const TListChoice& list = lists_[RoleIndex(role)];
        const bool offered =
            std::find(list.Items.begin(), list.Items.end(), list.Preselected) != list.Items.end();
        selected_[RoleIndex(role)] = offered ? std::optional(list.Preselected) : std::nullopt;
    }

    const TOutputProfile& profile_;
    TProfileChoices lists_;
    std::array<std::optional<TChoiceItem>, ChoiceRoleCount> selected_;
};

// The picks in list order, the given order kept within a list.
std::vector<TChoicePick> PicksInListOrder(const TJobRequest& request) {
    std::vector<TChoicePick> picks = request.Picks;
    std::stable_sort(picks.begin(), picks.end(),
                     [](const auto& a, const auto& b) { return RoleIndex(a.first) < RoleIndex(b.first); });
    return picks;
}

// Makes the request's picks; false with `error` set when one is not offered,
// or a later pick refilled it away.
bool MakePicks(const TJobRequest& request, TPickedLists& lists, std::string& error) {
    const std::vector<TChoicePick> picks = PicksInListOrder(request);
    for (const auto& [role, text] : picks) {
        if (!lists.Pick(role, text)) {
            error = "the list " + std::string(ChoiceRoleName(role)) + " of profile " +
                    std::to_string(request.ProfileId) + " offers no item \"" + text + "\"";
            return false;
        }
    }
    // A pick that a later one refilled away would convert with another item
    // than the one asked for: refused like an item the list lacks.
    for (const auto& [role, text] : picks) {
        if (lists.Selected(role) != text && std::none_of(picks.begin(), picks.end(), [&](const auto& p) {
                return p.first == role && lists.Selected(role) == p.second;
            })) {
            error = "the list " + std::string(ChoiceRoleName(role)) + " of profile " +
                    std::to_string(request.ProfileId) + " no longer offers \"" + text +
                    "\" after the other picks";
            return false;
        }
    }
    return true;
}

const TOutputProfile* ProfileOf(const TJobRequest& request, std::string& error) {
    const TOutputProfile* profile = FindProfile(request.ProfileId);
    if (profile == nullptr || !ChoicesFor(request.ProfileId)) {
        error = "unknown profile " + std::to_string(request.ProfileId);
        return nullptr;
    }
    return profile;
}

} // namespace

std::optional<TClipBoxes> ParseClipRange(std::string_view text) {
    const size_t dash = text.find('-');
    TClipBoxes boxes;
    if (dash == std::string_view::npos || !ParseClock(text.substr(0, dash), boxes, 0) ||
        !ParseClock(text.substr(dash + 1), boxes, 3))
        return std::nullopt;
    return boxes;
}

std::string_view ChoiceRoleName(TChoiceRole role) {
    return RoleNames[RoleIndex(role)];
}

std::optional<TChoiceRole> ChoiceRoleByName(std::string_view name) {
    for (size_t i = 0; i < RoleNames.size(); ++i)
        if (RoleNames[i] == name)
            return static_cast<TChoiceRole>(i);
    return std::nullopt;
}

bool CheckJobRequest(const TJobRequest& request, std::string& error) {
    const TOutputProfile* profile = ProfileOf(request, error);
    if (profile == nullptr)
        return false;
    TPickedLists lists(*profile);
    return MakePicks(request, lists, error);
}

bool SettingsForRequest(const TJobRequest& request, const std::string& sourceFile,
                        std::string_view outputFolder, bool allowClip, std::optional<int64_t> sourceSeconds,
                        TConversionSettings& settings, std::string& error) {
    const TOutputProfile* profile = ProfileOf(request, error);
    if (profile == nullptr)
        return false;
    TPickedLists lists(*profile);
    if (!MakePicks(request, lists, error))
        return false;
    if (request.Clip && !allowClip) {
        error = "a clip range applies to a single file only";
        return false;
    }
    TClipBoxes boxes = request.Clip.value_or(TClipBoxes{});
    if (!std::all_of(boxes.begin(), boxes.end(),
                     [](const std::string& box) { return TOptionsWindow::ClipBoxTextAllowed(box); })) {
        error = TOptionsWindow::DigitsOnlyMessage;
        return false;
    }

    // What showing the window for this profile sets.
    settings.ProfileId = request.ProfileId;
    settings.SourceFile = sourceFile;
    settings.VideoFilters.clear();
    settings.VideoTag.clear();
    settings.TVStandard.clear();
    settings.OutputFile = OutputPathFor(outputFolder, sourceFile, profile->OutputExt);
    settings.ProfileExt = profile->ProfileExt;
    settings.OutputFormat = profile->OutputFormat;

    // What confirming it writes.
    TChosenItems chosen;
    for (size_t i = 0; i < chosen.Values.size(); ++i)
        chosen.Values[i] = lists.SelectedValue(static_cast<TChoiceRole>(i));
    chosen.HorizontalFlip = request.Filters[0];
    chosen.VerticalFlip = request.Filters[1];
    chosen.Negative = request.Filters[2];
    chosen.Deinterlace = request.Deinterlace.value_or(TDeinterlace::Auto);
    MapChoicesToSettings(
        chosen, {outputFolder, profile->PendingTarget, profile->AudioOnly ? MediaKindMusic : MediaKindVideo},
        settings);
    const TClipCheck check = ApplyClipRange(request.Clip.has_value(), boxes, sourceSeconds, settings);
    if (check != TClipCheck::ccAccepted) {
        error = ClipMessage(check);
        return false;
    }
    // What the window writes when nothing is picked: the source's default
    // audio track and no subtitles.
    settings.AudioTrack = request.AudioTrack.value_or(0);
    settings.Subtitles = request.Subtitles.value_or(SubtitlesNone);
    settings.SubtitleTrack = settings.Subtitles == SubtitlesNone ? 0 : request.SubtitleTrack.value_or(0);
    return true;
}
