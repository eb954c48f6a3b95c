// The mapping of chosen items' values to output settings, its encoder table,
// the disc preset, the clip range, and the records built from the settings.

#include "profiles/SettingsMapping.h"
#include "profiles/BuildOptions.h"
#include "profiles/OutputProfile.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using enum TChoiceRole;

// The choices profile `id` preselects.
TChosenItems Defaults(int32_t id) {
    TChosenItems chosen;
    const auto choices = ChoicesFor(id);
    for (size_t i = 0; i < chosen.Values.size(); ++i)
        chosen.Values[i] = std::string((*choices)[i].Preselected.Value);
    return chosen;
}

// Chooses the item labelled `label` of list `role` of profile `id`.
void Choose(TChosenItems& chosen, int32_t id, TChoiceRole role, std::string_view label) {
    const TChoiceItem* item = FindItemByLabel((*ChoicesFor(id))[RoleIndex(role)].Items, label);
    ASSERT_NE(item, nullptr) << label;
    chosen.Values[RoleIndex(role)] = std::string(item->Value);
}

// Fills the settings as the options window does for profile `id` and `source`, then maps `chosen`.
TConversionSettings Map(int32_t id, const TChosenItems& chosen, const std::string& source = "/in/movie.avi") {
    TConversionSettings settings;
    settings.ProfileId = id;
    settings.SourceFile = source;
    const TOutputProfile* profile = FindProfile(id);
    settings.OutputFile = OutputPathFor("/out", source, profile->OutputExt);
    settings.ProfileExt = profile->ProfileExt;
    settings.OutputFormat = profile->OutputFormat;
    MapChoicesToSettings(
        chosen, {"/out", profile->PendingTarget, profile->AudioOnly ? MediaKindMusic : MediaKindVideo},
        settings);
    return settings;
}

TEST(SettingsMapping, BitRateValues) {
    struct Case {
        std::optional<std::string> Video, Audio;
        int32_t VideoBitRate, AudioBitRate;
        std::string Quality;
    };
    // Profile 500 preselects 1500 kbit/s and 128 kbit/s; a value that is no
    // number, or no selection, leaves the setting as it was (-1).
    for (const Case& c :
         {Case{"128000", "5900", 128000, 5900, ""},
          Case{"-1000", "-1000", TConversionSettings::NotSetBitRate, TConversionSettings::NotSetBitRate, ""},
          Case{"quality/1", "320000", TConversionSettings::NotSetBitRate, 320000, "crf=23"},
          Case{"kbps", "7.95", -1, -1, ""}, Case{std::nullopt, std::nullopt, -1, -1, ""}}) {
        SCOPED_TRACE(c.Video.value_or("none"));
        TChosenItems chosen = Defaults(500);
        chosen.Values[RoleIndex(crVideoBitRate)] = c.Video;
        chosen.Values[RoleIndex(crAudioBitRate)] = c.Audio;
        const TConversionSettings s = Map(500, chosen);
        EXPECT_EQ(s.VideoBitRate, c.VideoBitRate);
        EXPECT_EQ(s.AudioBitRate, c.AudioBitRate);
        EXPECT_EQ(s.VideoQuality, c.Quality);
    }
}

TEST(SettingsMapping, EveryVideoEncoderRowWritesItsFields) {
    for (const TVideoEncoderRow& row : VideoEncoderRows()) {
        SCOPED_TRACE(std::string(row.Key));
        TChosenItems chosen = Defaults(500);
        chosen.Values[RoleIndex(crVideoEncoder)] = std::string(row.Key);
        const TConversionSettings s = Map(500, chosen);
        if (row.DiscTarget.empty()) {
            EXPECT_EQ(s.VideoCodec, row.Codec);
            EXPECT_EQ(s.VideoTag, row.Tag);
            EXPECT_EQ(s.OutputFormat, row.Format);
            EXPECT_EQ(s.FrameSize, "1280*720");
        } else {
            // Profile 500 has no pending target, which clears the preset's target again.
            EXPECT_EQ(s.Target, "");
            EXPECT_EQ(s.TVStandard, row.DiscStandard);
            EXPECT_EQ(s.VideoCodec, "");
            EXPECT_EQ(s.FrameSize, "");
            EXPECT_EQ(s.OutputFile, "/out/movie" + std::string(row.DiscSuffix));
        }
    }
}

