// The options window: its show sequence, video and audio mode, the duration
// read, encoder-picked refills, the clip boxes, the deinterlace box and confirmation.

#include "profiles/OptionsWindow.h"
#include "FakeDialogs.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/SourceFactsOfFile.h"
#include "profiles/BuildOptions.h"
#include "profiles/ConstantQuality.h"

#include <gtest/gtest.h>

namespace {

using enum TChoiceRole;

struct OptionsWindowTest : testing::Test {
    TempDir dir;
    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window{settings, dialogs};

    OptionsWindowTest() { window.SetOutputFolder(dir.Path().string()); }

    // Shows the window for profile `id` and `source`, as an add action does.
    void ShowFor(int32_t id, const std::string& source) {
        ResetConversionSettings(settings);
        settings.ProfileId = id;
        settings.SourceFile = source;
        window.Show(SourceFactsOfFile(source));
    }
    std::string Clip(const std::string& name, double seconds) {
        const std::string path = dir.File(name);
        MakeClip(path, AudioOnlyClip(seconds));
        return path;
    }
};

TEST(OptionsWindowDuration, BoxesShowHoursMinutesSeconds) {
    struct Case {
        int64_t Seconds;
        std::array<std::string, 3> Boxes;
    };
    for (const Case& c :
         {Case{3725, {"01", "02", "05"}}, Case{59, {"00", "00", "59"}}, Case{0, {"00", "00", "00"}},
          Case{360000, {"100", "00", "00"}}, Case{3600, {"01", "00", "00"}}})
        EXPECT_EQ(TOptionsWindow::DurationBoxes(c.Seconds), c.Boxes) << c.Seconds;
}

TEST_F(OptionsWindowTest, ShowFillsTheProfileAndReadsTheDuration) {
    const std::string source = Clip("song.wav", 2.0);
    ShowFor(1, source);
    EXPECT_TRUE(window.Visible());
    EXPECT_EQ(window.SourceText(), source);
    EXPECT_EQ(settings.OutputFile, dir.File("song.avi"));
    EXPECT_EQ(window.SelectedText(crVideoEncoder), "Divx 5 视频压缩器");
    // Filling preselects without picking: the bit rates are not refilled
    // (eight of the profile, then the three constant-quality items).
    EXPECT_EQ(window.List(crVideoBitRate).Items.size(), 8u + ConstantQualityItems.size());
    EXPECT_EQ(window.SelectedText(crVolume), "音量保持不变");
    EXPECT_EQ(window.SourceDuration(), "2");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(window.ClipBox(i), i == 5 ? "02" : "00");

    // A 0.9-second source rounds down to nothing.
    ShowFor(1, Clip("short.wav", 0.9));
    EXPECT_EQ(window.SourceDuration(), "0");
    EXPECT_EQ(window.ClipBox(5), "00");
}

TEST_F(OptionsWindowTest, UnreadableSourceLeavesTheStopBoxesEmptyAndRefusesAClip) {
    ShowFor(1, Clip("song.wav", 2.0));
    ShowFor(1, dir.File("missing.avi"));
    EXPECT_EQ(window.SourceDuration(), "2"); // kept from before
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(window.ClipBox(i), i < 3 ? "00" : "");
    // The lists still fill: the main window reports the file itself.
    EXPECT_EQ(window.SelectedText(crAudioEncoder), "MP3音频编码器");

    window.SetClipPermission(true);
    window.SetClipChecked(true);
    window.SetClipBoxText(5, "01");
    EXPECT_FALSE(window.Confirm());
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Captions[0], "提示");
    EXPECT_EQ(dialogs.Messages[0], ClipMessage(TClipCheck::ccDurationUnknown));
    EXPECT_TRUE(window.Visible());

    // Without a clip the file converts whole, duration or not.
    window.SetClipChecked(false);
    EXPECT_TRUE(window.Confirm());
    EXPECT_EQ(settings.ClipMode, ClipNoSelect);
}

TEST_F(OptionsWindowTest, AudioProfilesDisableTheVideoControls) {
    ShowFor(200, dir.File("a.wav"));
    EXPECT_FALSE(window.VideoControlsEnabled());
    EXPECT_EQ(window.MediaKind(), MediaKindMusic);
    for (const TChoiceRole role : {crVideoEncoder, crVideoBitRate, crFrameSize, crFrameRate, crAspect}) {
        EXPECT_FALSE(window.List(role).Enabled);
        EXPECT_EQ(window.List(role).Items.size(), 1u);
        EXPECT_FALSE(window.Pick(role, 0));
    }
    EXPECT_TRUE(window.List(crAudioEncoder).Enabled);
    EXPECT_TRUE(window.Confirm());
    EXPECT_TRUE(settings.AudioOnly);

    // A video profile switches back and clears what the audio profile left.
    settings.TVStandard = "PAL";
    ShowFor(17, dir.File("a.wav"));
    EXPECT_TRUE(window.VideoControlsEnabled());
    EXPECT_EQ(window.MediaKind(), MediaKindVideo);
    EXPECT_EQ(settings.OutputFormat, "mov");
    EXPECT_EQ(settings.TVStandard, "");
    EXPECT_TRUE(window.Confirm());
    EXPECT_FALSE(settings.AudioOnly);
    ShowFor(16, dir.File("a.wav"));
    EXPECT_EQ(settings.OutputFormat, "");
}

