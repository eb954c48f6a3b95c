#include "profiles/UserProfileWindow.h"

TUserProfile CaptureWindow(const TOptionsWindow& window, std::string name, int32_t baseId) {
    TChosenItems chosen;
    for (size_t i = 0; i < chosen.Values.size(); ++i)
        chosen.Values[i] = window.SelectedValue(static_cast<TChoiceRole>(i));
    chosen.HorizontalFlip = window.Filter(0);
    chosen.VerticalFlip = window.Filter(1);
    chosen.Negative = window.Filter(2);
    chosen.Deinterlace = window.Deinterlace();
    TUserProfile profile = CaptureUserProfile(std::move(name), baseId, chosen);
    const TTrackChoices& tracks = window.Tracks();
    profile.AudioTrack = tracks.AudioTrackValue();
    profile.Subtitles = tracks.SubtitleModeValue();
    profile.SubtitleTrack = tracks.SubtitleTrackValue();
    return profile;
}

bool ShowUserProfile(TOptionsWindow& window, const TUserProfile& profile, std::string& error) {
    std::vector<std::pair<TChoiceRole, std::string>> picks;
    const bool found = PicksForUserProfile(profile, picks, error);
    for (const auto& [role, item] : picks) {
        // What the window preselected needs no pick (the lists of an audio profile take none).
        if (window.SelectedText(role) == item)
            continue;
        if (!window.PickText(role, item)) {
            error = "the options window offers no item \"" + item + "\"";
            return false;
        }
    }
    for (int i = 0; i < 3; ++i)
        window.SetFilter(i, profile.Filters[static_cast<size_t>(i)]);
    window.SetDeinterlace(profile.Deinterlace);
    // Tracks belong to a source: one this source lacks leaves the window's
    // default shown, which the user sees before confirming.
    window.Tracks().SelectAudioTrack(profile.AudioTrack);
    window.Tracks().SelectSubtitles(profile.Subtitles, profile.SubtitleTrack);
    return found;
}
