// Inputs with bytes overwritten in the middle or cut short convert as far as
// they can be read, never hang, and give a complete file that plays; with
// "xerror" a decoding error fails the task instead.
#include "BoundedRun.h"
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"
#include "fixtures/ClipCopy.h"

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

class DamagedInputBase : public SetupTest {
protected:
    // Converts `in` into dir/`output` within a time limit and decodes the result,
    // which must hold both streams without a decoding error.
    TDecodedFile ConvertAndDecode(const std::string& in, const std::string& output,
                                  const TOptionList& options) {
        OpenInput(in);
        const std::string path = dir.File(output);
        OpenOutput(path, options);
        StopFlag control;
        const TBoundedRun run = RunWithin(task, control, 20s);
        EXPECT_TRUE(run.InTime);
        EXPECT_EQ(run.Error, "");
        TDecodedFile out = DecodeWholeFile(path);
        EXPECT_TRUE(out.Opened);
        EXPECT_EQ(out.Frames.size(), 2u);
        EXPECT_EQ(out.Errors, 0);
        return out;
    }
};

class DamagedInput : public DamagedInputBase, public testing::WithParamInterface<DamageCase> {};

TEST_P(DamagedInput, ConvertsWhatCanBeReadIntoAPlayableFile) {
    const DamageCase& c = GetParam();
    const std::string in = Clip(c.File, VideoAndAudioClip(ClipSeconds));
    Spoil(in, c.Kind);
    // As much as a player gets out of the damaged file.
    const TDecodedFile readable = DecodeWholeFile(in);
    ASSERT_TRUE(readable.Opened);
    const TDecodedFile out =
        ConvertAndDecode(in, "out.mkv", {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"ar", "44100"}});
    ASSERT_EQ(out.Frames.size(), 2u);
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

// A recording whose packet times repeat and step back (seen in damaged FLV, MP4,
// MPEG-PS and FLAC files). The muxer refuses such a packet; the writer moves it
// to just after its predecessor, warns once per stream, and the conversion
// goes on to the end of the input, copied or encoded.
struct SteppingBackCase {
    const char* Output;
    TOptionList Options;
};

int VideoStreamOf(const std::string& path) {
    const ReadBackPtr context = ReadBack(path);
    return context ? av_find_best_stream(context.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) : -1;
}

class SteppingBackTimes : public DamagedInputBase, public testing::WithParamInterface<SteppingBackCase> {};

TEST_P(SteppingBackTimes, AreMovedForwardAndTheWholeInputIsConverted) {
    const SteppingBackCase& c = GetParam();
    const std::string in = Clip("in.flv", VideoAndAudioClip(ClipSeconds));
    // A second into the clip, a dozen packets of both streams go back by 0.4 s.
    ASSERT_EQ(StepFlvTimesBack(in, 60, 12, 400), 12);
    const TDecodedFile readable = DecodeWholeFile(in);
    ASSERT_TRUE(readable.Opened);
    ASSERT_EQ(readable.Frames.size(), 2u);

    LogCapture log;
    const std::string path = dir.File(c.Output);
    const TDecodedFile out = ConvertAndDecode(in, c.Output, c.Options);
    ASSERT_EQ(out.Frames.size(), 2u);
    // The pictures of the input reach the output; encoding may drop the ones whose
    // time the output has passed, or repeat pictures over the gap after them.
    const int inVideo = readable.Frames[VideoStreamOf(in)];
    const int outVideo = out.Frames[VideoStreamOf(path)];
    EXPECT_GE(inVideo, ClipFrames - 1);
    EXPECT_NEAR(outVideo, inVideo, 12);
    EXPECT_GT(out.Frames[1 - VideoStreamOf(path)], 0);
    EXPECT_GT(out.DurationSeconds, ClipSeconds - 0.2);
    int warnings = 0;
    for (const LoggedLine& line : log.Lines())
        warnings += line.Level == llWarning && line.Text.find("goes back in time") != std::string::npos;
    EXPECT_GE(warnings, 1);
    EXPECT_LE(warnings, 2); // once per stream at most
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, SteppingBackTimes,
    testing::Values(SteppingBackCase{"copy.avi", {{"vcodec", "copy"}, {"acodec", "copy"}}},
                    SteppingBackCase{"copy.mkv", {{"vcodec", "copy"}, {"acodec", "copy"}}},
                    SteppingBackCase{"encoded.mp4", {{"vcodec", "mpeg4"}, {"acodec", "aac"}}},
                    SteppingBackCase{"encoded.mkv",
                                     {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"ar", "44100"}}}));

// An input whose streams give nothing (here everything lies before the start
// time) ends by itself with an output that holds no packet: that is a failed
// conversion, not a finished one.
class NothingEncoded : public SetupTest {};

TEST_F(NothingEncoded, FailsTheRun) {
    const std::string in = Clip("in.mkv", VideoAndAudioClip(1.0));
    LogCapture log;
    OpenInput(in);
    const std::string path = dir.File("empty.avi");
    OpenOutput(path, {{"vcodec", "mpeg4"}, {"acodec", "mp2"}, {"ss", "30"}});
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, 20s);
    EXPECT_TRUE(run.InTime);
    EXPECT_EQ(run.Error, "Nothing was encoded: the input gave no frame for " + path);
    EXPECT_TRUE(log.Has(llWarning, "Nothing was encoded into output file #0 (" + path + ")"));
}

// A video lost to damage after its first pictures (its packets carry noise):
// the decoder fails on the rest, also while it gives out what it holds at
// the end, and the encoder must still give out the pictures it holds back.
class LostVideo : public DamagedInputBase, public testing::WithParamInterface<const char*> {};

TEST_P(LostVideo, ThePicturesBeforeTheDamageAreWritten) {
    ClipCopyChanges damage;
    damage.IntactVideoPackets = 1;
    CopyClip(Clip("whole.avi", VideoAndAudioClip(ClipSeconds)), dir.File("lost.avi"), damage);
    const TDecodedFile readable = DecodeWholeFile(dir.File("lost.avi"));
    ASSERT_TRUE(readable.Opened);
    ASSERT_GT(readable.Frames[0], 0);

    OpenInput(dir.File("lost.avi"), {{"threads", "2"}});
    const std::string path = dir.File("out.mkv");
    OpenOutput(path, {{"vcodec", GetParam()}, {"acodec", "mp2"}, {"ar", "44100"}});
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, 20s);
    ASSERT_TRUE(run.InTime);
    ASSERT_EQ(run.Error, "");
    const TDecodedFile out = DecodeWholeFile(path);
    ASSERT_EQ(out.Frames.size(), 2u);
    EXPECT_GE(out.Frames[0], 1) << "no picture written";
    EXPECT_GT(out.Frames[1], 0);
}

// libx264 holds pictures back for its look-ahead; mpeg4 gives each at once.
INSTANTIATE_TEST_SUITE_P(Encoders, LostVideo, testing::Values("libx264", "mpeg4"));

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
