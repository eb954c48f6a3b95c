#include "app/ScriptedFormatChoice.h"

#include "profiles/FormatChooser.h"
#include "profiles/OptionsWindow.h"
#include "profiles/OutputProfile.h"

#include <algorithm>

namespace {

// The windows' message boxes become the error text.
class TCollectedDialogs : public TUserDialogs {
public:
    std::string Message;
    void ShowInformation(const std::string&, const std::string& text) override { Message = text; }
    void OpenWithShell(const std::string&) override {}
};

} // namespace

bool RunScriptedFormatChoice(const TJobRequest& script, TConversionSettings& settings,
                             const std::string& outputFolder, bool allowClip, std::string& error) {
    const TOutputProfile* profile = FindProfile(script.ProfileId);
    if (!profile) {
        error = "unknown profile " + std::to_string(script.ProfileId);
        return false;
    }
    const auto pageItems = PageProfiles(profile->Page);
    const auto at = std::find_if(pageItems.begin(), pageItems.end(),
                                 [&](const TOutputProfile& p) { return p.Id == script.ProfileId; });
    const int position = static_cast<int>(at - pageItems.begin());

    TCollectedDialogs dialogs;
    TOptionsWindow options(settings, dialogs);
    options.SetOutputFolder(outputFolder);
    options.SetClipPermission(allowClip);
    TFormatChooser chooser(settings, dialogs, [&]() -> bool {
        options.Show();
        // An encoder pick refills the lists after it, so the picks go in list
        // order whatever order they were given in; the later ones then stand.
        auto picks = script.Picks;
        std::stable_sort(picks.begin(), picks.end(), [](const auto& a, const auto& b) {
            return RoleIndex(a.first) < RoleIndex(b.first);
        });
        for (const auto& [role, text] : picks) {
            if (!options.PickText(role, text)) {
                error = "the list " + std::string(ChoiceRoleName(role)) + " of profile " +
                        std::to_string(script.ProfileId) + " offers no item \"" + text + "\"";
                options.Cancel();
                return false;
            }
        }
        // A pick that a later one refilled away would convert with another
        // item than the one asked for: refused like an item the list lacks.
        for (const auto& [role, text] : picks) {
            if (options.SelectedText(role) != text &&
                std::none_of(picks.begin(), picks.end(), [&](const auto& p) {
                    return p.first == role && options.SelectedText(role) == p.second;
                })) {
                error = "the list " + std::string(ChoiceRoleName(role)) + " of profile " +
                        std::to_string(script.ProfileId) + " no longer offers \"" + text +
                        "\" after the other picks";
                options.Cancel();
                return false;
            }
        }
        for (int i = 0; i < 3; ++i)
            options.SetFilter(i, script.Filters[static_cast<size_t>(i)]);
        if (script.Deinterlace)
            options.SetDeinterlace(*script.Deinterlace);
        if (script.Clip) {
            if (!options.ClipCheckEnabled()) {
                error = "a clip range applies to a single file only";
                options.Cancel();
                return false;
            }
            options.SetClipChecked(true);
            for (int i = 0; i < 6; ++i) {
                if (!options.SetClipBoxText(i, (*script.Clip)[static_cast<size_t>(i)])) {
                    error = dialogs.Message;
                    options.Cancel();
                    return false;
                }
            }
        }
        if (!options.Confirm()) {
            error = dialogs.Message;
            options.Cancel();
            return false;
        }
        if (script.AudioTrack)
            settings.AudioTrack = *script.AudioTrack;
        if (script.Subtitles)
            settings.Subtitles = *script.Subtitles;
        if (script.SubtitleTrack)
            settings.SubtitleTrack = *script.SubtitleTrack;
        return true;
    });
    chooser.Show();
    chooser.ActivatePage(profile->Page);
    chooser.Select(profile->Page, position);
    chooser.Next();
    if (chooser.Visible()) // the options window was left: the user gives up
        chooser.Cancel();
    return chooser.ChooserResult() != TFormatChooser::ResultCancelled;
}
