// The check of a finished job's output against real files: what it must hold,
// what it holds, and the texts that name what is wrong.
#include "app/OutputFiles.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/ClipCopy.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

namespace {

TEST(OutputCheckTest, TheToleranceIsOneSecondOrTwoPercent) {
    struct Case {
        double measured, expected;
        bool matches;
    };
    const Case cases[] = {
        {3.0, 3.9, true},     {3.0, 4.1, false},    {4.1, 3.0, false}, {98.1, 100.0, true},
        {97.9, 100.0, false}, {102.0, 100.0, true}, {0.0, 0.5, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DurationMatches(c.measured, c.expected), c.matches) << c.measured << " vs " << c.expected;
}

TEST(OutputCheckTest, NamesWhatTheFileLacks) {
    ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
    TempDir dir;
    MakeClip(dir.File("av.mkv"), VideoAndAudioClip(4.0));
    MakeClip(dir.File("a.wav"), AudioOnlyClip(4.0));
    MakeClip(dir.File("v.mkv"), VideoOnlyClip(4.0));
    WriteRandomBytes(dir.File("noise.avi"), 4096);
    // ADTS gives its length from the bit rate only: the check must read the
    // packets to see that half of it is gone.
    ClipSpec adts = AudioOnlyClip(10.0);
    adts.Format = "adts";
    MakeClip(dir.File("cut.aac"), adts);
    TruncateFile(dir.File("cut.aac"), 0.5);
    // Outputs of a source whose video was lost to damage: the AVI keeps its
    // video stream header without a packet, the MP4 muxer leaves the empty
    // track out. Matroska lists no audio in its index: packets must tell.
    ClipCopyChanges noVideo;
    noVideo.DropVideoPackets = true;
    ClipCopyChanges noAudio;
    noAudio.DropAudioPackets = true;
    MakeClip(dir.File("av.avi"), VideoAndAudioClip(4.0));
    CopyClip(dir.File("av.avi"), dir.File("lost-video.avi"), noVideo);
    CopyClip(dir.File("av.avi"), dir.File("lost-video.mp4"), noVideo);
    CopyClip(dir.File("av.mkv"), dir.File("lost-audio.mkv"), noAudio);
    // One picture and a few samples: short, but everything is there.
    MakeClip(dir.File("short.mp4"), VideoAndAudioClip(0.04));

    struct Case {
        const char* file;
        TOutputExpectation expected;
        std::string problem; // empty: passes; else the problem's beginning
        double measured;     // -1: not looked at
    };
    const Case cases[] = {
        {"av.mkv", {true, true, 4.0}, "", 4.0},
        {"av.mkv", {true, true, 4.6}, "", 4.0},
        {"av.mkv", {true, true, -1}, "", 4.0},
        {"av.mkv", {true, true, 10.0}, "输出文件不完整：时长 4.0 秒，应为 10.0 秒", 4.0},
        {"av.mkv", {true, true, 2.0}, "输出文件时长不符：时长 4.0 秒，应为 2.0 秒", 4.0},
        {"a.wav", {false, true, 4.0}, "", 4.0},
        {"a.wav", {true, true, 4.0}, "输出文件缺少视频流", -1},
        {"v.mkv", {true, true, 4.0}, "输出文件缺少音频流", -1},
        {"noise.avi", {false, true, 1.0}, "输出文件无法打开：", -1},
        {"missing.mp4", {false, true, 1.0}, "输出文件无法打开：", -1},
        {"cut.aac", {false, true, 10.0}, "输出文件不完整：时长 5", 5.0},
        {"av.avi", {true, true, 4.0}, "", 4.0},
        {"lost-video.avi", {true, true, 4.0}, "输出文件缺少视频数据", -1},
        {"lost-video.avi", {false, true, 4.0}, "", -1},
        {"lost-video.mp4", {true, true, 4.0}, "输出文件缺少视频", -1},
        {"lost-audio.mkv", {true, true, 4.0}, "输出文件缺少音频数据", -1},
        {"lost-audio.mkv", {true, false, 4.0}, "", 4.0},
        {"short.mp4", {true, true, 0.04}, "", 0.04},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " expecting " + std::to_string(c.expected.Seconds));
        const TOutputCheck check = CheckOutputFile(dir.File(c.file), c.expected);
        EXPECT_EQ(check.Passed, c.problem.empty());
        EXPECT_EQ(check.Problem.substr(0, c.problem.size()), c.problem) << check.Problem;
        EXPECT_EQ(check.ExpectedSeconds, c.expected.Seconds);
        if (c.measured >= 0) {
            EXPECT_NEAR(check.MeasuredSeconds, c.measured, 0.2);
        }
    }
}

// What a job's output must hold is read from its task once the output is set,
// before the run: the streams' kinds are known by then only to their codec
// contexts, so reading them from the streams said "nothing" and the check of
// the kinds never failed.
TEST(OutputCheckTest, TheExpectationNamesTheKindsTheOutputWasGiven) {
    TRAzidiZUV converter;
    ASSERT_TRUE(converter.LoadLibraries()) << converter.LastError();
    TempDir dir;
    MakeClip(dir.File("av.mkv"), VideoAndAudioClip(2.0));
    MakeClip(dir.File("a.wav"), AudioOnlyClip(2.0));
    struct Case {
        const char* source;
        const char* output;
        bool disableVideo;
        bool video, audio;
    };
    const Case cases[] = {
        {"av.mkv", "out.avi", false, true, true},
        {"av.mkv", "out.wav", false, false, true},
        {"av.mkv", "sound.avi", true, false, true},
        // A kind the source lacks is left out of the output.
        {"a.wav", "only-sound.avi", false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.source) + " -> " + c.output);
        TInputOptions input;
        InitInputOptions(input);
        input.FileName = dir.File(c.source);
        const int task = converter.AddTask(input.FileName, input);
        ASSERT_GE(task, 0) << converter.LastError();
        TOutputOptions output;
        InitOutputOptions(output);
        output.FileName = dir.File(c.output);
        output.DisableVideo = c.disableVideo;
        ASSERT_TRUE(converter.SetOutputFile(task, output.FileName, output)) << converter.LastError();
        const TOutputExpectation expected = ExpectationOf(converter, task);
        EXPECT_EQ(expected.Video, c.video);
        EXPECT_EQ(expected.Audio, c.audio);
        EXPECT_NEAR(expected.Seconds, 2.0, 0.1);
    }
}

} // namespace
