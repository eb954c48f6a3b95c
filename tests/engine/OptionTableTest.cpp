#include "options/OptionTable.h"
#include "engine/FFmpegException.h"

#include "OptionTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

using Settings = TEngineSettings;

TEST(OptionTable, EveryRowHasAHandlerAndAUniqueName) {
    std::set<std::string_view> names;
    for (const TOptionEntry& entry : OptionTable()) {
        EXPECT_NE(entry.Handler, nullptr) << entry.Name;
        EXPECT_TRUE(names.insert(entry.Name).second) << "duplicate " << entry.Name;
        EXPECT_EQ(FindOption(entry.Name), &entry);
    }
    EXPECT_EQ(FindOption("VCODEC"), nullptr); // exact names only
}

struct AcceptCase {
    const char* Name;
    const char* Value;
    std::function<void(const Settings&)> Check;
};

// Values the table accepts and what they write. Each runs on a fresh task.
const AcceptCase AcceptCases[] = {
    {"f", "avi", [](const Settings& s) { EXPECT_EQ(s.FileFormat, "avi"); }},
    {"f", "", [](const Settings& s) { EXPECT_EQ(s.FileFormat, ""); }},
    {"f", "pgmyuv",
     [](const Settings& s) {
         EXPECT_EQ(s.FileFormat, "image2");
         EXPECT_TRUE(s.PgmYuvInput);
     }},
    {"map", "1.2",
     [](const Settings& s) {
         ASSERT_EQ(s.StreamMaps.size(), 1u);
         EXPECT_EQ(s.StreamMaps[0].FileIndex, 1);
         EXPECT_EQ(s.StreamMaps[0].StreamIndex, 2);
         EXPECT_EQ(s.StreamMaps[0].SyncFileIndex, 1);
         EXPECT_EQ(s.StreamMaps[0].SyncStreamIndex, 2);
     }},
    {"map", "0x1:3:0x2,4",
     [](const Settings& s) {
         ASSERT_EQ(s.StreamMaps.size(), 1u);
         EXPECT_EQ(s.StreamMaps[0].FileIndex, 1);
         EXPECT_EQ(s.StreamMaps[0].StreamIndex, 3);
         EXPECT_EQ(s.StreamMaps[0].SyncFileIndex, 2);
         EXPECT_EQ(s.StreamMaps[0].SyncStreamIndex, 4);
     }},
    {"map_meta_data", "1:0",
     [](const Settings& s) {
         ASSERT_EQ(s.MetaDataMaps.size(), 1u);
         EXPECT_EQ(s.MetaDataMaps[0].OutFile, 1);
         EXPECT_EQ(s.MetaDataMaps[0].InFile, 0);
     }},
    {"t", "00:01:30.5",
     [](const Settings& s) {
         EXPECT_EQ(s.RecordingTime, 90500000);
         EXPECT_EQ(s.ExpectedDuration, 90500000);
     }},
    {"t", "2.5", [](const Settings& s) { EXPECT_EQ(s.RecordingTime, 2500000); }},
    {"fs", "5000000000", [](const Settings& s) { EXPECT_EQ(s.FileSizeLimit, 5000000000LL); }},
    {"ss", "1:00", [](const Settings& s) { EXPECT_EQ(s.StartTime, 60000000); }},
    {"itsoffset", "-0.25", [](const Settings& s) { EXPECT_EQ(s.InputTimestampOffset, -250000); }},
    {"itsscale", "3:1.5", [](const Settings& s) { EXPECT_DOUBLE_EQ(s.InputTimestampScale[3], 1.5); }},
    {"itsscale", "19,2", [](const Settings& s) { EXPECT_DOUBLE_EQ(s.InputTimestampScale[19], 2.0); }},
    {"timestamp", "1970-01-02 00:00:00.6Z",
     [](const Settings& s) { EXPECT_EQ(s.RecordingTimestamp, 86401); }},
    {"metadata", "title=a=b",
     [](const Settings& s) {
         ASSERT_EQ(s.Metadata.size(), 1u);
         EXPECT_EQ(s.Metadata[0].first, "title");
         EXPECT_EQ(s.Metadata[0].second, "a=b");
     }},
    {"vframes", "100", [](const Settings& s) { EXPECT_EQ(s.MaxVideoFrames, 100); }},
    {"aframes", "7", [](const Settings& s) { EXPECT_EQ(s.MaxAudioFrames, 7); }},
    {"dframes", "3", [](const Settings& s) { EXPECT_EQ(s.MaxDataFrames, 3); }},
    {"vn", "", [](const Settings& s) { EXPECT_TRUE(s.VideoDisable); }},
    {"vn", "0", [](const Settings& s) { EXPECT_FALSE(s.VideoDisable); }},
    {"an", "yes", [](const Settings& s) { EXPECT_TRUE(s.AudioDisable); }},
    {"sn", "1", [](const Settings& s) { EXPECT_TRUE(s.SubtitleDisable); }},
    {"dump", "1", [](const Settings& s) { EXPECT_TRUE(s.DoPktDump); }},
    {"hex", "1", [](const Settings& s) { EXPECT_TRUE(s.DoHexDump); }},
    {"re", "1", [](const Settings& s) { EXPECT_TRUE(s.RateEmulation); }},
    {"loop_input", "1", [](const Settings& s) { EXPECT_TRUE(s.LoopInput); }},
    {"shortest", "1", [](const Settings& s) { EXPECT_TRUE(s.OptShortest); }},
    {"intra", "1", [](const Settings& s) { EXPECT_TRUE(s.IntraOnly); }},
    {"sameq", "1", [](const Settings& s) { EXPECT_TRUE(s.SameQuality); }},
    {"deinterlace", "1", [](const Settings& s) { EXPECT_TRUE(s.DoDeinterlace); }},
    {"deinterlace", "auto", [](const Settings& s) { EXPECT_TRUE(s.DeinterlaceAuto && !s.DoDeinterlace); }},
    {"deinterlace", "0", [](const Settings& s) { EXPECT_FALSE(s.DeinterlaceAuto || s.DoDeinterlace); }},
    {"psnr", "1", [](const Settings& s) { EXPECT_TRUE(s.DoPsnr); }},
    {"qphist", "1", [](const Settings& s) { EXPECT_TRUE(s.QpHist); }},
    {"force_fps", "1", [](const Settings& s) { EXPECT_TRUE(s.ForceFps); }},
    {"isync", "1", [](const Settings& s) { EXPECT_TRUE(s.InputSync); }},
    {"copyts", "0", [](const Settings& s) { EXPECT_TRUE(s.CopyTimestamps); }},
    {"xerror", "0", [](const Settings& s) { EXPECT_TRUE(s.ExitOnError); }},
    {"loop_output", "3", [](const Settings& s) { EXPECT_EQ(s.LoopOutput, 3); }},
    {"v", "0", [](const Settings& s) { EXPECT_EQ(s.Verbose, 0); }},
    {"vsync", "2", [](const Settings& s) { EXPECT_EQ(s.VideoSyncMethod, 2); }},
    {"async", "1", [](const Settings& s) { EXPECT_EQ(s.AudioSyncMethod, 1); }},
    {"vglobal", "2", [](const Settings& s) { EXPECT_EQ(s.VideoGlobalHeader, 2); }},
    {"programid", "5", [](const Settings& s) { EXPECT_EQ(s.ProgramId, 5); }},
    {"copyinkf", "1", [](const Settings& s) { EXPECT_EQ(s.CopyInitialNonKeyFrames, 1); }},
    {"vdt", "8", [](const Settings& s) { EXPECT_EQ(s.VideoDiscard, 8); }},
    {"top", "1", [](const Settings& s) { EXPECT_EQ(s.TopFieldFirst, 1); }},
    {"dc", "10", [](const Settings& s) { EXPECT_EQ(s.IntraDcPrecision, 10); }},
    {"me_threshold", "4", [](const Settings& s) { EXPECT_EQ(s.MeThreshold, 4); }},
    {"vol", "512", [](const Settings& s) { EXPECT_EQ(s.AudioVolume, 512); }},
    {"vc", "2", [](const Settings& s) { EXPECT_EQ(s.VideoChannel, 2); }},
    {"adrift_threshold", "0.5", [](const Settings& s) { EXPECT_FLOAT_EQ(s.AudioDriftThreshold, 0.5f); }},
    {"dts_delta_threshold", "2", [](const Settings& s) { EXPECT_FLOAT_EQ(s.DtsDeltaThreshold, 2.0f); }},
    {"aq", "4", [](const Settings& s) { EXPECT_FLOAT_EQ(s.AudioQScale, 4.0f); }},
    {"muxdelay", "0.2", [](const Settings& s) { EXPECT_FLOAT_EQ(s.MuxMaxDelay, 0.2f); }},
    {"muxpreload", "0.3", [](const Settings& s) { EXPECT_FLOAT_EQ(s.MuxPreload, 0.3f); }},
    {"qscale", "255", [](const Settings& s) { EXPECT_FLOAT_EQ(s.VideoQScale, 255.0f); }},
    {"qscale", "0.5", [](const Settings& s) { EXPECT_FLOAT_EQ(s.VideoQScale, 0.5f); }},
    {"ar", "22050", [](const Settings& s) { EXPECT_EQ(s.AudioSampleRate, 22050); }},
    {"ar", "0", [](const Settings& s) { EXPECT_EQ(s.AudioSampleRate, 44100); }},
    {"ac", "-1", [](const Settings& s) { EXPECT_EQ(s.AudioChannels, 2); }},
    {"ac", "6", [](const Settings& s) { EXPECT_EQ(s.AudioChannels, 6); }},
    {"pass", "2", [](const Settings& s) { EXPECT_EQ(s.DoPass, 2); }},
    {"passlogfile", "my log", [](const Settings& s) { EXPECT_EQ(s.PassLogFileName, "my log"); }},
    {"vlang", "chi", [](const Settings& s) { EXPECT_EQ(s.VideoLanguage, "chi"); }},
    {"alang", "eng", [](const Settings& s) { EXPECT_EQ(s.AudioLanguage, "eng"); }},
    {"slang", "fre", [](const Settings& s) { EXPECT_EQ(s.SubtitleLanguage, "fre"); }},
    {"vfilters", "scale=2:2", [](const Settings& s) { EXPECT_EQ(s.VideoFilters, "scale=2:2"); }},
    {"vf", "", [](const Settings& s) { EXPECT_EQ(s.VideoFilters, ""); }},
    {"rc_override", "0,100,2", [](const Settings& s) { EXPECT_EQ(s.VideoRcOverrideString, "0,100,2"); }},
    {"tvstd", "pal", [](const Settings& s) { EXPECT_EQ(s.TvStd, "pal"); }},
    {"vstats_file", "/tmp/v.log", [](const Settings& s) { EXPECT_EQ(s.VStatsFileName, "/tmp/v.log"); }},
    {"vstats", "",
     [](const Settings& s) {
         const std::string& name = s.VStatsFileName;
         ASSERT_GE(name.size(), 17u);
         EXPECT_EQ(name.substr(name.size() - 17, 7), "vstats_");
         EXPECT_EQ(name.substr(name.size() - 4), ".log");
     }},
    {"vcodec", "mpeg4",
     [](const Settings& s) {
         EXPECT_EQ(s.VideoCodecName, "mpeg4");
         EXPECT_FALSE(s.VideoStreamCopy);
     }},
    {"acodec", "copy",
     [](const Settings& s) {
         EXPECT_TRUE(s.AudioStreamCopy);
         EXPECT_EQ(s.AudioCodecName, "");
     }},
    {"scodec", "copy", [](const Settings& s) { EXPECT_TRUE(s.SubtitleStreamCopy); }},
    {"vtag", "XVID", [](const Settings& s) { EXPECT_EQ(s.VideoCodecTag, 0x44495658u); }},
    {"atag", "mp4a", [](const Settings& s) { EXPECT_EQ(s.AudioCodecTag, 0x6134706Du); }},
    {"stag", "abcd", [](const Settings& s) { EXPECT_EQ(s.SubtitleCodecTag, 0x64636261u); }},
    {"r", "30000/1001",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameRate.num, 30000);
         EXPECT_EQ(s.FrameRate.den, 1001);
     }},
    {"r", "pal",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameRate.num, 25);
         EXPECT_EQ(s.FrameRate.den, 1);
     }},
    {"s", "320x240",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameWidth, 320);
         EXPECT_EQ(s.FrameHeight, 240);
     }},
    {"s", "vga",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameWidth, 640);
         EXPECT_EQ(s.FrameHeight, 480);
     }},
    {"s", "720*480",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameWidth, 720);
         EXPECT_EQ(s.FrameHeight, 480);
     }},
    {"s", "hd720",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameWidth, 1280);
         EXPECT_EQ(s.FrameHeight, 720);
     }},
    // An empty choice keeps what the source gives.
    {"s", "",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameWidth, 0);
         EXPECT_EQ(s.FrameHeight, 0);
     }},
    {"r", "",
     [](const Settings& s) {
         EXPECT_EQ(s.FrameRate.num, 0);
         EXPECT_EQ(s.FrameRate.den, 0);
     }},
    {"aspect", "", [](const Settings& s) { EXPECT_FLOAT_EQ(s.FrameAspectRatio, 0.0f); }},
    {"ar", "", [](const Settings& s) { EXPECT_EQ(s.AudioSampleRate, 44100); }},
    {"ac", "", [](const Settings& s) { EXPECT_EQ(s.AudioChannels, 2); }},
    {"aspect", "16:9", [](const Settings& s) { EXPECT_FLOAT_EQ(s.FrameAspectRatio, 1.7777778f); }},
    {"aspect", "1.5", [](const Settings& s) { EXPECT_FLOAT_EQ(s.FrameAspectRatio, 1.5f); }},
    {"pix_fmt", "yuv422p", [](const Settings& s) { EXPECT_EQ(s.FramePixFmt, AV_PIX_FMT_YUV422P); }},
    {"pix_fmt", "list", [](const Settings& s) { EXPECT_EQ(s.FramePixFmt, AV_PIX_FMT_NONE); }},
    {"sample_fmt", "s16", [](const Settings& s) { EXPECT_EQ(s.AudioSampleFmt, AV_SAMPLE_FMT_S16); }},
    {"sample_fmt", "nonsense", [](const Settings& s) { EXPECT_EQ(s.AudioSampleFmt, AV_SAMPLE_FMT_NONE); }},
    {"streamid", "3:256", [](const Settings& s) { EXPECT_EQ(s.StreamIds[3], 256); }},
    {"threads", "4", [](const Settings& s) { EXPECT_EQ(s.CodecThreads, 4); }},
    {"threads", "0", [](const Settings& s) { EXPECT_EQ(s.CodecThreads, 0); }},
    {"threads", "-2", [](const Settings& s) { EXPECT_EQ(s.CodecThreads, 1); }},
    {"vbsf", "h264_mp4toannexb",
     [](const Settings& s) {
         EXPECT_EQ(s.VideoBitstreamFilters, std::vector<std::string>{"h264_mp4toannexb"});
     }},
    {"absf", "aac_adtstoasc=x=1",
     [](const Settings& s) {
         EXPECT_EQ(s.AudioBitstreamFilters, std::vector<std::string>{"aac_adtstoasc"});
     }},
    {"sbsf", "null",
     [](const Settings& s) { EXPECT_EQ(s.SubtitleBitstreamFilters, std::vector<std::string>{"null"}); }},
};

