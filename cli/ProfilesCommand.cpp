// vantoro-cli profiles: every output profile with its lists and their
// preselected items, so scripts can name a profile and pick list items for
// "vantoro-cli convert".
#include "app/SettingsStore.h"
#include "app/UserProfileFile.h"
#include "cli/Commands.h"
#include "media/FileHelpers.h"
#include "profiles/ChoiceLists.h"
#include "profiles/JobRequest.h"
#include "profiles/OutputProfile.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* Usage =
    "usage: vantoro-cli profiles [--settings FILE]\n"
    "Lists every output profile: id, page, label and extension, then each of its\n"
    "lists by name (for convert --set NAME=ITEM) with the preselected item marked *.\n"
    "Then the profiles of your own saved next to the settings file (FILE, default:\n"
    "the program's system.ini): name (for convert --profile NAME), \"我的格式\", the\n"
    "base profile's id and label, extension, and the saved items.\n";

constexpr const char* OwnPageCaption = "我的格式";

// The program's settings file, as convert finds it.
std::string DefaultSettingsFile() {
    return SettingsFilePath(ProgramFolder());
}

void PrintOwnProfiles(const std::string& settingsFile) {
    const std::string file = UserProfileFileBeside(settingsFile);
    std::vector<TUserProfile> profiles;
    std::string error;
    // A damaged file hides only its own profiles.
    if (!LoadUserProfiles(file, profiles, error)) {
        std::fprintf(stderr, "vantoro-cli profiles: %s\n", error.c_str());
        return;
    }
    for (const TUserProfile& profile : profiles) {
        const TOutputProfile* base = FindProfile(profile.BaseId);
        std::printf("%s\t%s\t%d %s\t%s\n", profile.Name.c_str(), OwnPageCaption, profile.BaseId,
                    std::string(base->Label).c_str(), std::string(base->OutputExt).c_str());
        std::vector<std::pair<TChoiceRole, std::string>> picks;
        if (!PicksForUserProfile(profile, picks, error)) {
            std::printf("  (%s)\n", error.c_str());
            continue;
        }
        for (const auto& [role, item] : picks)
            std::printf("  %s %s \"%s\"\n", std::string(ChoiceRoleName(role)).c_str(),
                        std::string(RoleCaption(role)).c_str(), item.c_str());
    }
}

} // namespace

int RunProfilesCommand(const CommandArgs& args) {
    std::string settingsFile;
    if (args.size() == 2 && args[0] == "--settings" && !args[1].empty()) {
        settingsFile = args[1];
    } else if (!args.empty()) {
        const bool help = args[0] == "--help" || args[0] == "-h";
        std::fputs(Usage, help ? stdout : stderr);
        return help ? 0 : 2;
    }
    for (const TOutputProfile& profile : AllProfiles()) {
        std::printf("%d\t%s\t%s\t%s\n", profile.Id, std::string(PageCaption(profile.Page)).c_str(),
                    std::string(profile.Label).c_str(), std::string(profile.OutputExt).c_str());
        const auto choices = ChoicesFor(profile.Id);
        if (!choices)
            continue;
        for (size_t i = 0; i < choices->size(); ++i) {
            const TListChoice& list = (*choices)[i];
            const auto role = static_cast<TChoiceRole>(i);
            std::printf("  %s %s", std::string(ChoiceRoleName(role)).c_str(),
                        std::string(RoleCaption(role)).c_str());
            for (const auto& item : list.Items)
                std::printf(" %s\"%s\"", item == list.Preselected ? "*" : "",
                            std::string(item.Label).c_str());
            std::printf("\n");
        }
    }
    PrintOwnProfiles(settingsFile.empty() ? DefaultSettingsFile() : settingsFile);
    return 0;
}