TEST_F(OptionsWindowTest, UnknownProfileFillsNothing) {
    ShowFor(25, dir.File("a.wav"));
    for (const TChoiceRole role : FillOrder)
        EXPECT_TRUE(window.List(role).Items.empty());
    EXPECT_EQ(settings.OutputFile, "");
    EXPECT_EQ(window.SourceText(), dir.File("a.wav"));
}

TEST_F(OptionsWindowTest, EncoderPicksRefillAndRefusedPicksChangeNothing) {
    ShowFor(1, dir.File("a.wav"));
    ASSERT_TRUE(window.PickText(crFrameSize, "640*480"));
    ASSERT_TRUE(window.PickText(crVideoEncoder, "Mjpeg 视频压缩器"));
    EXPECT_EQ(window.List(crVideoBitRate).Items.size(), 15u + ConstantQualityItems.size());
    EXPECT_EQ(window.SelectedText(crVideoBitRate), "3000 kbps(高质量)");
    ASSERT_TRUE(window.PickText(crVideoEncoder, "Divx 视频压缩器"));
    EXPECT_EQ(window.List(crVideoBitRate).Items.size(), 8u + ConstantQualityItems.size());
    EXPECT_EQ(window.SelectedText(crVideoBitRate), "528 kbps(中等质量)");
    EXPECT_EQ(window.SelectedText(crFrameSize), "640*480");

    // Items the profile does not offer.
    EXPECT_FALSE(window.PickText(crVideoEncoder, "RM视频压缩器1"));
    EXPECT_FALSE(window.Pick(crAudioBitRate, 99));
    EXPECT_FALSE(window.Pick(crAudioBitRate, -1));
    EXPECT_EQ(window.SelectedText(crVideoEncoder), "Divx 视频压缩器");
    EXPECT_EQ(window.SelectedText(crAudioBitRate), "128");

    // Profile 100: the four sizes stay when another encoder is picked later.
    ShowFor(100, dir.File("a.wav"));
    ASSERT_TRUE(window.PickText(crVideoEncoder, "Divx 视频压缩器"));
    EXPECT_EQ(window.List(crFrameSize).Items.size(), 4u);
    EXPECT_EQ(window.SelectedText(crFrameSize), "176*144");
    ASSERT_TRUE(window.PickText(crVideoEncoder, "MPEG4 视频压缩器"));
    EXPECT_EQ(window.List(crFrameSize).Items.size(), 4u);
    ASSERT_TRUE(window.PickText(crVideoEncoder, "XviD 视频压缩器2"));
    EXPECT_EQ(window.List(crFrameSize).Items.front().Label, "112*96");
    EXPECT_EQ(window.List(crFrameSize).Items.size(), 11u);

    // A new showing starts from the profile's lists again.
    ShowFor(100, dir.File("a.wav"));
    EXPECT_EQ(window.SelectedText(crFrameSize), "保持原分辨率");
}

TEST_F(OptionsWindowTest, ClipBoxesTakeDigitsOnly) {
    ShowFor(1, Clip("song.wav", 2.0));
    window.SetClipPermission(false);
    window.SetClipChecked(true);
    EXPECT_FALSE(window.ClipChecked()); // several files: no clip
    EXPECT_FALSE(window.ClipBoxesEnabled());
    window.SetClipPermission(true);
    window.SetClipChecked(true);
    EXPECT_TRUE(window.ClipBoxesEnabled());

    window.SetClipBoxText(2, "");
    EXPECT_TRUE(window.TypeClipKey(2, '1'));
    EXPECT_TRUE(window.TypeClipKey(2, '2'));
    EXPECT_TRUE(window.TypeClipKey(2, '3')); // the box is full
    EXPECT_EQ(window.ClipBox(2), "12");
    EXPECT_TRUE(window.TypeClipKey(2, 8));
    EXPECT_TRUE(window.TypeClipKey(2, 13));
    EXPECT_EQ(window.ClipBox(2), "1");
    EXPECT_TRUE(dialogs.Messages.empty());
    for (const char32_t key : {U'a', U':', U' ', U'５'}) {
        EXPECT_FALSE(window.TypeClipKey(2, key));
        EXPECT_EQ(window.ClipBox(2), "1");
    }
    // Pasted text follows the same rule.
    EXPECT_FALSE(window.SetClipBoxText(2, "1a"));
    EXPECT_FALSE(window.SetClipBoxText(2, "-1"));
    EXPECT_EQ(window.ClipBox(2), "1");
    EXPECT_FALSE(window.TypeClipKey(6, '1'));
    ASSERT_EQ(dialogs.Messages.size(), 6u);
    for (size_t i = 0; i < dialogs.Messages.size(); ++i) {
        EXPECT_EQ(dialogs.Messages[i], "对不起，这里只能输入数字！");
        EXPECT_EQ(dialogs.Captions[i], "提示");
    }

    // 00:00:01 to 00:00:02 of a 2-second source.
    EXPECT_TRUE(window.Confirm());
    EXPECT_EQ(settings.ClipStart, 1000);
    EXPECT_EQ(settings.ClipLength, 1000);
    EXPECT_EQ(settings.ClipMode, ClipSelect);
    EXPECT_FALSE(window.Visible());
}

