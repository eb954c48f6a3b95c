#include "profiles/UserProfile.h"

TUserProfile CaptureUserProfile(std::string name, int32_t baseId, const TChosenItems& chosen) {
    TUserProfile profile;
    profile.Name = std::move(name);
    profile.BaseId = baseId;
    for (size_t i = 0; i < profile.Values.size(); ++i)
        profile.Values[i] = chosen.Values[i].value_or("");
    profile.Filters = {chosen.HorizontalFlip, chosen.VerticalFlip, chosen.Negative};
    profile.Deinterlace = chosen.Deinterlace;
    return profile;
}

bool PicksForUserProfile(const TUserProfile& profile, std::vector<std::pair<TChoiceRole, std::string>>& picks,
                         std::string& error) {
    picks.clear();
    auto choices = ChoicesFor(profile.BaseId);
    if (!choices) {
        error = "unknown profile " + std::to_string(profile.BaseId);
        return false;
    }
    // Roles in list order: the encoder's pick refills before the refilled list is searched.
    for (size_t i = 0; i < choices->size(); ++i) {
        const auto role = static_cast<TChoiceRole>(i);
        const std::string& wanted = profile.Values[i];
        const std::vector<TChoiceItem>& items = (*choices)[i].Items;
        const TChoiceItem* item = FindItemByValue(items, wanted);
        if (item == nullptr)
            item = FindItemByLabel(items, wanted);
        if (item == nullptr) {
            error = "profile \"" + profile.Name + "\": the list " + std::string(RoleCaption(role)) +
                    " offers nothing for \"" + wanted + "\"";
            return false;
        }
        picks.emplace_back(role, std::string(item->Label));
        if (role == TChoiceRole::crVideoEncoder)
            if (const auto refill = RefillForEncoder(profile.BaseId, item->Value))
                (*choices)[RoleIndex(refill->Role)] = refill->List;
    }
    return true;
}