class OptionAccepted : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(OptionAccepted, WritesItsSetting) {
    FakeOptionTarget target;
    LogCapture log; // "list" and notes write to the log
    DispatchOption(target, GetParam().Name, GetParam().Value);
    GetParam().Check(target.settings);
}

INSTANTIATE_TEST_SUITE_P(Table, OptionAccepted, ::testing::ValuesIn(AcceptCases));

struct ErrorCase {
    const char* Name;
    const char* Value;
    const char* Message;
};

const ErrorCase ErrorCases[] = {
    {"threads", "many", "'many' is not a valid integer value"},
    {"padtop", "4", "Please use vfilters=pad"},
    {"padcolor", "000000", "Please use vfilters=pad"},
    {"t", "later", "Invalid duration specification for t: later"},
    {"ss", "", "Invalid duration specification for ss: "},
    {"itsoffset", "x", "Invalid duration specification for itsoffset: x"},
    {"timestamp", "not a date", "Invalid date specification for timestamp: not a date"},
    {"itsscale", "20:1.0", "stream index over MAX_STREAMS(20)"},
    {"itsscale", "-1:1.0", "stream index over MAX_STREAMS(20)"},
    {"metadata", "novalue", "Missing ="},
    {"qscale", "0", "qscale must be > 0.0 and <= 255"},
    {"qscale", "256", "qscale must be > 0.0 and <= 255"},
    {"qscale", "-1", "qscale must be > 0.0 and <= 255"},
    {"pass", "3", "pass number can be only 1 or 2"},
    {"pass", "0", "pass number can be only 1 or 2"},
    {"vtag", "XVI", "video tag parameter must be 4 chars"},
    {"atag", "abcde", "audio tag parameter must be 4 chars"},
    {"stag", "", "subtitle tag parameter must be 4 chars"},
    {"r", "fast", "Incorrect frame rate"},
    {"r", "-25", "Incorrect frame rate"},
    {"s", "huge", "Incorrect frame size"},
    {"s", "0x240", "Incorrect frame size"},
    {"s", "-320x240", "Incorrect frame size"},
    {"s", "320", "Incorrect frame size"},
    {"s", "320* (PSP)", "Incorrect frame size"},
    // A size is the size alone: what a list shows beside it never reaches the engine.
    {"s", "320*240 (PSP所有固件版本适用)", "Incorrect frame size"},
    {"s", "720*480  (标清SD格式)", "Incorrect frame size"},
    {"s", "100000x100000", "Incorrect frame size"},
    {"aspect", "16:0", "Incorrect aspect ratio specification."},
    {"aspect", "0", "Incorrect aspect ratio specification."},
    {"aspect", "wide", "Incorrect aspect ratio specification."},
    {"aspect", "-4:3", "Incorrect aspect ratio specification."},
    {"aspect", "1e300", "Incorrect aspect ratio specification."},
    {"pix_fmt", "yuv999", "Unknown pixel format requested: yuv999"},
    {"streamid", "3", "Invalid value \"3\" for option \"streamid\", required syntax is \"index:value\""},
    {"streamid", ":3", "Invalid value \":3\" for option \"streamid\", required syntax is \"index:value\""},
    {"streamid", "3:", "Invalid value \"3:\" for option \"streamid\", required syntax is \"index:value\""},
    {"streamid", "20:1", "Invalid stream index 20 for option \"streamid\", it must be 0 to 19"},
    {"streamid", "-1:1", "Invalid stream index -1 for option \"streamid\", it must be 0 to 19"},
    {"vbsf", " nosuchfilter ", "Unknown bitstream filter nosuchfilter"},
    {"absf", "nosuch=arg", "Unknown bitstream filter nosuch=arg"},
    {"target", "ntsc-laserdisc", "Unknown target type"},
    {"target", "dvd", "frame_rate is invalid."}, // no rate and no input to guess from
    {"target", "pal-cd", "Unknown target type"},
    {"newvideo", "", "At least one output file must be specified"},
    {"newaudio", "", "At least one output file must be specified"},
    {"newsubtitle", "", "At least one output file must be specified"},
    {"vhook", "/nonexistent/module.so", "Failed to add video hook function: /nonexistent/module.so"},
    {"vpre", "nonexistent", "Preset \"nonexistent\" not found"},
    // numbers that are not numbers
    {"ar", "fast", "'fast' is not a valid integer value"},
    {"vframes", "", "'' is not a valid integer value"},
    {"fs", "1e9", "'1e9' is not a valid integer value"},
    {"v", "99999999999", "'99999999999' is not a valid integer value"},
    {"muxdelay", "soon", "'soon' is not a valid floating point value"},
    {"loglevel", "chatty", "'chatty' is not a valid integer value"},
};