TEST_F(OptionsWindowTest, ClipErrorsKeepTheWindowOpenAndConfirmingTwiceGivesTheSameSettings) {
    ShowFor(19, Clip("movie.wav", 2.0));
    window.SetClipPermission(true);
    window.SetClipChecked(true);
    window.SetClipBoxText(5, "03");
    EXPECT_FALSE(window.Confirm());
    EXPECT_EQ(dialogs.Messages.back(), "截取时间设置错误，不允许停止时间大于时间长度！");
    EXPECT_TRUE(window.Visible());
    const TConversionSettings first = settings;
    EXPECT_EQ(first.OutputFile, dir.File("movie_PAL.mpg"));
    window.SetClipBoxText(5, "");
    EXPECT_FALSE(window.Confirm());
    EXPECT_EQ(window.ClipBox(5), "00");
    EXPECT_EQ(dialogs.Messages.back(), "截取时间设置错误，不允许起始时间大于等于停止时间！");
    EXPECT_EQ(settings.OutputFile, first.OutputFile);
    EXPECT_EQ(settings.Target, "dvd");
    EXPECT_EQ(settings.VideoFilters, first.VideoFilters);
}

TEST_F(OptionsWindowTest, CancelWritesNothingAndPreviewOpensTheSource) {
    ShowFor(500, dir.File("a.wav"));
    window.PickText(crAudioBitRate, "320");
    window.PreviewSource();
    ASSERT_EQ(dialogs.Opened.size(), 1u);
    EXPECT_EQ(dialogs.Opened[0], dir.File("a.wav"));
    window.Cancel();
    EXPECT_FALSE(window.Visible());
    EXPECT_EQ(settings.AudioBitRate, -1);
    EXPECT_EQ(settings.OutputFile, dir.File("a.mp4")); // written by the fill
}

} // namespace

namespace {

// "自动去隔行": ticked for every new job; what the box says reaches the output
// record as the engine's option line, which the job list keeps with the job.
TEST_F(OptionsWindowTest, AutoDeinterlaceIsTickedForNewJobsAndTravelsAsAnOptionLine) {
    enum class Act { Keep, Untick, Always };
    struct Case {
        const char* Name;
        int32_t Profile;
        Act Action;
        TDeinterlace Expected;
        const char* Line; // in the output record's option lines; null: none there
    };
    const Case cases[] = {
        {"video profile as shown", 1, Act::Keep, TDeinterlace::Auto, "deinterlace=auto"},
        {"unticked", 1, Act::Untick, TDeinterlace::Off, nullptr},
        {"always (the command line's on)", 1, Act::Always, TDeinterlace::On, "deinterlace=1"},
        // The disc targets code progressive pictures: an interlaced source is taken apart too.
        {"DVD PAL", 19, Act::Keep, TDeinterlace::Auto, "deinterlace=auto"},
        {"audio profile", 200, Act::Keep, TDeinterlace::Off, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowFor(c.Profile, dir.File("a.wav"));
        EXPECT_TRUE(window.AutoDeinterlaceTicked());
        if (c.Action == Act::Untick)
            window.SetAutoDeinterlaceTicked(false);
        if (c.Action == Act::Always)
            window.SetDeinterlace(TDeinterlace::On);
        ASSERT_TRUE(window.Confirm());
        EXPECT_EQ(settings.Deinterlace, c.Expected);
        TOutputOptions output;
        BuildOutputOptions(settings, dir.File("out"), output);
        const bool hasLine = output.ExtOptions.find("deinterlace") != std::string::npos;
        EXPECT_EQ(hasLine, c.Line != nullptr) << output.ExtOptions;
        if (c.Line) {
            EXPECT_NE(output.ExtOptions.find(c.Line), std::string::npos) << output.ExtOptions;
        }
    }
    // The next job starts ticked again, whatever the last one had.
    window.SetAutoDeinterlaceTicked(false);
    ShowFor(1, dir.File("a.wav"));
    EXPECT_TRUE(window.AutoDeinterlaceTicked());
}

} // namespace
