// The options window's track choices: the source's audio tracks with the
// default one preselected, the subtitle choices the output's container and
// pictures allow, and the values "确定" writes into the settings and the task.
#include "FakeDialogs.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/SourceFactsOfFile.h"
#include "profiles/BuildOptions.h"
#include "profiles/OptionsWindow.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

constexpr int32_t Mp4Profile = 500;
constexpr int32_t MkvProfile = 509;
constexpr int32_t VobProfile = 510;
constexpr int32_t Mp3Profile = 523;

// Two audio tracks (the second the default one) and, when named, one subtitle track.
ClipSpec TrackClip(const std::string& subtitleCodec) {
    ClipSpec spec = VideoAndAudioClip(0.4);
    AudioTrackSpec chinese;
    chinese.Metadata = {{"language", "chi"}};
    AudioTrackSpec english;
    english.ToneHz = 1000.0;
    english.Channels = 1;
    english.Metadata = {{"language", "eng"}, {"title", "Commentary"}};
    english.Disposition = AV_DISPOSITION_DEFAULT;
    spec.Audio = {chinese, english};
    if (!subtitleCodec.empty()) {
        SubtitleTrackSpec subtitles;
        subtitles.Codec = subtitleCodec;
        subtitles.CuesUs = {{0, 300000}};
        subtitles.Metadata = {{"language", "chi"}};
        spec.Subtitles = {subtitles};
    }
    return spec;
}

struct TrackChoicesTest : testing::Test {
    TempDir dir;
    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window{settings, dialogs};

    TrackChoicesTest() { window.SetOutputFolder(dir.Path().string()); }

    std::string Source(const std::string& subtitleCodec) {
        const std::string path =
            dir.File("tracks-" + (subtitleCodec.empty() ? "none" : subtitleCodec) + ".mkv");
        if (!std::filesystem::exists(path))
            MakeClip(path, TrackClip(subtitleCodec));
        return path;
    }
    void ShowFor(int32_t id, const std::string& source) {
        ResetConversionSettings(settings);
        settings.ProfileId = id;
        settings.SourceFile = source;
        window.Show(SourceFactsOfFile(source));
    }
    const TTrackChoices& Tracks() const { return window.Tracks(); }
};

TEST_F(TrackChoicesTest, ListsTheAudioTracksWithTheSourcesDefaultPreselected) {
    ShowFor(MkvProfile, Source(""));
    const TTrackChoices::TList& audio = Tracks().AudioTracks();
    ASSERT_EQ(audio.Items.size(), 2u);
    EXPECT_EQ(audio.Items[0], "1  chi  vorbis  2声道");
    EXPECT_EQ(audio.Items[1], "2  eng  vorbis  1声道  Commentary  (默认)");
    EXPECT_EQ(audio.ItemIndex, 1);
    EXPECT_TRUE(audio.Enabled);
    // Without subtitle tracks only "不要字幕" is offered.
    EXPECT_EQ(Tracks().SubtitleModes().Items, std::vector<std::string>{"不要字幕"});
    EXPECT_FALSE(Tracks().SubtitleModes().Enabled);

    // The default track is written as 0, so the pick means "the default" on other sources too.
    ASSERT_TRUE(window.Confirm());
    EXPECT_EQ(settings.AudioTrack, 0);
    EXPECT_EQ(settings.Subtitles, SubtitlesNone);

    ShowFor(MkvProfile, Source(""));
    ASSERT_TRUE(window.Tracks().PickAudioTrack(0));
    ASSERT_TRUE(window.Confirm());
    EXPECT_EQ(settings.AudioTrack, 1);
}

struct ModeCase {
    const char* Name;
    int32_t Profile;
    const char* SubtitleCodec;
    std::vector<std::string> Modes;
};

