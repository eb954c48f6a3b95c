// A profile of the user's own taken from the options window and shown in it
// again gives the same settings as the picks it was taken from.
#include "profiles/UserProfileWindow.h"
#include "FakeDialogs.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

namespace {

using enum TChoiceRole;

struct Case {
    int32_t Profile;
    std::vector<std::pair<TChoiceRole, std::string>> Picks;
    std::array<bool, 3> Filters;
};

class UserProfileWindow : public testing::TestWithParam<Case> {};

TEST_P(UserProfileWindow, ShowingASavedProfileConfirmsTheSameSettings) {
    const Case& c = GetParam();
    TempDir dir;
    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window(settings, dialogs);
    window.SetOutputFolder(dir.Path().string());
    settings.ProfileId = c.Profile;
    settings.SourceFile = dir.File("clip.mkv");

    window.Show({}); // no such file: nothing known of it
    for (const auto& [role, item] : c.Picks)
        ASSERT_TRUE(window.PickText(role, item)) << item;
    for (int i = 0; i < 3; ++i)
        window.SetFilter(i, c.Filters[static_cast<size_t>(i)]);
    const TUserProfile profile = CaptureWindow(window, "mine", c.Profile);
    ASSERT_TRUE(window.Confirm());
    const TConversionSettings picked = settings;

    ResetConversionSettings(settings);
    window.Show({}); // no such file: nothing known of it
    std::string error;
    ASSERT_TRUE(ShowUserProfile(window, profile, error)) << error;
    ASSERT_TRUE(window.Confirm());
    EXPECT_EQ(settings.VideoCodec, picked.VideoCodec);
    EXPECT_EQ(settings.VideoTag, picked.VideoTag);
    EXPECT_EQ(settings.VideoBitRate, picked.VideoBitRate);
    EXPECT_EQ(settings.VideoQuality, picked.VideoQuality);
    EXPECT_EQ(settings.FrameSize, picked.FrameSize);
    EXPECT_EQ(settings.FrameRate, picked.FrameRate);
    EXPECT_EQ(settings.AspectRatio, picked.AspectRatio);
    EXPECT_EQ(settings.AudioCodec, picked.AudioCodec);
    EXPECT_EQ(settings.AudioBitRate, picked.AudioBitRate);
    EXPECT_EQ(settings.AudioSampleRate, picked.AudioSampleRate);
    EXPECT_EQ(settings.AudioChannels, picked.AudioChannels);
    EXPECT_EQ(settings.Volume, picked.Volume);
    EXPECT_EQ(settings.VideoFilters, picked.VideoFilters);
    EXPECT_EQ(settings.OutputFile, picked.OutputFile);
    EXPECT_EQ(settings.Target, picked.Target);
    EXPECT_EQ(settings.TVStandard, picked.TVStandard);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UserProfileWindow,
    testing::Values(
        Case{503, {{crVideoBitRate, "恒定质量 (高)"}, {crFrameSize, "640*480"}}, {false, true, false}},
        Case{1, {{crVideoEncoder, "Mjpeg 视频压缩器"}, {crVideoBitRate, "5000 kbps(极高质量)"}}, {}},
        Case{101, {{crVideoEncoder, "XviD 视频压缩器2"}, {crFrameSize, "320*224"}}, {true, true, true}},
        Case{21, {{crVideoEncoder, "NTSC_VCD视频压缩器"}}, {}},
        Case{205, {{crAudioBitRate, "96"}, {crChannels, "单声道"}}, {}}),
    [](const testing::TestParamInfo<Case>& info) {
        return std::to_string(info.index) + "_" + std::to_string(info.param.Profile);
    });

} // namespace
