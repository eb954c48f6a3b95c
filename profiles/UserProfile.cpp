#include "profiles/UserProfile.h"

#include "profiles/ConstantQuality.h"
#include "profiles/ConversionSettings.h"

#include <algorithm>

namespace {

constexpr std::string_view QualityPrefix = "quality/";

} // namespace

std::string ItemValue(TChoiceRole role, std::string_view item) {
    using enum TChoiceRole;
    if (role == crVideoBitRate) {
        if (const auto level = QualityLevel(item))
            return std::string(QualityPrefix) + std::to_string(*level);
        const auto rate = VideoBitRateFromText(item);
        return rate ? std::to_string(*rate) : std::string();
    }
    if (role == crAudioBitRate) {
        const auto rate = AudioBitRateFromText(item);
        return rate ? std::to_string(*rate) : std::string();
    }
    if (role == crVideoEncoder) {
        const TVideoEncoderRow* row = FindVideoEncoderRow(item);
        if (!row)
            return {};
        std::string value(row->Codec);
        for (const std::string_view part : {row->Tag, row->Format, row->DiscTarget, row->DiscStandard})
            value.append("/").append(part);
        return value;
    }
    if (role == crAudioEncoder) {
        const TAudioEncoderRow* row = FindAudioEncoderRow(item);
        return row ? std::string(row->Codec) : std::string();
    }
    if (role == crVolume) {
        const TVolumeRow* row = FindVolumeRow(item);
        return row ? std::string(row->Volume) : std::string();
    }
    // The rest is what the mapping writes into its one field.
    TChosenItems chosen;
    chosen.Items[RoleIndex(role)] = item;
    TConversionSettings settings;
    MapChoicesToSettings(chosen, {{}, {}, MediaKindVideo}, settings);
    switch (role) {
    case crFrameSize:
        // The whole item, note included: files saved before the note was
        // dropped from the setting name their sizes that way.
        return settings.FrameSize.empty() ? std::string() : std::string(item);
    case crFrameRate:
        return settings.FrameRate;
    case crAspect:
        return settings.AspectRatio;
    case crSampleRate:
        return settings.AudioSampleRate;
    case crChannels:
        return settings.AudioChannels;
    default:
        return {};
    }
}

TUserProfile CaptureUserProfile(std::string name, int32_t baseId, const TChosenItems& chosen) {
    TUserProfile profile;
    profile.Name = std::move(name);
    profile.BaseId = baseId;
    for (size_t i = 0; i < profile.Values.size(); ++i)
        profile.Values[i] = ItemValue(static_cast<TChoiceRole>(i), chosen.Items[i]);
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
        const std::vector<std::string_view>& items = (*choices)[i].Items;
        const auto it = std::find_if(items.begin(), items.end(),
                                     [&](std::string_view item) { return ItemValue(role, item) == wanted; });
        if (it == items.end()) {
            error = "profile \"" + profile.Name + "\": the list " + std::string(RoleCaption(role)) +
                    " offers nothing for \"" + wanted + "\"";
            return false;
        }
        picks.emplace_back(role, std::string(*it));
        if (role == TChoiceRole::crVideoEncoder)
            if (const auto refill = RefillForEncoder(profile.BaseId, *it))
                (*choices)[RoleIndex(refill->Role)] = refill->List;
    }
    return true;
}
