// The user's own profiles: the picks kept as values come back as the same
// items (also from lists an encoder pick refills), the file round-trips, a
// damaged file is refused whole with a message, and names stay unique.
#include "app/UserProfileFile.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/OutputProfile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using enum TChoiceRole;
using TPicks = std::vector<std::pair<TChoiceRole, std::string>>;

// The items profile `id` shows with `picks` (by label) over its preselection
// (an encoder pick's refill included).
std::array<TChoiceItem, ChoiceRoleCount> Shown(int32_t id, const TPicks& picks) {
    auto choices = *ChoicesFor(id);
    std::array<TChoiceItem, ChoiceRoleCount> shown;
    for (size_t i = 0; i < shown.size(); ++i)
        shown[i] = choices[i].Preselected;
    for (const auto& [role, label] : picks) {
        const TChoiceItem* item = FindItemByLabel(choices[RoleIndex(role)].Items, label);
        EXPECT_NE(item, nullptr) << label;
        if (item == nullptr)
            continue;
        shown[RoleIndex(role)] = *item;
        if (role == crVideoEncoder)
            if (const auto refill = RefillForEncoder(id, item->Value)) {
                choices[RoleIndex(refill->Role)] = refill->List;
                shown[RoleIndex(refill->Role)] = refill->List.Preselected;
            }
    }
    return shown;
}

TChosenItems Chosen(int32_t id, const TPicks& picks) {
    TChosenItems chosen;
    const auto shown = Shown(id, picks);
    for (size_t i = 0; i < shown.size(); ++i)
        chosen.Values[i] = std::string(shown[i].Value);
    return chosen;
}

void WriteText(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

TEST(UserProfileFile, SavedPicksComeBackAsTheSameItems) {
    struct Case {
        int32_t Profile;
        TPicks Picks;
        std::array<bool, 3> Filters;
        TDeinterlace Deinterlace = TDeinterlace::Auto;
    };
    const Case cases[] = {
        {503,
         {{crVideoBitRate, "恒定质量 (中)"}, {crFrameSize, "640*480"}, {crAspect, "宽屏视频16:9模式"}},
         {true, false, true}},
        {1,
         {{crVideoEncoder, "Mjpeg 视频压缩器"}, {crVideoBitRate, "4000 kbps(高质量)"}},
         {},
         TDeinterlace::Off},
        {100,
         {{crVideoEncoder, "Divx 视频压缩器"}, {crFrameSize, "704*576"}, {crVolume, "音量增加1.5倍"}},
         {}},
        {5, {{crFrameSize, "720*480  (标清SD格式)"}, {crFrameRate, "23.97"}}, {}, TDeinterlace::On},
        {209, {{crAudioBitRate, "12.2"}}, {}},
        {19, {{crVideoEncoder, "NTSC_DVD视频压缩器"}, {crAudioEncoder, "AC3音频编码器"}}, {}},
    };
    TempDir dir;
    const std::string file = dir.File("myprofiles.txt");
    std::vector<TUserProfile> saved;
    std::string error;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Profile);
        TChosenItems chosen = Chosen(c.Profile, c.Picks);
        chosen.HorizontalFlip = c.Filters[0];
        chosen.VerticalFlip = c.Filters[1];
        chosen.Negative = c.Filters[2];
        chosen.Deinterlace = c.Deinterlace;
        const TUserProfile profile =
            CaptureUserProfile("mine " + std::to_string(c.Profile), c.Profile, chosen);
        ASSERT_TRUE(AddUserProfile(saved, profile, error)) << error;
    }
    ASSERT_TRUE(SaveUserProfiles(file, saved, error)) << error;
    std::vector<TUserProfile> loaded;
    ASSERT_TRUE(LoadUserProfiles(file, loaded, error)) << error;
    ASSERT_EQ(loaded.size(), std::size(cases));
    for (size_t k = 0; k < loaded.size(); ++k) {
        const Case& c = cases[k];
        SCOPED_TRACE(c.Profile);
        const TUserProfile& profile = loaded[k];
        EXPECT_EQ(profile.Name, saved[k].Name);
        EXPECT_EQ(profile.BaseId, c.Profile);
        EXPECT_EQ(profile.Values, saved[k].Values);
        EXPECT_EQ(profile.Filters, c.Filters);
        EXPECT_EQ(profile.Deinterlace, c.Deinterlace);
        // Values, not the list texts, are what the file keeps.
        EXPECT_EQ(profile.Values[RoleIndex(crVideoBitRate)].find("kbps"), std::string::npos);
        TPicks picks;
        ASSERT_TRUE(PicksForUserProfile(profile, picks, error)) << error;
        const auto expected = Shown(c.Profile, c.Picks);
        ASSERT_EQ(picks.size(), expected.size());
        for (const auto& [role, item] : picks)
            EXPECT_EQ(item, expected[RoleIndex(role)].Label) << RoleCaption(role);
    }
}

