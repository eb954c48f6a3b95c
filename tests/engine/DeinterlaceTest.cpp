// Deinterlacing: the moving stripes of an interlaced clip comb in the output
// unless the deinterlacer takes the fields apart; "auto" looks at the source
// first and must neither lose what it read nor touch a progressive source.
#include "DecodedOutput.h"
#include "OptionTestSupport.h"
#include "SetupTestSupport.h"
#include "fixtures/Combing.h"
#include "setup/InterlaceDetection.h"

#include <vector>

namespace {

using Stripes = VideoTrackSpec::Stripes;

struct TOutputLook {
    double Combing = 0.0; // mean over the pictures
    int Pictures = 0;
    std::vector<int> Frames; // per stream
};

TOutputLook LookAt(const std::string& path) {
    TOutputLook look;
    double sum = 0.0;
    const TDecodedFile decoded = DecodeWholeFile(path, [&](int, const AVFrame& frame) {
        if (frame.width > 0) {
            sum += fixtures::CombingOf(frame);
            ++look.Pictures;
        }
    });
    look.Frames = decoded.Frames;
    look.Combing = look.Pictures ? sum / look.Pictures : 0.0;
    return look;
}

class DeinterlaceRun : public SetupTest {
protected:
    TOutputLook Convert(Stripes source, const TOptionList& output) {
        OpenInput(Clip(source == Stripes::Interlaced ? "interlaced.mkv" : "progressive.mkv",
                       fixtures::StripesClip(source, 160, 128, 6000000)));
        const std::string path = dir.File("out.mkv");
        OpenOutput(path, output);
        RunToEnd();
        return LookAt(path);
    }
};

// Stripes that comb in every picture differ by about 55 luma steps between
// neighbouring rows; taken apart, by a few.
constexpr double CombedAbove = 20.0;
constexpr double CleanBelow = 8.0;

struct DeinterlaceCase {
    const char* Name;
    Stripes Source;
    TOptionList Output;
    bool Combed;
    const char* Note; // the run's log says this; null: nothing to say
};

const TOptionList Lossless{{"vcodec", "ffv1"}, {"acodec", "pcm_s16le"}};

TOptionList With(TOptionList options, const TOptionList& more) {
    options.insert(options.end(), more.begin(), more.end());
    return options;
}

const DeinterlaceCase DeinterlaceCases[] = {
    {"AutoTakesInterlacedFieldsApart", Stripes::Interlaced, With(Lossless, {{"deinterlace", "auto"}}), false,
     "Deinterlacing: on"},
    {"AutoLeavesProgressiveAlone", Stripes::Progressive, With(Lossless, {{"deinterlace", "auto"}}), false,
     "Deinterlacing: off"},
    {"OnAlways", Stripes::Interlaced, With(Lossless, {{"deinterlace", "1"}}), false, nullptr},
    {"OffNever", Stripes::Interlaced, With(Lossless, {{"deinterlace", "0"}}), true, nullptr},
    {"NotAskedNever", Stripes::Interlaced, Lossless, true, nullptr},
    // An output coded interlaced keeps the fields for the player to show.
    {"AutoKeepsFieldsOfAnInterlacedCoding",
     Stripes::Interlaced,
     {{"vcodec", "mpeg2video"}, {"b", "8000000"}, {"flags", "+ildct+ilme"}, {"deinterlace", "auto"}},
     true,
     "fields kept"},
};

class DeinterlaceTable : public DeinterlaceRun, public testing::WithParamInterface<DeinterlaceCase> {};

TEST_P(DeinterlaceTable, CombsOnlyWhenNotTakenApart) {
    const DeinterlaceCase& c = GetParam();
    LogCapture log;
    const TOutputLook look = Convert(c.Source, c.Output);
    EXPECT_EQ(look.Pictures, 25);
    if (c.Combed) {
        EXPECT_GT(look.Combing, CombedAbove);
    } else {
        EXPECT_LT(look.Combing, CleanBelow);
    }
    if (c.Note) {
        EXPECT_TRUE(log.HasAny(c.Note));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, DeinterlaceTable, testing::ValuesIn(DeinterlaceCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The look at the first seconds reads packets of every stream; the run must
// still get each of them once.
TEST_F(DeinterlaceRun, AutoLosesNoPacketItReadAhead) {
    const TOutputLook off = Convert(Stripes::Interlaced, With(Lossless, {{"deinterlace", "0"}}));
    task.ResetEngineState();
    const TOutputLook automatic = Convert(Stripes::Interlaced, With(Lossless, {{"deinterlace", "auto"}}));
    ASSERT_EQ(off.Frames.size(), 2u);
    EXPECT_EQ(automatic.Frames, off.Frames);
    EXPECT_GT(off.Frames[1], 0);
}

struct SampleCase {
    const char* Name;
    TInterlaceSample Sample;
    bool Interlaced;
    int Parity;
};

TInterlaceSample Judged(int top, int bottom, int progressive) {
    TInterlaceSample sample;
    sample.TopFirst = top;
    sample.BottomFirst = bottom;
    sample.Progressive = progressive;
    sample.Pictures = top + bottom + progressive;
    return sample;
}

TInterlaceSample Flagged(int pictures, int flagged, AVFieldOrder order = AV_FIELD_UNKNOWN) {
    TInterlaceSample sample;
    sample.Pictures = pictures;
    sample.FlaggedInterlaced = flagged;
    sample.StreamFieldOrder = order;
    return sample;
}

const SampleCase SampleCases[] = {
    {"MostlyTopFieldFirst", Judged(90, 0, 10), true, 0},
    {"MostlyBottomFieldFirst", Judged(2, 80, 20), true, 1},
    {"TelecinedTwoInFive", Judged(40, 0, 60), true, 0},
    {"StrayCombsInProgressive", Judged(5, 0, 95), false, 0},
    {"AllProgressive", Judged(0, 0, 100), false, 0},
    // Too little judged (a still picture): the coding flags decide.
    {"StillButCodedInterlaced", Flagged(50, 50), true, 0},
    {"StillAndCodedProgressive", Flagged(50, 0), false, 0},
    // Nothing decoded: only the stream's field order is left.
    {"NothingDecodedBottomFirstStream", Flagged(0, 0, AV_FIELD_BB), true, 1},
    {"NothingDecodedProgressiveStream", Flagged(0, 0, AV_FIELD_PROGRESSIVE), false, 0},
    {"NothingKnown", Flagged(0, 0), false, 0},
};

class SampleVerdict : public testing::TestWithParam<SampleCase> {};

TEST_P(SampleVerdict, DecidesAndPicksTheParity) {
    EXPECT_EQ(SampleIsInterlaced(GetParam().Sample), GetParam().Interlaced);
    if (GetParam().Interlaced) {
        EXPECT_EQ(SampleFieldParity(GetParam().Sample), GetParam().Parity);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, SampleVerdict, testing::ValuesIn(SampleCases),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