class OptionRefused : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(OptionRefused, RaisesItsMessage) {
    FakeOptionTarget target;
    LogCapture log;
    EXPECT_FFMPEG_ERROR(DispatchOption(target, GetParam().Name, GetParam().Value), GetParam().Message);
}

INSTANTIATE_TEST_SUITE_P(Table, OptionRefused, ::testing::ValuesIn(ErrorCases));

struct LogCase {
    const char* Name;
    const char* Value;
    TLogLevel Level;
    const char* Text;
};

const LogCase LogCases[] = {
    {"L", "", llInfo, "Do nothing: option - L"},
    {"version", "", llInfo, "Do nothing: option - version"},
    {"y", "", llInfo, "Do nothing: option - y"},
    {"benchmark", "1", llInfo, "Do nothing: option - benchmark"},
    {"timelimit", "10", llWarning, "Warning: -timelimit not implemented on Windows"},
    {"f", "pgmyuv", llInfo, "pgmyuv format is deprecated, use image2"},
    {"b", "200", llWarning,
     "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"},
    {"vb", "64", llWarning,
     "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"},
    {"ab", "128", llWarning,
     "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s"},
    {"s", "", llWarning, "Option \"s\" has no value; the source's value is kept"},
    {"r", "", llWarning, "Option \"r\" has no value; the source's value is kept"},
    {"aspect", "", llWarning, "Option \"aspect\" has no value; the source's value is kept"},
    {"pix_fmt", "list", llInfo, "NB_COMPONENTS"},
    {"pix_fmt", "list", llInfo, "yuv420p"},
    {"sample_fmt", "list", llInfo, "s16"},
};