TEST(SettingsMapping, EveryAudioEncoderAndVolumeItemWritesItsValue) {
    for (const int32_t id : {200, 201, 202, 206, 209, 500, 502, 505, 15}) {
        const auto choices = ChoicesFor(id);
        for (const TChoiceRole role : {crAudioEncoder, crVolume}) {
            for (const TChoiceItem& item : (*choices)[RoleIndex(role)].Items) {
                SCOPED_TRACE(std::to_string(id) + " " + std::string(item.Label));
                TChosenItems chosen = Defaults(id);
                chosen.Values[RoleIndex(role)] = std::string(item.Value);
                const TConversionSettings s = Map(id, chosen);
                EXPECT_EQ(role == crAudioEncoder ? s.AudioCodec : s.Volume, item.Value);
            }
        }
    }
    TChosenItems chosen = Defaults(1);
    Choose(chosen, 1, crVolume, "音量增加1倍");
    EXPECT_EQ(Map(1, chosen).Volume, "512");
    Choose(chosen, 1, crVolume, "无声音");
    EXPECT_EQ(Map(1, chosen).Volume, "0");
}

TEST(SettingsMapping, ListsWithoutASelectionLeaveTheirFieldsAlone) {
    TChosenItems chosen = Defaults(500);
    for (const TChoiceRole role : {crAudioEncoder, crVolume, crChannels, crAspect})
        chosen.Values[RoleIndex(role)].reset();
    chosen.Values[RoleIndex(crVideoEncoder)] = "no such row";
    TConversionSettings s = Map(500, chosen);
    EXPECT_EQ(s.VideoCodec, "");
    EXPECT_EQ(s.AudioCodec, "");
    EXPECT_EQ(s.Volume, "256");
    EXPECT_EQ(s.AudioChannels, "");
    EXPECT_EQ(s.AspectRatio, "");
}

TEST(SettingsMapping, ProfileDefaultsAndFilters) {
    TChosenItems chosen = Defaults(1);
    TConversionSettings s = Map(1, chosen);
    EXPECT_EQ(s.AudioChannels, "2");
    EXPECT_EQ(s.AudioSampleRate, "44100");
    EXPECT_EQ(s.AudioBitRate, 128000);
    EXPECT_EQ(s.VideoBitRate, 528000);
    EXPECT_EQ(s.FrameSize, "320*240");
    EXPECT_EQ(s.FrameRate, "25.00");
    EXPECT_EQ(s.AspectRatio, "4:3");
    EXPECT_EQ(s.VideoCodec, "mpeg4");
    EXPECT_EQ(s.VideoTag, "DX50");
    EXPECT_EQ(s.AudioCodec, "libmp3lame");
    EXPECT_EQ(s.VideoFilters, "");
    EXPECT_FALSE(s.AudioOnly);

    struct Case {
        bool H, V, N;
        std::string Expected;
    };
    for (const Case& c : {Case{true, true, true, "hflip,vflip,negate"}, Case{false, true, false, "vflip"},
                          Case{true, false, true, "hflip,negate"}}) {
        chosen.HorizontalFlip = c.H;
        chosen.VerticalFlip = c.V;
        chosen.Negative = c.N;
        EXPECT_EQ(Map(1, chosen).VideoFilters, c.Expected);
    }

    // A size item gives the size without its note; keep-the-source texts clear.
    EXPECT_EQ(Map(4, Defaults(4)).FrameSize, "320*240");
    const TConversionSettings keep = Map(101, Defaults(101));
    EXPECT_EQ(keep.FrameSize, "");
    EXPECT_EQ(keep.FrameRate, "");
    EXPECT_EQ(keep.AspectRatio, "16:9");

    const TConversionSettings rm = Map(15, Defaults(15));
    EXPECT_EQ(rm.AudioCodec, AutoSetting);
    EXPECT_EQ(rm.AudioSampleRate, AutoSetting);
    EXPECT_EQ(rm.AudioBitRate, TConversionSettings::NotSetBitRate);

    const TConversionSettings amr = Map(209, Defaults(209));
    EXPECT_TRUE(amr.AudioOnly);
    EXPECT_EQ(amr.AudioChannels, "1");
    EXPECT_EQ(amr.AudioBitRate, 7400);
    EXPECT_EQ(amr.FrameSize, "");
    EXPECT_EQ(amr.AspectRatio, "");
    EXPECT_EQ(amr.VideoBitRate, TConversionSettings::NotSetBitRate);
}

