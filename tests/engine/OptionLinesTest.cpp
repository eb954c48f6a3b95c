#include "options/OptionLines.h"
#include "engine/FFmpegException.h"

#include "OptionTestSupport.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* Text;
    std::vector<std::string> Lines;
};

class SplitOptionTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitOptionTextTest, SplitsAtEveryKindOfLineBreak) {
    EXPECT_EQ(SplitOptionText(GetParam().Text), GetParam().Lines);
}

INSTANTIATE_TEST_SUITE_P(
    LineBreaks, SplitOptionTextTest,
    ::testing::Values(SplitCase{"a=1\r\nb=2", {"a=1", "b=2"}}, SplitCase{"a=1\rb=2", {"a=1", "b=2"}},
                      SplitCase{"a=1\nb=2", {"a=1", "b=2"}}, SplitCase{"a=1<CRLF>b=2", {"a=1", "b=2"}},
                      SplitCase{"a=1<CRLF>b=2\r\nc=3\rd=4\ne=5", {"a=1", "b=2", "c=3", "d=4", "e=5"}},
                      // only the whole text is trimmed
                      SplitCase{"  \r\n a=1 \n b = 2 \r\n ", {"a=1 ", " b = 2"}},
                      SplitCase{"a=1\n\nb=2", {"a=1", "", "b=2"}}, SplitCase{"", {}},
                      SplitCase{" \r\n\t", {}},
                      // a CR LF pair is one break, LF CR two
                      SplitCase{"a\n\rb", {"a", "", "b"}}, SplitCase{"a<CRLF", {"a<CRLF"}}));

TEST(ParseOptionLines, NameIsLowerCasedAndSplitAtTheFirstEquals) {
    const auto lines = ParseOptionLines("VCodec=MPEG4\nmetadata=title=a=b\nnovalue\nempty=", olmInput);
    const std::vector<TOptionLine> expected{
        {"vcodec", "MPEG4"}, {"metadata", "title=a=b"}, {"novalue", ""}, {"empty", ""}};
    EXPECT_EQ(lines, expected);
}

TEST(ParseOptionLines, SkipsTheNamesOfEachMode) {
    struct Case {
        const char* Name;
        bool SkippedInInput;
        bool SkippedInOutput;
    };
    const Case cases[] = {
        {"newvideo", true, true},  {"newaudio", true, true}, {"newsubtitle", true, true},
        {"apre", true, true},      {"vpre", true, true},     {"spre", true, true},
        {"vfilters", true, true},  {"vf", true, true},       {"acodec", false, true},
        {"vcodec", false, true},   {"scodec", false, true},  {"s", false, true},
        {"fpre", false, false},    {"ab", false, false},     {"r", false, false},
        {"vcodec ", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(IsSkippedOptionName(c.Name, olmInput), c.SkippedInInput);
        EXPECT_EQ(IsSkippedOptionName(c.Name, olmOutput), c.SkippedInOutput);
        const std::string line = std::string(c.Name) + "=x";
        EXPECT_EQ(ParseOptionLines(line, olmInput).empty(), c.SkippedInInput);
        EXPECT_EQ(ParseOptionLines(line, olmOutput).empty(), c.SkippedInOutput);
    }
}

TEST(ApplyOptionLines, CrlfTextInOneLineDispatchesEachOption) {
    FakeOptionTarget target;
    ApplyOptionLines(target, "vn=<CRLF>an=0<CRLF>sn=1<CRLF>vcodec=mpeg4", olmInput);
    EXPECT_TRUE(target.settings.VideoDisable);
    EXPECT_FALSE(target.settings.AudioDisable);
    EXPECT_TRUE(target.settings.SubtitleDisable);
    EXPECT_EQ(target.settings.VideoCodecName, "mpeg4");
}

TEST(ApplyOptionLines, OutputModeLeavesTheComponentsNamesAlone) {
    FakeOptionTarget target;
    ApplyOptionLines(target, "vcodec=mpeg4\r\ns=320x240\r\nnewvideo=\r\nar=22050", olmOutput);
    EXPECT_EQ(target.settings.VideoCodecName, "");
    EXPECT_EQ(target.settings.FrameWidth, 0);
    EXPECT_TRUE(target.addedStreams.empty());
    EXPECT_EQ(target.settings.AudioSampleRate, 22050);
}

TEST(ApplyOptionLines, NamesAreNotTrimmedSoABlankMissesTheTable) {
    FakeOptionTarget target;
    ApplyOptionLines(target, "vcodec =mpeg4\nar= 22050", olmInput);
    EXPECT_EQ(target.settings.VideoCodecName, ""); // reached the generic setter, which knows no "vcodec "
    EXPECT_EQ(target.contexts.Options().size(), 0u);
}

TEST(ApplyOptionLines, AnErrorStopsTheLinesButKeepsWhatWasWritten) {
    FakeOptionTarget target;
    EXPECT_FFMPEG_ERROR(ApplyOptionLines(target, "ar=22050\npadtop=2\nac=1", olmInput),
                        "Please use vfilters=pad");
    EXPECT_EQ(target.settings.AudioSampleRate, 22050);
    EXPECT_EQ(target.settings.AudioChannels, 2);
}

} // namespace