class OptionLogs : public ::testing::TestWithParam<LogCase> {};

TEST_P(OptionLogs, LogsItsNote) {
    FakeOptionTarget target;
    LogCapture log;
    DispatchOption(target, GetParam().Name, GetParam().Value);
    EXPECT_TRUE(log.Has(GetParam().Level, GetParam().Text)) << GetParam().Text;
}

INSTANTIATE_TEST_SUITE_P(Table, OptionLogs, ::testing::ValuesIn(LogCases));

TEST(OptionTableBitRate, AFairRateIsSetWithoutWarning) {
    FakeOptionTarget target;
    LogCapture log;
    DispatchOption(target, "b", "800000");
    DispatchOption(target, "ab", "128000");
    int64_t video = 0;
    int64_t audio = 0;
    av_opt_get_int(target.contexts.CodecContext(AVMEDIA_TYPE_VIDEO), "b", 0, &video);
    av_opt_get_int(target.contexts.CodecContext(AVMEDIA_TYPE_AUDIO), "b", 0, &audio);
    EXPECT_EQ(video, 800000);
    EXPECT_EQ(audio, 128000);
    EXPECT_FALSE(log.HasAny("bitrate parameter is set too low"));
    // A refused value gives no warning either, only the library's complaint.
    DispatchOption(target, "b", "slow");
    EXPECT_FALSE(log.HasAny("bitrate parameter is set too low"));
    EXPECT_TRUE(log.Has(llError, "Invalid value \"slow\" for option \"b\""));
}