TEST(SettingsMapping, DiscPresetRenamesAndLeavesTheRestToTheTarget) {
    const TConversionSettings s = Map(19, Defaults(19));
    EXPECT_EQ(s.OutputFile, "/out/movie_PAL.mpg");
    EXPECT_EQ(s.Target, "dvd");
    EXPECT_EQ(s.TVStandard, "PAL");
    EXPECT_EQ(s.VideoBitRate, TConversionSettings::NotSetBitRate);
    EXPECT_EQ(s.AudioBitRate, TConversionSettings::NotSetBitRate);
    EXPECT_EQ(s.FrameSize, "");
    EXPECT_EQ(s.AudioChannels, "");
    EXPECT_EQ(s.AudioSampleRate, "");
    // The audio list's choice still applies.
    EXPECT_EQ(s.AudioCodec, "libmp3lame");

    TChosenItems ntsc = Defaults(21);
    Choose(ntsc, 21, crVideoEncoder, "NTSC_VCD视频压缩器");
    const TConversionSettings vcd = Map(21, ntsc, "/in/clip.final.rmvb");
    EXPECT_EQ(vcd.OutputFile, "/out/clip.final_NTSC.mpg");
    EXPECT_EQ(vcd.Target, "vcd");
    EXPECT_EQ(vcd.TVStandard, "NTSC");

    // A second confirmation names the same file.
    TConversionSettings twice = s;
    MapChoicesToSettings(Defaults(19), {"/out", "dvd", MediaKindVideo}, twice);
    EXPECT_EQ(twice.OutputFile, s.OutputFile);
}

TEST(SettingsMapping, ClipRange) {
    struct Case {
        bool Ticked;
        TClipBoxes Boxes;
        std::optional<int64_t> Seconds;
        TClipCheck Expected;
        int64_t Start, Length;
    };
    const Case cases[] = {
        {true, {"00", "00", "10", "00", "01", "00"}, 120, TClipCheck::ccAccepted, 10000, 50000},
        {true, {"00", "00", "00", "00", "02", "00"}, 120, TClipCheck::ccAccepted, 0, 120000},
        {true, {"00", "00", "00", "00", "02", "01"}, 120, TClipCheck::ccStopPastDuration, -1, -1},
        {true, {"00", "01", "00", "00", "01", "00"}, 120, TClipCheck::ccStopNotAfterStart, -1, -1},
        {true, {"00", "90", "00", "02", "00", "00"}, 7200, TClipCheck::ccAccepted, 5400000, 1800000},
        {true, {"", "", "", "", "", ""}, 120, TClipCheck::ccStopNotAfterStart, -1, -1},
        {true, {"00", "00", "00", "00", "00", "01"}, std::nullopt, TClipCheck::ccDurationUnknown, -1, -1},
        {false, {"99", "", "", "", "", ""}, std::nullopt, TClipCheck::ccAccepted, 0, -1},
    };
    for (const Case& c : cases) {
        TConversionSettings s;
        TClipBoxes boxes = c.Boxes;
        EXPECT_EQ(ApplyClipRange(c.Ticked, boxes, c.Seconds, s), c.Expected);
        EXPECT_EQ(s.ClipStart, c.Start);
        EXPECT_EQ(s.ClipLength, c.Length);
        if (c.Expected == TClipCheck::ccAccepted) {
            EXPECT_EQ(s.ClipMode, c.Ticked ? ClipSelect : ClipNoSelect);
        }
        if (c.Ticked) {
            for (const std::string& box : boxes)
                EXPECT_FALSE(box.empty()); // empty boxes visibly become "00"
        }
    }
    EXPECT_EQ(ClipMessage(TClipCheck::ccStopPastDuration), "截取时间设置错误，不允许停止时间大于时间长度！");
    EXPECT_EQ(ClipMessage(TClipCheck::ccStopNotAfterStart),
              "截取时间设置错误，不允许起始时间大于等于停止时间！");
    EXPECT_EQ(ClipMessage(TClipCheck::ccAccepted), "");
}

