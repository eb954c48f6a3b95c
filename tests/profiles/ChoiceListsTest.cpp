// The choice lists of every profile: each preselected item is offered, every
// item's value is one the settings mapping understands, and the encoder picks
// that refill another list.

#include "profiles/ChoiceLists.h"
#include "profiles/ConstantQuality.h"
#include "profiles/OutputProfile.h"
#include "profiles/SettingsMapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <optional>
#include <set>
#include <string>

namespace {

using enum TChoiceRole;

bool Offers(const TListChoice& list, const TChoiceItem& item) {
    return std::find(list.Items.begin(), list.Items.end(), item) != list.Items.end();
}

std::vector<std::string_view> Labels(const std::vector<TChoiceItem>& items) {
    std::vector<std::string_view> labels;
    for (const TChoiceItem& item : items)
        labels.push_back(item.Label);
    return labels;
}

// The value of the item labelled `label` in the encoder list of profile `id`.
std::string_view EncoderValue(int32_t id, std::string_view label) {
    const auto choices = ChoicesFor(id);
    const TChoiceItem* item = FindItemByLabel((*choices)[RoleIndex(crVideoEncoder)].Items, label);
    return item ? item->Value : "no such item";
}

std::optional<int64_t> Integer(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// Whether the mapping turns the value of `item` of list `role` into a setting.
bool Understood(TChoiceRole role, const TChoiceItem& item) {
    const std::string_view value = item.Value;
    const std::string text(value);
    int width = 0, height = 0;
    char separator = 0;
    switch (role) {
    case crVideoEncoder:
        return FindVideoEncoderRow(value) != nullptr;
    case crVideoBitRate:
        return Integer(value) > 0 || value == "-1000" || QualityLevel(value).has_value();
    case crFrameSize:
        return value.empty() ||
               (std::sscanf(text.c_str(), "%d%c%d", &width, &separator, &height) == 3 && separator == '*' &&
                text == std::to_string(width) + "*" + std::to_string(height));
    case crFrameRate:
        return value.empty() || std::stod(text) > 0;
    case crAspect:
        return value == "4:3" || value == "16:9" || value.empty();
    case crAudioEncoder:
        return value == "AUTO" ||
               value.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_") == std::string_view::npos;
    case crAudioBitRate:
        return Integer(value) > 0 || value == "-1000";
    case crSampleRate:
        return value == "AUTO" || Integer(value) >= 8000;
    case crChannels:
        return value == "2" || value == "1";
    case crVolume:
        return Integer(value) >= 0 && Integer(value) <= 2048;
    }
    return false;
}

TEST(ChoiceLists, EveryProfileOffersItsPreselectedItemsAndTheMappingKnowsEveryItem) {
    std::set<std::string_view> usedKeys;
    for (const TOutputProfile& profile : AllProfiles()) {
        SCOPED_TRACE(profile.Id);
        const auto choices = ChoicesFor(profile.Id);
        ASSERT_TRUE(choices.has_value());
        for (const TChoiceRole role : FillOrder) {
            const TListChoice& list = (*choices)[RoleIndex(role)];
            SCOPED_TRACE(std::string(RoleCaption(role)));
            ASSERT_FALSE(list.Items.empty());
            EXPECT_TRUE(Offers(list, list.Preselected)) << list.Preselected.Label;
            EXPECT_EQ(list.Key.empty(), list.Items.size() == 1);
            for (const TChoiceItem& item : list.Items)
                EXPECT_TRUE(Understood(role, item)) << item.Label;
            usedKeys.insert(list.Key);
        }
        // Audio-only profiles show one placeholder in each video list.
        if (profile.AudioOnly) {
            EXPECT_EQ(Labels((*choices)[RoleIndex(crVideoEncoder)].Items),
                      std::vector<std::string_view>{"该格式无视频"});
            for (const TChoiceRole role : {crVideoBitRate, crFrameSize, crFrameRate, crAspect})
                EXPECT_EQ(Labels((*choices)[RoleIndex(role)].Items), std::vector<std::string_view>{"无"});
        }
        // Every profile offers the 28 volumes with the volume unchanged preselected.
        const TListChoice& volume = (*choices)[RoleIndex(crVolume)];
        EXPECT_EQ(volume.Key, "VOL");
        EXPECT_EQ(volume.Preselected.Label, "音量保持不变");
        // Every profile but the AMR one offers stereo first.
        const TListChoice& channels = (*choices)[RoleIndex(crChannels)];
        EXPECT_EQ(channels.Preselected.Label, profile.Id == 209 ? "单声道" : "立体声");
    }
    // No shared list is left unused (the refill lists are checked below).
    for (const TNamedList& list : SharedLists())
        EXPECT_TRUE(usedKeys.count(list.Key) || list.Key == "VB14") << list.Key;
}

TEST(ChoiceLists, SharedListsHaveDistinctKeysAndItems) {
    std::set<std::string_view> keys;
    for (const TNamedList& list : SharedLists()) {
        EXPECT_TRUE(keys.insert(list.Key).second) << list.Key;
        EXPECT_GE(list.Items.size(), 2u) << list.Key;
        const std::vector<std::string_view> labels = Labels(list.Items);
        EXPECT_EQ(std::set(labels.begin(), labels.end()).size(), list.Items.size()) << list.Key;
    }
    const TNamedList* volume = FindSharedList("VOL");
    ASSERT_NE(volume, nullptr);
    ASSERT_EQ(volume->Items.size(), 28u);
    EXPECT_EQ(volume->Items.front().Label, "无声音");
    EXPECT_EQ(volume->Items[10].Label, "音量保持不变");
    EXPECT_EQ(volume->Items.back().Label, "音量增加7倍");
    EXPECT_EQ(FindSharedList("VE99"), nullptr);
}

TEST(ChoiceLists, ProfileOneOpensWithItsDefaults) {
    const auto choices = ChoicesFor(1);
    ASSERT_TRUE(choices);
    const std::vector<std::string_view> expected = {"Divx 5 视频压缩器",
                                                    "528 kbps(中等质量)",
                                                    "320*240",
                                                    "25.00",
                                                    "普通视频4:3模式",
                                                    "MP3音频编码器",
                                                    "128",
                                                    "44100",
                                                    "立体声",
                                                    "音量保持不变"};
    for (size_t i = 0; i < expected.size(); ++i)
        EXPECT_EQ((*choices)[i].Preselected.Label, expected[i]) << RoleCaption(static_cast<TChoiceRole>(i));
    // Profiles 1, 2 and 3 share their choices, as do 6 to 9.
    for (const int32_t id : {2, 3})
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ((*ChoicesFor(id))[i].Items, (*choices)[i].Items);
}

TEST(ChoiceLists, SpecialProfiles) {
    const auto amr = ChoicesFor(209);
    const TListChoice& rates = (*amr)[RoleIndex(crAudioBitRate)];
    EXPECT_EQ(rates.Items.front().Label, "4.75");
    EXPECT_EQ(rates.Items.back().Label, "12.2");
    EXPECT_EQ(rates.Preselected.Label, "7.4");
    EXPECT_EQ(Labels((*amr)[RoleIndex(crSampleRate)].Items), std::vector<std::string_view>{"8000"});
    EXPECT_EQ(Labels((*amr)[RoleIndex(crChannels)].Items), std::vector<std::string_view>{"单声道"});

    const auto rm = ChoicesFor(15);
    EXPECT_EQ(Labels((*rm)[RoleIndex(crAudioEncoder)].Items),
              std::vector<std::string_view>{"自动音频编码器"});
    EXPECT_EQ(Labels((*rm)[RoleIndex(crAudioBitRate)].Items),
              std::vector<std::string_view>{"自动音频比特率"});
    EXPECT_EQ(Labels((*rm)[RoleIndex(crSampleRate)].Items), std::vector<std::string_view>{"自动音频采样率"});

    // 513 and 514 differ only in their encoder item.
    const auto flash = ChoicesFor(513);
    const auto flv = ChoicesFor(514);
    EXPECT_EQ((*flash)[RoleIndex(crVideoEncoder)].Preselected.Label, "FLASH格式视频压缩器");
    EXPECT_EQ((*flv)[RoleIndex(crVideoEncoder)].Preselected.Label, "FLV格式视频压缩器");
    for (const TChoiceRole role : FillOrder) {
        if (role != crVideoEncoder)
            EXPECT_EQ((*flash)[RoleIndex(role)].Items, (*flv)[RoleIndex(role)].Items);
    }

    EXPECT_FALSE(ChoicesFor(0).has_value());
    EXPECT_FALSE(ChoicesFor(25).has_value());
}

TEST(ChoiceLists, EncoderPicksRefillTheirList) {
    struct Case {
        int32_t Profile;
        std::string_view Encoder;
        TChoiceRole Role;
        size_t Items;
        std::string_view Preselected;
    };
    // A refilled bit-rate list ends with the constant-quality items.
    for (const Case& c : {Case{1, "Mjpeg 视频压缩器", crVideoBitRate, 15 + 3, "3000 kbps(高质量)"},
                          Case{3, "Divx 视频压缩器", crVideoBitRate, 8 + 3, "528 kbps(中等质量)"},
                          Case{2, "H264/AVC高清视频压缩器", crVideoBitRate, 8 + 3, "528 kbps(中等质量)"},
                          Case{100, "Divx 视频压缩器", crFrameSize, 4, "176*144"},
                          Case{101, "XviD 视频压缩器2", crFrameSize, 11, "176*144"},
                          Case{100, "Divx 5 视频压缩器", crFrameSize, 11, "176*144"}}) {
        SCOPED_TRACE(std::to_string(c.Profile) + " " + std::string(c.Encoder));
        const auto refill = RefillForEncoder(c.Profile, EncoderValue(c.Profile, c.Encoder));
        ASSERT_TRUE(refill.has_value());
        EXPECT_EQ(refill->Role, c.Role);
        EXPECT_EQ(refill->List.Items.size(), c.Items);
        EXPECT_EQ(refill->List.Preselected.Label, c.Preselected);
        EXPECT_TRUE(Offers(refill->List, refill->List.Preselected));
        for (const TChoiceItem& item : refill->List.Items)
            EXPECT_TRUE(Understood(c.Role, item)) << item.Label;
    }
    // Encoders that change nothing, and profiles without refills.
    EXPECT_FALSE(RefillForEncoder(100, EncoderValue(100, "MPEG4 视频压缩器")));
    EXPECT_FALSE(RefillForEncoder(100, EncoderValue(100, "H264/AVC高清视频压缩器")));
    EXPECT_FALSE(RefillForEncoder(4, EncoderValue(501, "Mjpeg 视频压缩器")));
    EXPECT_FALSE(RefillForEncoder(501, EncoderValue(501, "Mjpeg 视频压缩器")));
    EXPECT_EQ(RefillForEncoder(100, EncoderValue(100, "XviD 视频压缩器1"))->List.Items.front().Label,
              "112*96");
}

} // namespace