TEST(OptionTableCodec, CopyStaysOnWhenACodecFollows) {
    FakeOptionTarget target;
    DispatchOption(target, "vcodec", "copy");
    DispatchOption(target, "vcodec", "mpeg4");
    EXPECT_TRUE(target.settings.VideoStreamCopy);
    EXPECT_EQ(target.settings.VideoCodecName, "mpeg4");
}

TEST(OptionTableCrop, CropShrinksTheFrameOrRaises) {
    struct Case {
        const char* Name;
        const char* Value;
        int Width, Height;   // after
        const char* Message; // nullptr: accepted
    };
    const char* vertical = "Vertical crop dimensions are outside the range of the original image.\n"
                           "Remember to crop first and scale second.";
    const char* horizontal = "Horizontal crop dimensions are outside the range of the original image.\n"
                             "Remember to crop first and scale second.";
    const Case cases[] = {
        {"croptop", "10", 320, 230, nullptr},      {"cropbottom", "239", 320, 1, nullptr},
        {"cropleft", "20", 300, 240, nullptr},     {"cropright", "319", 1, 240, nullptr},
        {"croptop", "0", 320, 240, nullptr},       {"cropleft", "-5", 320, 240, nullptr},
        {"croptop", "240", 320, 240, vertical},    {"cropbottom", "500", 320, 240, vertical},
        {"cropleft", "320", 320, 240, horizontal}, {"cropright", "321", 320, 240, horizontal},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Name) + "=" + c.Value);
        FakeOptionTarget target;
        LogCapture log;
        target.settings.FrameWidth = 320;
        target.settings.FrameHeight = 240;
        if (c.Message) {
            EXPECT_FFMPEG_ERROR(DispatchOption(target, c.Name, c.Value), c.Message);
        } else {
            DispatchOption(target, c.Name, c.Value);
            if (std::atoi(c.Value) > 0) {
                EXPECT_TRUE(log.Has(llWarning, "CropXXX is deprecated in favor of the crop avfilter"));
            }
        }
        EXPECT_EQ(target.settings.FrameWidth, c.Width);
        EXPECT_EQ(target.settings.FrameHeight, c.Height);
    }
    FakeOptionTarget target;
    target.settings.FrameHeight = 240;
    DispatchOption(target, "croptop", "10");
    DispatchOption(target, "cropbottom", "20");
    EXPECT_EQ(target.settings.FrameTopBand, 10);
    EXPECT_EQ(target.settings.FrameBottomBand, 20);
    EXPECT_EQ(target.settings.FrameHeight, 210);
}