// Files written when the sizes kept their notes name such a size by the item's
// text; they open with the same items, and their other values are today's.
TEST(UserProfileFile, AFileOfAnEarlierVersionOpensWithTheSameItems) {
    TempDir dir;
    const std::string file = dir.File("myprofiles.txt");
    WriteText(file, "vantoro-user-profiles 1\n[profile]\nName=sd\nBase=5\nVE=mpeg4/XVID///\nVB=1000000\n"
                    "VS=720*480  (标清SD格式)\nVR=23.97\nAR=16:9\nAE=libfaac\nAB=96000\nAS=44100\nCH=2\n"
                    "VOL=512\nFilters=vflip\n");
    std::vector<TUserProfile> loaded;
    std::string error;
    ASSERT_TRUE(LoadUserProfiles(file, loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 1u);
    TPicks picks;
    ASSERT_TRUE(PicksForUserProfile(loaded[0], picks, error)) << error;
    const TPicks expected = {{crVideoEncoder, "XviD 视频压缩器1"},
                             {crVideoBitRate, "1000 kbps(很高质量)"},
                             {crFrameSize, "720*480  (标清SD格式)"},
                             {crFrameRate, "23.97"},
                             {crAspect, "宽屏视频16:9模式"},
                             {crAudioEncoder, "AAC音频编码器"},
                             {crAudioBitRate, "96"},
                             {crSampleRate, "44100"},
                             {crChannels, "立体声"},
                             {crVolume, "音量增加1倍"}};
    EXPECT_EQ(picks, expected);
    // Saved again, the size is kept as today's value.
    EXPECT_EQ(CaptureUserProfile("sd", 5, Chosen(5, picks)).Values[RoleIndex(crFrameSize)], "720*480");
}

TEST(UserProfileFile, AValueNoItemGivesIsReported) {
    TUserProfile profile = CaptureUserProfile("old", 503, Chosen(503, {}));
    profile.Values[RoleIndex(crVideoBitRate)] = "1234000";
    TPicks picks;
    std::string error;
    EXPECT_FALSE(PicksForUserProfile(profile, picks, error));
    EXPECT_NE(error.find("1234000"), std::string::npos) << error;
    profile.BaseId = 25;
    EXPECT_FALSE(PicksForUserProfile(profile, picks, error));
}

TEST(UserProfileFile, ADamagedFileIsRefusedWholeAndAMissingOneIsEmpty) {
    TempDir dir;
    const std::string file = dir.File("myprofiles.txt");
    std::vector<TUserProfile> profiles{CaptureUserProfile("x", 503, Chosen(503, {}))};
    std::string error;
    EXPECT_TRUE(LoadUserProfiles(file, profiles, error)) << error;
    EXPECT_TRUE(profiles.empty());

    const std::string header = "vantoro-user-profiles 1\n";
    const std::string good = "[profile]\nName=a\nBase=503\nVB=1500000\nFilters=\n";
    for (const std::string& text : {
             std::string("not my file\n") + good,
             header + "Name=a\n",                             // a field before any profile
             header + good + "[profile]\nName=a\nBase=503\n", // the name twice
             header + "[profile]\nName=\nBase=503\n",         // no name
             header + "[profile]\nName=b\nBase=25\n",         // no such base
             header + "[profile]\nName=b\nBase=5o3\n",        // no number
             header + good + "VX=1\n",                        // an unknown list
             header + good + "Filters=hflip,blur\n",          // an unknown filter
             header + good + "Deinterlace=maybe\n",           // an unknown deinterlacing
             header + good + "Subtitles=all\n",               // an unknown subtitle choice
             header + good + "AudioTrack=-1\n",               // no track
             header + good + "SubtitleTrack=one\n",           // no number
             header + good + "garbage\n",
             std::string("\x89PNG\r\n\x1a\n", 8),
         }) {
        SCOPED_TRACE(text);
        WriteText(file, text);
        profiles = {CaptureUserProfile("x", 503, Chosen(503, {}))};
        error.clear();
        EXPECT_FALSE(LoadUserProfiles(file, profiles, error));
        EXPECT_TRUE(profiles.empty());
        EXPECT_NE(error.find(file), std::string::npos) << error;
    }
    WriteText(file, header + good + "\r\n");
    EXPECT_TRUE(LoadUserProfiles(file, profiles, error)) << error;
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0].Name, "a");
    // Saved before deinterlacing was a choice: opened, it makes a new job, which deinterlaces on its own.
    EXPECT_EQ(profiles[0].Deinterlace, TDeinterlace::Auto);
    // A file from before the track picks: the source's default track, no subtitles.
    EXPECT_EQ(profiles[0].AudioTrack, 0);
    EXPECT_EQ(profiles[0].Subtitles, SubtitlesNone);
}

