// The profile catalogue: numbering by page and position, the facts each entry
// fixes, and the output path rule.

#include "profiles/OutputProfile.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(Catalogue, IdentifiersFollowPageAndPosition) {
    std::set<int32_t> ids;
    size_t total = 0;
    for (const TProfilePage page : ProfilePages) {
        const auto profiles = PageProfiles(page);
        ASSERT_FALSE(profiles.empty()) << PageCaption(page);
        for (size_t position = 0; position < profiles.size(); ++position) {
            const int32_t id = ProfileIdAt(page, static_cast<int>(position));
            EXPECT_EQ(id, PageBase(page) + static_cast<int32_t>(position));
            EXPECT_EQ(profiles[position].Id, id);
            EXPECT_EQ(profiles[position].Page, page);
            EXPECT_EQ(FindProfile(id), &profiles[position]);
            EXPECT_TRUE(ids.insert(id).second) << id;
        }
        EXPECT_EQ(ProfileIdAt(page, static_cast<int>(profiles.size())), -1);
        EXPECT_EQ(ProfileIdAt(page, -1), -1);
        total += profiles.size();
    }
    EXPECT_EQ(total, AllProfiles().size());
    EXPECT_EQ(total, 80u);
}

TEST(Catalogue, PagesHaveTheirCaptionsBasesAndSizes) {
    struct Case {
        TProfilePage Page;
        std::string Caption;
        int32_t Base;
        size_t Count;
    };
    for (const Case& c : {Case{TProfilePage::ppHighDefinition, "HD高清及常用视频格式", 500, 26},
                          Case{TProfilePage::ppDevices, "智能设备常用视频格式", 100, 20},
                          Case{TProfilePage::ppComputer, "更多电脑常用视频格式", 1, 24},
                          Case{TProfilePage::ppAudio, "更多音频格式", 200, 10}}) {
        EXPECT_EQ(PageCaption(c.Page), c.Caption);
        EXPECT_EQ(PageBase(c.Page), c.Base);
        EXPECT_EQ(PageProfiles(c.Page).size(), c.Count);
    }
}

TEST(Catalogue, IdentifiersNoPageProducesHaveNoEntry) {
    for (const int32_t id : {-1, 0, 25, 99, 120, 199, 210, 499, 526, 1000})
        EXPECT_EQ(FindProfile(id), nullptr) << id;
}

TEST(Catalogue, EntriesAreConsistent) {
    for (const TOutputProfile& p : AllProfiles()) {
        SCOPED_TRACE(p.Id);
        EXPECT_FALSE(p.Label.empty());
        ASSERT_GE(p.OutputExt.size(), 2u);
        EXPECT_EQ(p.OutputExt[0], '.');
        // The tag differs only for the two device tags, and never picks the container.
        if (p.ProfileExt != p.OutputExt) {
            EXPECT_TRUE(p.ProfileExt == ".psp.mp4" || p.ProfileExt == ".ipod.mp4") << p.ProfileExt;
            EXPECT_EQ(p.OutputExt, ".mp4");
        }
        if (!p.OutputFormat.empty()) {
            EXPECT_EQ(p.OutputFormat, "mov");
            EXPECT_EQ(p.OutputExt, ".mov");
        }
        if (!p.PendingTarget.empty()) {
            EXPECT_TRUE(p.PendingTarget == "dvd" || p.PendingTarget == "svcd" || p.PendingTarget == "vcd");
            EXPECT_EQ(p.OutputExt, ".mpg");
        }
        // Every profile of the audio page is audio-only, and three of the HD page are.
        EXPECT_EQ(p.AudioOnly, p.Page == TProfilePage::ppAudio || (p.Id >= 523 && p.Id <= 525));
    }
}

TEST(Catalogue, SpotEntries) {
    EXPECT_EQ(FindProfile(500)->Label, "高清MP4视频格式");
    EXPECT_EQ(FindProfile(4)->ProfileExt, ".psp.mp4");
    EXPECT_EQ(FindProfile(4)->OutputExt, ".mp4");
    for (const int32_t id : {17, 106, 504})
        EXPECT_EQ(FindProfile(id)->OutputFormat, "mov") << id;
    // The HD FLV and SWF labels produce the other extension, unlike 13 and 14.
    EXPECT_EQ(FindProfile(513)->OutputExt, ".swf");
    EXPECT_EQ(FindProfile(514)->OutputExt, ".flv");
    EXPECT_EQ(FindProfile(13)->OutputExt, ".swf");
    EXPECT_EQ(FindProfile(14)->OutputExt, ".flv");
    EXPECT_EQ(FindProfile(209)->Label, "AMR（手机）音频格式");
    EXPECT_EQ(FindProfile(5)->Label, "Sony(索尼) PS3 MP4视频");
}

TEST(Catalogue, OutputPathReplacesTheLastExtension) {
    struct Case {
        std::string Folder, Source, Ext, Expected;
    };
    for (const Case& c :
         {Case{"/out", "/in/clip.final.rmvb", ".mkv", "/out/clip.final.mkv"},
          Case{"/out", "/in/capture", ".mp3", "/out/capture.mp3"},
          Case{"/out/", "clip.avi", ".mp4", "/out//clip.mp4"}, Case{"", "/in/a.b/clip", ".avi", "/clip.avi"}})
        EXPECT_EQ(OutputPathFor(c.Folder, c.Source, c.Ext), c.Expected);
}

} // namespace
