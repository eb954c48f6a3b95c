// The pieces of the information text, cut by character positions.
#include "app/MediaReport.h"
#include "fixtures/ClipCopy.h"
#include "fixtures/FixtureMaker.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

namespace {

// The probe's layout: labelled lines joined by CR LF, the streams last.
std::string InfoText(const std::string& fileName, const std::string& duration, const std::string& bitRate,
                     bool video, bool audio) {
    std::string t = "File Name: " + fileName + "\r\n";
    t += "File Size: 1.50 MB\r\n";
    t += "Duration: " + duration + "\r\n";
    t += "StartTime: 0.000000\r\n";
    t += "Bit Rate: " + bitRate + "\r\n";
    if (video)
        t += "Stream #0.0, 1/25: Video: mpeg4, yuv420p, 64x48, 25.00 fps, StartTime: 0.000000, Duration: "
             "00:00:01.000\r\n";
    if (audio)
        t += "Stream #0.1, 1/44100: Audio: mp3, 44100 Hz, stereo, StartTime: 0.000000, Duration: "
             "00:00:01.000\r\n";
    return t;
}

} // namespace

TEST(MediaReportTest, PiecesOfTheInformationText) {
    const std::string text = InfoText("/v/视频 文件.avi", "00:01:23.456", "1500 kb/s", true, true);
    EXPECT_EQ(FileSizePiece(text), " 1.50 MB\r\n");
    EXPECT_EQ(DurationPiece(text), " 00:01:23");
    EXPECT_EQ(BitRatePiece(text), " 1500 kb/s");
    EXPECT_EQ(StreamPiece(text, "Video:"), "Video: mpeg4, yuv420p, 64x48, 25.00 fps");
    EXPECT_EQ(StreamPiece(text, "Audio:"), "Audio: mp3, 44100 Hz, stereo");
    EXPECT_EQ(ShownStreamText(StreamPiece(text, "Video:")), "Video: mpeg4, yuv420p, 64x48, 25.00 fps");
}

TEST(MediaReportTest, EdgesOfThePieces) {
    EXPECT_EQ(BitRatePiece(InfoText("a", "00:00:01.000", "12345 kb/s", true, true)), " 12345 kb/");
    EXPECT_EQ(DurationPiece(InfoText("a", "N/A", "1 kb/s", true, true)), "");

    // Audio only: the video piece starts at the beginning of the text.
    const std::string audioOnly = InfoText("a.mp3", "00:00:01.000", "128 kb/s", false, true);
    EXPECT_EQ(ShownStreamText(StreamPiece(audioOnly, "Video:")), "无");
    EXPECT_EQ(StreamPiece(audioOnly, "Audio:"), "Audio: mp3, 44100 Hz, stereo");

    // Without its own StartTime line the duration runs to six characters
    // before the first stream's start-time field.
    std::string noStart = InfoText("a", "00:00:01.000", "1 kb/s", true, false);
    noStart.erase(noStart.find("StartTime: 0.000000\r\n"), 21);
    const std::string d = DurationPiece(noStart);
    EXPECT_EQ(d.rfind(" 00:00:01.000\r\nBit Rate:", 0), 0u) << d;

    EXPECT_EQ(ChannelsText("1"), "单声道");
    EXPECT_EQ(ChannelsText("2"), "立体声");
    EXPECT_EQ(ChannelsText("6"), "");

    EXPECT_EQ(RotationText("90"), "顺时针90°");
    EXPECT_EQ(RotationText("270"), "顺时针270°");
    EXPECT_EQ(RotationText("0"), "无");
    EXPECT_EQ(RotationText("-1"), "无"); // no video
}

TEST(MediaReportTest, AReportOfARealFile) {
    ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
    TempDir dir;
    const std::string name = dir.File("片段.avi");
    MakeClip(name, VideoAndAudioClip(1.0));
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(name));
    const TMediaReport r = MakeMediaReport(probe);
    EXPECT_EQ(r.FileName, name);
    EXPECT_EQ(r.FormatName, "avi");
    EXPECT_EQ(r.Width + "*" + r.Height, "64*48");
    EXPECT_EQ(r.FrameRateText, "25.00");
    EXPECT_EQ(r.SampleRate, "44100");
    EXPECT_EQ(r.Channels, "2");
    EXPECT_EQ(r.VideoStreamText.rfind("Video: mpeg4", 0), 0u) << r.VideoStreamText;
    EXPECT_EQ(r.AudioStreamText.rfind("Audio: mp3", 0), 0u) << r.AudioStreamText;
    EXPECT_EQ(r.DurationText, " 00:00:01");
    EXPECT_EQ(r.Rotation, "0");

    // After a failing open the texts are empty and the values "not set".
    EXPECT_FALSE(probe.Open(dir.File("missing.avi")));
    const TMediaReport none = MakeMediaReport(probe);
    EXPECT_EQ(none.InfoText, "");
    EXPECT_EQ(none.Width, "-1");
    EXPECT_EQ(none.AudioKbps, "0");
    EXPECT_EQ(none.Rotation, "-1");
}

TEST(MediaReportTest, APhoneClipHeldUprightNamesItsTurn) {
    ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
    TempDir dir;
    const std::string name = dir.File("手机.mp4");
    MakeRotatedClip(name, VideoAndAudioClip(0.2), 90);
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(name));
    const TMediaReport r = MakeMediaReport(probe);
    EXPECT_EQ(r.Rotation, "90");
    EXPECT_EQ(RotationText(r.Rotation), "顺时针90°");
    // The stream's description still ends before its start time.
    EXPECT_EQ(r.VideoStreamText.rfind("Video: h264", 0), 0u) << r.VideoStreamText;
    EXPECT_EQ(r.VideoStreamText.find("StartTime"), std::string::npos) << r.VideoStreamText;
    EXPECT_NE(r.InfoText.find("Rotation: 90 degrees clockwise"), std::string::npos) << r.InfoText;
}
