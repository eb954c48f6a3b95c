// A job request turned into settings without any window converts like the
// options window with the same picks; the window's own request says the same;
// requests the lists cannot take are refused with the reason.
#include "profiles/JobRequest.h"
#include "FakeDialogs.h"
#include "ProfileIds.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/SourceFactsOfFile.h"
#include "profiles/OptionsWindow.h"
#include "profiles/UserProfileWindow.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using enum TChoiceRole;

struct Window {
    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window{settings, dialogs};

    // Shows the window as an add action does, picks, ticks and confirms.
    bool Confirm(const TJobRequest& request, const std::string& source, const std::string& folder,
                 bool allowClip) {
        ResetConversionSettings(settings);
        settings.ProfileId = request.ProfileId;
        settings.SourceFile = source;
        window.SetOutputFolder(folder);
        window.SetClipPermission(allowClip);
        window.Show(SourceFactsOfFile(source));
        for (const auto& [role, item] : request.Picks)
            EXPECT_TRUE(window.PickText(role, item)) << item;
        for (int i = 0; i < 3; ++i)
            window.SetFilter(i, request.Filters[static_cast<size_t>(i)]);
        if (request.Deinterlace)
            window.SetAutoDeinterlaceTicked(*request.Deinterlace != TDeinterlace::Off);
        if (request.AudioTrack) {
            EXPECT_TRUE(window.Tracks().SelectAudioTrack(*request.AudioTrack));
        }
        if (request.Subtitles) {
            EXPECT_TRUE(
                window.Tracks().SelectSubtitles(*request.Subtitles, request.SubtitleTrack.value_or(0)));
        }
        if (request.Clip) {
            window.SetClipChecked(true);
            for (int i = 0; i < 6; ++i)
                window.SetClipBoxText(i, (*request.Clip)[static_cast<size_t>(i)]);
        }
        return window.Confirm();
    }

    // Shows the window for the base profile of `saved` with its picks, as
    // "我的格式" does, and confirms.
    bool ConfirmOwn(const TUserProfile& saved, const std::string& source, const std::string& folder) {
        ResetConversionSettings(settings);
        settings.ProfileId = saved.BaseId;
        settings.SourceFile = source;
        window.SetOutputFolder(folder);
        window.SetClipPermission(true);
        window.Show(SourceFactsOfFile(source));
        std::string error;
        EXPECT_TRUE(ShowUserProfile(window, saved, error)) << error;
        return window.Confirm();
    }
};

// The request's settings for `source`, from fresh settings as an add action starts.
std::optional<TConversionSettings> FromRequest(const TJobRequest& request, const std::string& source,
                                               const std::string& folder, bool allowClip,
                                               std::optional<int64_t> seconds, std::string* error = nullptr) {
    TConversionSettings settings;
    std::string message;
    if (!SettingsForRequest(request, source, folder, allowClip, seconds, settings, message)) {
        if (error != nullptr)
            *error = message;
        return std::nullopt;
    }
    return settings;
}

class EveryProfile : public testing::TestWithParam<int32_t> {};

TEST_P(EveryProfile, ItsDefaultsWriteWhatTheWindowWrites) {
    TempDir dir;
    const std::string source = dir.File("in.avi");
    Window shown;
    const TJobRequest request{GetParam()};
    ASSERT_TRUE(shown.Confirm(request, source, dir.Path().string(), true));
    const auto settings = FromRequest(request, source, dir.Path().string(), true, std::nullopt);
    ASSERT_TRUE(settings);
    EXPECT_TRUE(*settings == shown.settings);
    EXPECT_TRUE(shown.window.Request().Picks.empty()); // nothing picked by the user
}

INSTANTIATE_TEST_SUITE_P(JobRequest, EveryProfile, testing::ValuesIn(AllProfileIds()), ProfileIdName);

