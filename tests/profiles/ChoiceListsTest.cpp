// The choice lists of every profile: each preselected item is offered, every
// item is one the settings mapping understands, and the encoder picks that
// refill another list.

#include "profiles/ChoiceLists.h"
#include "profiles/ConstantQuality.h"
#include "profiles/OutputProfile.h"
#include "profiles/SettingsMapping.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

namespace {

using enum TChoiceRole;

bool Offers(const TListChoice& list, std::string_view item) {
    return std::find(list.Items.begin(), list.Items.end(), item) != list.Items.end();
}

// Whether the mapping turns `item` of list `role` into a setting.
bool Understood(TChoiceRole role, std::string_view item) {
    const std::string text(item);
    int width = 0, height = 0;
    char separator = 0;
    switch (role) {
    case crVideoEncoder:
        return FindVideoEncoderRow(item) != nullptr;
    case crVideoBitRate:
        return VideoBitRateFromText(item).has_value() || QualityLevel(item).has_value();
    case crFrameSize:
        return item == "保持原分辨率" || item == "无" ||
               (std::sscanf(text.c_str(), "%d%c%d", &width, &separator, &height) == 3 && separator == '*');
    case crFrameRate:
        return item == "保持原帧速率" || item == "无" || std::stod(text) > 0;
    case crAspect:
        return item == "普通视频4:3模式" || item == "宽屏视频16:9模式" || item == "无";
    case crAudioEncoder:
        return FindAudioEncoderRow(item) != nullptr;
    case crAudioBitRate:
        return AudioBitRateFromText(item).has_value();
    case crSampleRate:
        return item == "自动音频采样率" || std::stoi(text) >= 8000;
    case crChannels:
        return item == "立体声" || item == "单声道";
    case crVolume:
        return FindVolumeRow(item) != nullptr;
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
            EXPECT_TRUE(Offers(list, list.Preselected)) << list.Preselected;
            EXPECT_EQ(list.Key.empty(), list.Items.size() == 1);
            for (const std::string_view item : list.Items)
                EXPECT_TRUE(Understood(role, item)) << item;
            usedKeys.insert(list.Key);
        }
        // Audio-only profiles show one placeholder in each video list.
        if (profile.AudioOnly) {
            EXPECT_EQ((*choices)[RoleIndex(crVideoEncoder)].Items,
                      std::vector<std::string_view>{"该格式无视频"});
            for (const TChoiceRole role : {crVideoBitRate, crFrameSize, crFrameRate, crAspect})
                EXPECT_EQ((*choices)[RoleIndex(role)].Items, std::vector<std::string_view>{"无"});
        }
        // Every profile offers the 28 volumes with the volume unchanged preselected.
        const TListChoice& volume = (*choices)[RoleIndex(crVolume)];
        EXPECT_EQ(volume.Key, "VOL");
        EXPECT_EQ(volume.Preselected, "音量保持不变");
        // Every profile but the AMR one offers stereo first.
        const TListChoice& channels = (*choices)[RoleIndex(crChannels)];
        EXPECT_EQ(channels.Preselected, profile.Id == 209 ? "单声道" : "立体声");
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
        std::set<std::string_view> items(list.Items.begin(), list.Items.end());
        EXPECT_EQ(items.size(), list.Items.size()) << list.Key;
    }
    const TNamedList* volume = FindSharedList("VOL");
    ASSERT_NE(volume, nullptr);
    ASSERT_EQ(volume->Items.size(), 28u);
    EXPECT_EQ(volume->Items.front(), "无声音");
    EXPECT_EQ(volume->Items[10], "音量保持不变");
    EXPECT_EQ(volume->Items.back(), "音量增加7倍");
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
        EXPECT_EQ((*choices)[i].Preselected, expected[i]) << RoleCaption(static_cast<TChoiceRole>(i));
    // Profiles 1, 2 and 3 share their choices, as do 6 to 9.
    for (const int32_t id : {2, 3})
        for (size_t i = 0; i < expected.size(); ++i)
            EXPECT_EQ((*ChoicesFor(id))[i].Items, (*choices)[i].Items);
}

TEST(ChoiceLists, SpecialProfiles) {
    const auto amr = ChoicesFor(209);
    const TListChoice& rates = (*amr)[RoleIndex(crAudioBitRate)];
    EXPECT_EQ(rates.Items.front(), "4.75");
    EXPECT_EQ(rates.Items.back(), "12.2");
    EXPECT_EQ(rates.Preselected, "7.4");
    EXPECT_EQ((*amr)[RoleIndex(crSampleRate)].Items, std::vector<std::string_view>{"8000"});
    EXPECT_EQ((*amr)[RoleIndex(crChannels)].Items, std::vector<std::string_view>{"单声道"});

    const auto rm = ChoicesFor(15);
    EXPECT_EQ((*rm)[RoleIndex(crAudioEncoder)].Items, std::vector<std::string_view>{"自动音频编码器"});
    EXPECT_EQ((*rm)[RoleIndex(crAudioBitRate)].Items, std::vector<std::string_view>{"自动音频比特率"});
    EXPECT_EQ((*rm)[RoleIndex(crSampleRate)].Items, std::vector<std::string_view>{"自动音频采样率"});

    // 513 and 514 differ only in their encoder item.
    const auto flash = ChoicesFor(513);
    const auto flv = ChoicesFor(514);
    EXPECT_EQ((*flash)[RoleIndex(crVideoEncoder)].Preselected, "FLASH格式视频压缩器");
    EXPECT_EQ((*flv)[RoleIndex(crVideoEncoder)].Preselected, "FLV格式视频压缩器");
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
        const auto refill = RefillForEncoder(c.Profile, c.Encoder);
        ASSERT_TRUE(refill.has_value());
        EXPECT_EQ(refill->Role, c.Role);
        EXPECT_EQ(refill->List.Items.size(), c.Items);
        EXPECT_EQ(refill->List.Preselected, c.Preselected);
        EXPECT_TRUE(Offers(refill->List, c.Preselected));
        for (const std::string_view item : refill->List.Items)
            EXPECT_TRUE(Understood(c.Role, item)) << item;
    }
    // Encoders that change nothing, and profiles without refills.
    EXPECT_FALSE(RefillForEncoder(100, "MPEG4 视频压缩器"));
    EXPECT_FALSE(RefillForEncoder(100, "H264/AVC高清视频压缩器"));
    EXPECT_FALSE(RefillForEncoder(4, "Mjpeg 视频压缩器"));
    EXPECT_FALSE(RefillForEncoder(501, "Mjpeg 视频压缩器"));
    EXPECT_EQ(RefillForEncoder(100, "XviD 视频压缩器1")->List.Items.front(), "112*96");
}

} // namespace