TEST(BuildOptions, MpegFourTagsOnlyInAvi) {
    struct Case {
        int32_t Profile;
        std::string Encoder;
        std::string Codec, Tag;
    };
    for (const Case& c :
         {Case{1, "XviD 视频压缩器1", "mpeg4", "XVID"}, Case{16, "XviD 视频压缩器1", "mpeg4", ""},
          Case{1, "Divx 5 视频压缩器", "mpeg4", "DX50"}, Case{500, "Divx 5 视频压缩器", "mpeg4", ""},
          Case{1, "Divx 视频压缩器", "msmpeg4", ""}, Case{4, "XviD 视频压缩器1", "mpeg4", ""}}) {
        TChosenItems chosen = Defaults(c.Profile);
        Choose(chosen, c.Profile, crVideoEncoder, c.Encoder);
        const TConversionSettings s = Map(c.Profile, chosen);
        TInputOptions in;
        TOutputOptions out;
        BuildOptions(s, s.SourceFile, s.OutputFile, in, out);
        EXPECT_EQ(out.VideoCodec, c.Codec) << c.Profile << c.Encoder;
        EXPECT_EQ(out.VideoTag, c.Tag) << c.Profile << c.Encoder;
        EXPECT_EQ(out.VideoPreset, "");
    }
}

TEST(BuildOptions, SettingsBecomeRecordFields) {
    TConversionSettings s = Map(19, Defaults(19), "/in/VIDEO.DAT");
    s.Volume = "512";
    s.ClipMode = ClipSelect;
    s.ClipStart = 10000;
    s.ClipLength = 50000;
    TInputOptions in;
    TOutputOptions out;
    BuildOptions(s, s.SourceFile, "/out/x.mpg", in, out);
    EXPECT_EQ(in.FileName, "/in/VIDEO.DAT");
    EXPECT_EQ(in.FileFormat, "mpeg");
    EXPECT_EQ(in.StartTime, 10000000);
    EXPECT_EQ(out.FileName, "/out/x.mpg");
    EXPECT_EQ(out.Duration, 50000000);
    EXPECT_EQ(out.TargetType, 3);
    EXPECT_EQ(out.NormType, 1);
    EXPECT_EQ(out.AudioVolume, 512);
    EXPECT_EQ(out.VideoBitrate, -1); // not set: the record keeps its default
    EXPECT_EQ(out.AudioBitrate, -1);
    EXPECT_EQ(out.FrameSize, "");
    EXPECT_EQ(out.AudioCodec, "libmp3lame");

    TConversionSettings h264 = Map(500, Defaults(500));
    h264.ClipMode = ClipNoSelect;
    h264.ClipStart = 0;
    BuildOptions(h264, h264.SourceFile, h264.OutputFile, in, out);
    EXPECT_EQ(in.FileFormat, "");
    EXPECT_EQ(in.StartTime, NoTime);
    EXPECT_EQ(out.Duration, NoTime);
    EXPECT_EQ(out.VideoCodec, "libx264");
    EXPECT_EQ(out.VideoPreset, "libx264-default");
    EXPECT_EQ(out.VideoBitrate, 1500000);
    EXPECT_EQ(out.AudioBitrate, 128000);
    EXPECT_EQ(out.AudioChannels, 2);
    EXPECT_EQ(out.AudioSampleRate, 44100);
    EXPECT_EQ(out.FrameSize, "1280*720");
    EXPECT_EQ(out.FrameRate, "25");
    EXPECT_EQ(out.FrameAspectRatio, "4:3");
    EXPECT_EQ(out.TargetType, 0);
    EXPECT_EQ(out.AudioVolume, -1);
    EXPECT_FALSE(out.DisableVideo);

    const TConversionSettings rm = Map(15, Defaults(15));
    BuildOptions(rm, rm.SourceFile, rm.OutputFile, in, out);
    EXPECT_EQ(out.AudioCodec, "");
    EXPECT_EQ(out.AudioSampleRate, -1);

    TConversionSettings audio = Map(200, Defaults(200));
    audio.AudioChannels = "two"; // a damaged setting is ignored, not read as a number
    BuildOptions(audio, audio.SourceFile, audio.OutputFile, in, out);
    EXPECT_TRUE(out.DisableVideo);
    EXPECT_EQ(out.AudioChannels, -1);
    EXPECT_EQ(out.VideoCodec, "");
}

} // namespace