TEST(UserProfileFile, TrackPicksRoundTripAsValues) {
    TempDir dir;
    const std::string file = dir.File("myprofiles.txt");
    TUserProfile profile = CaptureUserProfile("tracks", 509, Chosen(509, {}));
    profile.AudioTrack = 2;
    profile.Subtitles = SubtitlesBurn;
    profile.SubtitleTrack = 3;
    std::string error;
    ASSERT_TRUE(SaveUserProfiles(file, {profile}, error)) << error;
    std::vector<TUserProfile> loaded;
    ASSERT_TRUE(LoadUserProfiles(file, loaded, error)) << error;
    ASSERT_EQ(loaded.size(), 1u);
    EXPECT_EQ(loaded[0].AudioTrack, 2);
    EXPECT_EQ(loaded[0].Subtitles, SubtitlesBurn);
    EXPECT_EQ(loaded[0].SubtitleTrack, 3);

    // The command line's own picks go over the saved ones.
    TJobRequest script;
    script.AudioTrack = 1;
    ASSERT_TRUE(ApplyUserProfileToScript(file, "tracks", script, error)) << error;
    EXPECT_EQ(script.AudioTrack, 1);
    EXPECT_EQ(script.Subtitles, SubtitlesBurn);
    EXPECT_EQ(script.SubtitleTrack, 3);
}

TEST(UserProfileFile, NamesStayUniqueThroughAddRenameAndDelete) {
    std::vector<TUserProfile> profiles;
    std::string error;
    const TChosenItems chosen = Chosen(503, {});
    ASSERT_TRUE(AddUserProfile(profiles, CaptureUserProfile("电视", 503, chosen), error));
    ASSERT_TRUE(AddUserProfile(profiles, CaptureUserProfile("手机", 503, chosen), error));
    EXPECT_FALSE(AddUserProfile(profiles, CaptureUserProfile("电视", 503, chosen), error));
    EXPECT_FALSE(AddUserProfile(profiles, CaptureUserProfile("", 503, chosen), error));
    EXPECT_FALSE(AddUserProfile(profiles, CaptureUserProfile("a\nb", 503, chosen), error));
    EXPECT_FALSE(RenameUserProfile(profiles, "电视", "手机", error));
    EXPECT_TRUE(RenameUserProfile(profiles, "电视", "电视", error));
    EXPECT_TRUE(RenameUserProfile(profiles, "电视", "客厅电视", error));
    EXPECT_FALSE(RenameUserProfile(profiles, "电视", "别的", error));
    EXPECT_FALSE(DeleteUserProfile(profiles, "电视", error));
    EXPECT_TRUE(DeleteUserProfile(profiles, "手机", error));
    ASSERT_EQ(profiles.size(), 1u);
    EXPECT_EQ(profiles[0].Name, "客厅电视");
}

} // namespace
