// Test help: the value of a list item the tests name by its label.
#pragma once

#include "profiles/ChoiceLists.h"
#include "profiles/ConstantQuality.h"
#include "profiles/OutputProfile.h"

#include <string>
#include <string_view>

// The value of the item labelled `label` in a list of `role` of any profile
// (encoder refills and the constant-quality items included); a text no item
// has comes back unchanged, so a test of unknown values can pass one.
inline std::string ItemValueOf(TChoiceRole role, std::string_view label) {
    const auto find = [&](const TListChoice& list) { return FindItemByLabel(list.Items, label); };
    for (const TChoiceItem& item : ConstantQualityItems)
        if (role == TChoiceRole::crVideoBitRate && item.Label == label)
            return std::string(item.Value);
    for (const TOutputProfile& profile : AllProfiles()) {
        const auto choices = ChoicesFor(profile.Id);
        if (const TChoiceItem* item = find((*choices)[RoleIndex(role)]))
            return std::string(item->Value);
        for (const TChoiceItem& encoder : (*choices)[RoleIndex(TChoiceRole::crVideoEncoder)].Items)
            if (const auto refill = RefillForEncoder(profile.Id, encoder.Value);
                refill && refill->Role == role)
                if (const TChoiceItem* item = find(refill->List))
                    return std::string(item->Value);
    }
    return std::string(label);
}