std::string Matrix(int count, int value = 16) {
    std::string text;
    for (int i = 0; i < count; ++i) {
        text += (i ? "," : "") + std::to_string(value + i % 3);
    }
    return text;
}

TEST(OptionTableMatrix, SixtyFourCoefficientsOrTheSyntaxError) {
    FakeOptionTarget target;
    DispatchOption(target, "intra_matrix", Matrix(64));
    ASSERT_EQ(target.settings.IntraMatrix.size(), 64u);
    EXPECT_EQ(target.settings.IntraMatrix[0], 16);
    EXPECT_EQ(target.settings.IntraMatrix[63], 16);
    DispatchOption(target, "inter_matrix", Matrix(64) + ",99,junk");
    EXPECT_EQ(target.settings.InterMatrix[1], 17);

    const std::string short63 = Matrix(63);
    EXPECT_FFMPEG_ERROR(DispatchOption(target, "intra_matrix", short63),
                        "Syntax error in matrix \"" + short63 + "\" at coeff 62");
    EXPECT_FFMPEG_ERROR(DispatchOption(target, "inter_matrix", "8"),
                        "Syntax error in matrix \"8\" at coeff 0");
    // Encoders divide by the coefficients: zero and text are refused where they stand.
    const std::string zero = "16,0," + Matrix(62);
    EXPECT_FFMPEG_ERROR(DispatchOption(target, "intra_matrix", zero),
                        "Syntax error in matrix \"" + zero + "\" at coeff 1");
    EXPECT_FFMPEG_ERROR(DispatchOption(target, "intra_matrix", "x"),
                        "Syntax error in matrix \"x\" at coeff 0");
    EXPECT_EQ(target.settings.IntraMatrix[1], 17); // the accepted matrix stays
}

