// vantoro-cli profiles: every output profile with its lists and their
// preselected items, so scripts can name a profile and pick list items for
// "vantoro-cli convert".
#include "app/ScriptedFormatChoice.h"
#include "cli/Commands.h"
#include "profiles/ChoiceLists.h"
#include "profiles/OutputProfile.h"

#include <cstdio>
#include <string>

namespace {

constexpr const char* Usage =
    "usage: vantoro-cli profiles\n"
    "Lists every output profile: id, page, label and extension, then each of its\n"
    "lists by name (for convert --set NAME=ITEM) with the preselected item marked *.\n";

} // namespace

int RunProfilesCommand(const CommandArgs& args) {
    if (!args.empty()) {
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
                std::printf(" %s\"%s\"", item == list.Preselected ? "*" : "", std::string(item).c_str());
            std::printf("\n");
        }
    }
    return 0;
}