TEST_F(TrackChoicesTest, OffersKeepingOnlyWhereTheContainerHoldsTheTrackAndBurningWithPictures) {
    const ModeCase cases[] = {
        {"text into MKV", MkvProfile, "subrip", {"不要字幕", "保留字幕", "字幕烧录到画面"}},
        {"text into MP4", Mp4Profile, "subrip", {"不要字幕", "保留字幕", "字幕烧录到画面"}},
        {"text into VOB", VobProfile, "subrip", {"不要字幕", "字幕烧录到画面"}},
        {"pictures into MKV", MkvProfile, "dvdsub", {"不要字幕", "保留字幕", "字幕烧录到画面"}},
        {"pictures into VOB", VobProfile, "dvdsub", {"不要字幕", "保留字幕", "字幕烧录到画面"}},
        {"pictures into MP4", Mp4Profile, "dvdsub", {"不要字幕", "字幕烧录到画面"}},
        {"sound only", Mp3Profile, "subrip", {"不要字幕"}},
    };
    for (const ModeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowFor(c.Profile, Source(c.SubtitleCodec));
        EXPECT_EQ(Tracks().SubtitleModes().Items, c.Modes);
        EXPECT_EQ(Tracks().SubtitleModes().ItemIndex, 0);
        ASSERT_EQ(Tracks().SubtitleTracks().Items.size(), 1u);
    }
}

TEST_F(TrackChoicesTest, ConfirmedPicksReachTheTaskAsValues) {
    struct Case {
        const char* Mode;
        const char* OptionLines;
        bool SubtitlesDisabled;
    };
    // A new job deinterlaces on its own; the track picks follow.
    for (const Case& c : {Case{"不要字幕", "deinterlace=auto\natrack=1", true},
                          Case{"保留字幕", "deinterlace=auto\natrack=1\nkeepsub=0", false},
                          Case{"字幕烧录到画面", "deinterlace=auto\natrack=1\nburnsub=0", true}}) {
        SCOPED_TRACE(c.Mode);
        ShowFor(MkvProfile, Source("dvdsub"));
        ASSERT_TRUE(window.Tracks().PickAudioTrack(0));
        const auto& modes = Tracks().SubtitleModes().Items;
        const auto at = std::find(modes.begin(), modes.end(), c.Mode);
        ASSERT_NE(at, modes.end());
        if (at != modes.begin()) {
            ASSERT_TRUE(window.Tracks().PickSubtitleMode(static_cast<int>(at - modes.begin())));
        }
        ASSERT_TRUE(window.Confirm());
        TOutputOptions output;
        BuildOutputOptions(settings, dir.File("out.mkv"), output);
        EXPECT_EQ(output.ExtOptions, c.OptionLines);
        EXPECT_EQ(output.DisableSubtitle, c.SubtitlesDisabled);
    }
}

TEST_F(TrackChoicesTest, SelectingByValueRefusesWhatTheSourceOrContainerLacks) {
    ShowFor(Mp4Profile, Source("dvdsub"));
    TTrackChoices& tracks = window.Tracks();
    EXPECT_TRUE(tracks.SelectAudioTrack(1));
    EXPECT_FALSE(tracks.SelectAudioTrack(3));
    EXPECT_EQ(tracks.AudioTrackValue(), 1);
    EXPECT_FALSE(tracks.SelectSubtitles(SubtitlesKeep, 0)); // MP4 holds no pictures
    EXPECT_FALSE(tracks.SelectSubtitles(SubtitlesBurn, 2)); // no second subtitle track
    EXPECT_TRUE(tracks.SelectSubtitles(SubtitlesBurn, 1));
    EXPECT_EQ(tracks.SubtitleModeValue(), SubtitlesBurn);
    EXPECT_EQ(tracks.SubtitleTrackValue(), 0); // the only track is the default one
}

TEST_F(TrackChoicesTest, AnUnreadableSourceLeavesTheDefaultTrack) {
    ShowFor(MkvProfile, dir.File("missing.mkv"));
    EXPECT_EQ(Tracks().AudioTracks().Items, std::vector<std::string>{"源文件默认音轨"});
    EXPECT_FALSE(Tracks().AudioTracks().Enabled);
    ASSERT_TRUE(window.Confirm());
    EXPECT_EQ(settings.AudioTrack, 0);
    EXPECT_EQ(settings.Subtitles, SubtitlesNone);
}

} // namespace