// Every choice a confirmed window can hold reaches the job through its request,
// also when it comes from a profile of the user's own.
TEST(JobRequest, PicksFiltersAndClipWriteWhatTheWindowWrites) {
    TempDir dir;
    const std::string source = dir.File("in.mkv");
    // Two tracks of audio and two of subtitles, for the track lists.
    ClipSpec spec = VideoAndAudioClip(5.0);
    spec.Audio.push_back(spec.Audio.front());
    const SubtitleTrackSpec subtitles{.CuesUs = {{0, 1000000}}};
    spec.Subtitles = {subtitles, subtitles};
    MakeClip(source, spec);
    struct Case {
        const char* what;
        TJobRequest request;
    };
    const Case cases[] = {
        {"an encoder that refills the bit rates, then a rate of the new list",
         {1, {{crVideoEncoder, "MPEG4 视频压缩器"}, {crVideoBitRate, "1600 kbps(极高质量)"}}}},
        {"constant quality and a size", {503, {{crVideoBitRate, "恒定质量 (高)"}, {crFrameSize, "640*480"}}}},
        {"a size with a note", {5, {{crFrameSize, "720*480  (标清SD格式)"}, {crFrameRate, "23.97"}}}},
        {"a disc encoder", {515, {{crVideoEncoder, "NTSC_DVD视频压缩器"}}}},
        {"an audio profile's lists", {200, {{crAudioBitRate, "64"}, {crVolume, "音量增加1倍"}}}},
        {"the three filters", {503, {}, {true, true, true}}},
        {"a clip range", {200, {}, {}, TClipBoxes{"00", "00", "01", "", "", "3"}}},
        {"a quality item of the list an encoder pick refilled",
         {1, {{crVideoEncoder, "MPEG4 视频压缩器"}, {crVideoBitRate, "恒定质量 (低)"}}}},
        {"no deinterlacing", {.ProfileId = 503, .Deinterlace = TDeinterlace::Off}},
        {"the second tracks of audio and subtitles, these burnt in",
         {.ProfileId = 503, .AudioTrack = 2, .Subtitles = SubtitlesBurn, .SubtitleTrack = 2}},
        {"the default subtitles kept", {.ProfileId = 509, .Subtitles = SubtitlesKeep, .SubtitleTrack = 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window shown;
        ASSERT_TRUE(shown.Confirm(c.request, source, dir.Path().string(), true))
            << shown.dialogs.Messages.back();
        const auto settings = FromRequest(c.request, source, dir.Path().string(), true, 5);
        ASSERT_TRUE(settings);
        EXPECT_TRUE(*settings == shown.settings);
        // What the window gives as its request writes the same again.
        const auto again = FromRequest(shown.window.Request(), source, dir.Path().string(), true, 5);
        ASSERT_TRUE(again);
        EXPECT_TRUE(*again == shown.settings);

        // The same choices kept as a profile of the user's own and opened again.
        Window own;
        ASSERT_TRUE(own.ConfirmOwn(CaptureWindow(shown.window, "mine", c.request.ProfileId), source,
                                   dir.Path().string()))
            << own.dialogs.Messages.back();
        const auto fromOwn = FromRequest(own.window.Request(), source, dir.Path().string(), true, 5);
        ASSERT_TRUE(fromOwn);
        EXPECT_TRUE(*fromOwn == own.settings);
        if (!c.request.Clip) { // a clip range belongs to the file, not to the profile
            EXPECT_TRUE(own.settings == shown.settings);
        }
    }
}

// An encoder pick refills the bit rate list; a bit rate given before it must
// still be the one converted with.
TEST(JobRequest, PicksApplyInListOrderWhateverOrderTheyCameIn) {
    using Picks = std::vector<TChoicePick>;
    const Picks orders[] = {
        {{crVideoBitRate, "1600 kbps(极高质量)"}, {crVideoEncoder, "MPEG4 视频压缩器"}},
        {{crVideoEncoder, "MPEG4 视频压缩器"}, {crVideoBitRate, "1600 kbps(极高质量)"}},
    };
    for (const Picks& picks : orders) {
        SCOPED_TRACE(picks.front().second);
        const auto settings = FromRequest({1, picks}, "/in/a.avi", "/out", false, std::nullopt);
        ASSERT_TRUE(settings);
        EXPECT_EQ(settings->VideoBitRate, 1600 * 1000);
    }
}

// The command line's clip range takes what the options window's six boxes take.
TEST(JobRequest, AClipRangeIsReadAsTheSixBoxes) {
    struct Case {
        const char* text;
        std::optional<TClipBoxes> boxes;
    };
    const Case cases[] = {
        {"00:00:10-00:00:12", TClipBoxes{"00", "00", "10", "00", "00", "12"}},
        {"0:0:10-::12", TClipBoxes{"0", "0", "10", "", "", "12"}},
        {"01:75:99-02:00:00", TClipBoxes{"01", "75", "99", "02", "00", "00"}},
        {"1-2", std::nullopt},
        {"00:00:01.5-00:00:03", std::nullopt},
        {"000:00:01-00:00:02", std::nullopt},
        {"00:00:01-00:02", std::nullopt},
        {"00:00:01-00:00:02:00", std::nullopt},
        {"-1:00:00-00:00:02", std::nullopt},
        {"00:00:01+00:00:02", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseClipRange(c.text), c.boxes) << c.text;
}

// The size an item with a note stands for reaches the settings without the note.
TEST(JobRequest, ASizeItemsNoteStaysInTheList) {
    const auto settings =
        FromRequest({5, {{crFrameSize, "720*480  (标清SD格式)"}}}, "/in/a.avi", "/out", false, std::nullopt);
    ASSERT_TRUE(settings);
    EXPECT_EQ(settings->FrameSize, "720*480");
}

TEST(JobRequest, WhatTheListsCannotTakeIsRefusedWithTheReason) {
    struct Case {
        TJobRequest request;
        bool allowClip;
        std::optional<int64_t> seconds;
        std::string error;
    };
    const Case cases[] = {
        {{9999}, true, 10, "unknown profile 9999"},
        {{503, {{crVideoBitRate, "1 kbps"}}},
         true,
         10,
         "the list VB of profile 503 offers no item \"1 kbps\""},
        // An audio profile's video lists are disabled: nothing can be picked there.
        {{200, {{crFrameSize, "保持原分辨率"}}},
         true,
         10,
         "the list VS of profile 200 offers no item \"保持原分辨率\""},
        {{200, {}, {}, TClipBoxes{"00", "00", "01", "00", "00", "02"}},
         false,
         10,
         "a clip range applies to a single file only"},
        {{200, {}, {}, TClipBoxes{"00", "00", "01", "00", "00", "20"}},
         true,
         10,
         ClipMessage(TClipCheck::ccStopPastDuration).data()},
        {{200, {}, {}, TClipBoxes{"00", "00", "05", "00", "00", "02"}},
         true,
         10,
         ClipMessage(TClipCheck::ccStopNotAfterStart).data()},
        {{200, {}, {}, TClipBoxes{"00", "00", "01", "00", "00", "02"}},
         true,
         std::nullopt,
         ClipMessage(TClipCheck::ccDurationUnknown).data()},
        {{200, {}, {}, TClipBoxes{"0x", "00", "01", "00", "00", "02"}},
         true,
         10,
         TOptionsWindow::DigitsOnlyMessage},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(FromRequest(c.request, "/in/a.avi", "/out", c.allowClip, c.seconds, &error));
        EXPECT_EQ(error, c.error);
        // The picks alone: only the profile and the lists count.
        const bool picksFine = c.error.rfind("unknown", 0) != 0 && c.error.rfind("the list", 0) != 0;
        std::string checkError;
        EXPECT_EQ(CheckJobRequest(c.request, checkError), picksFine) << c.error;
    }
}

} // namespace