TEST(OptionTableMaps, ListsAreBounded) {
    FakeOptionTarget target;
    for (int i = 0; i < MaxStreamMaps; ++i) {
        DispatchOption(target, "map", "0.0");
    }
    EXPECT_FFMPEG_ERROR(DispatchOption(target, "map", "0.0"), "Too many stream maps (at most 400)");
    EXPECT_EQ(target.settings.StreamMaps.size(), static_cast<size_t>(MaxStreamMaps));
    for (int i = 0; i < MaxMetaDataMaps; ++i) {
        DispatchOption(target, "map_meta_data", "0:0");
    }
    EXPECT_FFMPEG_ERROR(DispatchOption(target, "map_meta_data", "0:0"),
                        "Too many metadata maps (at most 20)");
}

TEST(OptionTableStreams, NewStreamsGoToTheLastOutput) {
    FakeOptionTarget target;
    target.outputs = 1;
    DispatchOption(target, "newaudio", "");
    DispatchOption(target, "newvideo", "x");
    DispatchOption(target, "newsubtitle", "");
    const std::vector<AVMediaType> expected{AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_SUBTITLE};
    EXPECT_EQ(target.addedStreams, expected);
}

TEST(OptionTableLogLevel, NameOrNumberSetsTheLogger) {
    FakeOptionTarget target;
    LogCapture log; // restores the level
    DispatchOption(target, "loglevel", "error");
    EXPECT_EQ(GetLogger().LogLevel(), llError);
    DispatchOption(target, "loglevel", "32");
    EXPECT_EQ(GetLogger().LogLevel(), llInfo);
}

TEST(OptionTableGeneric, UnknownNamesReachTheGenericSetterAndRaiseNothing) {
    FakeOptionTarget target;
    LogCapture log;
    DispatchOption(target, "nosuchoption", "1");
    DispatchOption(target, "g", "12");
    DispatchOption(target, "maxrate", "fast"); // refused: logged, not raised
    int64_t gop = 0;
    av_opt_get_int(target.contexts.CodecContext(AVMEDIA_TYPE_VIDEO), "g", 0, &gop);
    EXPECT_EQ(gop, 12);
    EXPECT_TRUE(log.Has(llError, "Invalid value \"fast\" for option \"maxrate\""));
    EXPECT_FALSE(log.HasAny("nosuchoption"));
}

} // namespace
