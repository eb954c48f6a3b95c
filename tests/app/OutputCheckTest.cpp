// The check of a finished job's output against real files: what it must hold,
// what it holds, and the texts that name what is wrong.
#include "app/OutputCheck.h"
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

} // namespace
