// Inputs with bytes overwritten in the middle or cut short convert as far as
// they can be read, never hang, and give a complete file that plays; with
// "xerror" a decoding error fails the task instead.
#include "BoundedRun.h"
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"

#include <filesystem>

namespace {

using namespace std::chrono_literals;

constexpr double ClipSeconds = 2.0;
constexpr int ClipFrames = 50;

enum class Damage { Overwritten, Truncated };

struct DamageCase {
    const char* File;
    Damage Kind;
};

void Spoil(const std::string& path, Damage kind) {
    if (kind == Damage::Truncated)
        TruncateFile(path, 0.5);
    else
        OverwriteMiddle(path, static_cast<size_t>(std::filesystem::file_size(path) / 10), 7);
}

class DamagedInput : public SetupTest, public testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedInput, ConvertsWhatCanBeReadIntoAPlayableFile) {
    const DamageCase& c = GetParam();
    const std::string in = Clip(c.File, VideoAndAudioClip(ClipSeconds));
    Spoil(in, c.Kind);
    // As much as a player gets out of the damaged file.
    const TDecodedFile readable = DecodeWholeFile(in);
    ASSERT_TRUE(readable.Opened);
    OpenInput(in);
    const std::string path = dir.File("out.mkv");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"ar", "44100"}});
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, 20s);
    EXPECT_TRUE(run.InTime);
    EXPECT_EQ(run.Error, "");

    const TDecodedFile out = DecodeWholeFile(path);
    ASSERT_TRUE(out.Opened);
    ASSERT_EQ(out.Frames.size(), 2u);
    EXPECT_EQ(out.Errors, 0);
    EXPECT_GE(out.Frames[0], readable.Frames[0] - 2);
    EXPECT_GE(out.Frames[0], 5);
    EXPECT_LE(out.Frames[0], ClipFrames);
    EXPECT_GT(out.Frames[1], 0);
    EXPECT_GT(out.DurationSeconds, (readable.Frames[0] - 3) / 25.0);
    EXPECT_LT(out.DurationSeconds, ClipSeconds + 0.2);
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, DamagedInput,
    testing::Values(DamageCase{"in.avi", Damage::Overwritten}, DamageCase{"in.avi", Damage::Truncated},
                    DamageCase{"in.mkv", Damage::Overwritten}, DamageCase{"in.mkv", Damage::Truncated},
                    DamageCase{"in.ts", Damage::Overwritten}, DamageCase{"in.ts", Damage::Truncated}));

class DecodingErrors : public SetupTest {};

// Garbage in the middle of a Motion JPEG stream: pictures without a JPEG start
// are refused by the decoder (an MPEG-4 decoder would skip them silently).
TEST_F(DecodingErrors, AreLoggedOrWithXerrorFailTheTask) {
    ClipSpec spec = VideoOnlyClip(ClipSeconds);
    spec.Video[0].Codec = "mjpeg";
    const std::string in = Clip("in.avi", spec);
    Spoil(in, Damage::Overwritten);
    const std::string message = "Error while decoding stream #0.0 (Video)";

    {
        LogCapture log;
        OpenInput(in);
        OpenOutput(dir.File("logged.mkv"), {{"vcodec", "mpeg4"}});
        StopFlag control;
        const TBoundedRun run = RunWithin(task, control, 20s);
        EXPECT_TRUE(run.InTime);
        EXPECT_EQ(run.Error, "");
        EXPECT_TRUE(log.Has(llVerbose, message));
    }

    task.ResetEngineState();
    OpenInput(in);
    OpenOutput(dir.File("failed.mkv"), {{"vcodec", "mpeg4"}, {"xerror", ""}});
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, 20s);
    EXPECT_TRUE(run.InTime);
    EXPECT_EQ(run.Error, message);
}

} // namespace
