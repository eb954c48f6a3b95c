// "vantoro-cli convert --deinterlace auto|on|off": an interlaced clip and its
// progressive twin through a container profile and the DVD profile; the
// outputs are decoded and their combing measured.
#include "CliTest.h"
#include "fixtures/Combing.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;
using Stripes = VideoTrackSpec::Stripes;

class DeinterlaceCliTest : public CliTest {
protected:
    static void SetUpTestSuite() {
        CliTest::SetUpTestSuite();
        // PAL DVD size, so that the DVD profile does not scale the rows.
        MakeClip(Clip("interlaced.mkv"), fixtures::StripesClip(Stripes::Interlaced, 720, 576, 8000000));
        MakeClip(Clip("progressive.mkv"), fixtures::StripesClip(Stripes::Progressive, 720, 576, 8000000));
    }
    CliResult Run(const Args& args) const { return RunCliPrivately(args, dir.Path()); }
};

// Combing stripes of 720x576 differ by about 55 luma steps between
// neighbouring rows; taken apart, by a few.
constexpr double CombedAbove = 20.0;
constexpr double CleanBelow = 8.0;

struct CliCase {
    const char* Name;
    const char* Source;
    Args Options; // after the profile
    bool Combed;
    const char* Note; // in the --verbose log; null: not looked for
};

// Profile 1 (AVI) keeping the source's size and rate, at a high constant quality.
const Args KeepPicture = [] {
    Args args{"--profile", "1"};
    for (const char* pick : {"VS=保持原分辨率", "VR=保持原帧速率", "VB=恒定质量 (高)"})
        args.insert(args.end(), {"--set", pick});
    return args;
}();

Args With(Args args, const Args& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

const CliCase CliCases[] = {
    {"DefaultIsAutoAndTakesFieldsApart", "interlaced.mkv", KeepPicture, false, "Deinterlacing: on"},
    {"AutoLeavesProgressiveAlone", "progressive.mkv", With(KeepPicture, {"--deinterlace", "auto"}), false,
     "Deinterlacing: off"},
    {"OnForcesIt", "interlaced.mkv", With(KeepPicture, {"--deinterlace", "on"}), false, nullptr},
    {"OffKeepsTheCombs", "interlaced.mkv", With(KeepPicture, {"--deinterlace", "off"}), true, nullptr},
    // The disc targets code progressive pictures, so an interlaced source is taken apart there too.
    {"DvdTakesInterlacedFieldsApart", "interlaced.mkv", {"--profile", "19"}, false, "Deinterlacing: on"},
};

class DeinterlaceCli : public DeinterlaceCliTest, public testing::WithParamInterface<CliCase> {};

TEST_P(DeinterlaceCli, CombsOnlyWhenNotTakenApart) {
    const CliCase& c = GetParam();
    Args args{"convert", "--output-dir", (dir.Path() / "out").string(), "--verbose"};
    args.insert(args.end(), c.Options.begin(), c.Options.end());
    args.push_back(Clip(c.Source));
    const CliResult result = Run(args);
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<fs::path> outputs;
    for (const auto& entry : fs::directory_iterator(dir.Path() / "out"))
        outputs.push_back(entry.path());
    ASSERT_EQ(outputs.size(), 1u);
    const fixtures::VideoCombing combing = fixtures::CombingOfFile(outputs[0].string());
    EXPECT_GE(combing.Pictures, 25);
    if (c.Combed) {
        EXPECT_GT(combing.Mean, CombedAbove);
    } else {
        EXPECT_LT(combing.Mean, CleanBelow);
    }
    if (c.Note) {
        EXPECT_NE(result.err.find(c.Note), std::string::npos) << result.err;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DeinterlaceCli, testing::ValuesIn(CliCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(DeinterlaceCliTest, AnUnknownModeIsAUsageError) {
    for (const Args& extra :
         {Args{"--deinterlace", "yes"}, Args{"--deinterlace", ""}, Args{"--deinterlace"}}) {
        Args args{"convert", "--output-dir", (dir.Path() / "out").string(), "--profile", "1"};
        const bool valueLast = extra.size() == 1;
        if (!valueLast)
            args.insert(args.end(), extra.begin(), extra.end());
        args.push_back(Clip("interlaced.mkv"));
        if (valueLast)
            args.insert(args.end(), extra.begin(), extra.end());
        const CliResult result = Run(args);
        SCOPED_TRACE(result.err);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("usage: vantoro-cli"), std::string::npos);
    }
    EXPECT_TRUE(fs::is_empty(dir.Path() / "out"));
}

} // namespace
