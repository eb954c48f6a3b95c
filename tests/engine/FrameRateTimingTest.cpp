// Frame-rate conversion by timestamps: every output picture is the source
// picture that is on screen at the output picture's time, for constant and
// variable source rates, into containers with a fixed rate (AVI, MP4) and with
// timestamps of their own (MKV); a white flash and a click that are together
// in the source stay together in the output, at the start and at the end.
#include "BoundedRun.h"
#include "SetupTestSupport.h"
#include "fixtures/ShownTiming.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

namespace {

using namespace std::chrono_literals;
constexpr auto RunLimit = 60s;

constexpr double SourceSeconds = 4.0;
// Flashes with clicks: near the start, where the variable source has changed
// its rate, and near the end. Each is a frame time of every source rate below
// and a frame time of the 15, 25 and 30 fps outputs too.
const std::vector<int64_t> MarksUs{400000, 2400000, 3200000};
// Slack for the measurement itself: timestamps in milliseconds (MKV) and the
// onset of a coded click.
constexpr double MeasureSlack = 0.005;

enum class TSource { Cfr15, Cfr25, Cfr30, Vfr30To15 };

struct TSourceClip {
    const char* File;
    std::vector<double> FrameTimes; // seconds, one per picture, then the end
};

// A frame rate and the source's pictures: constant, or 30 fps dropping to 15 fps
// half way (every second tick from then on), as a phone or a web clip does.
TSourceClip SourceFor(TSource source) {
    int rate = 30;
    std::vector<int64_t> ticks;
    const char* file = "";
    switch (source) {
    case TSource::Cfr15:
        rate = 15, file = "cfr15.mp4";
        break;
    case TSource::Cfr25:
        rate = 25, file = "cfr25.mp4";
        break;
    case TSource::Cfr30:
        rate = 30, file = "cfr30.mp4";
        break;
    case TSource::Vfr30To15:
        rate = 30, file = "vfr30to15.webm";
        ticks = RateChangeTicks(static_cast<int64_t>(rate * SourceSeconds / 2), 2,
                                static_cast<int64_t>(rate * SourceSeconds));
        break;
    }
    if (ticks.empty())
        for (int64_t t = 0; t < rate * SourceSeconds; ++t)
            ticks.push_back(t);
    TSourceClip clip{file, {}};
    for (int64_t t : ticks)
        clip.FrameTimes.push_back(static_cast<double>(t) / rate);
    clip.FrameTimes.push_back(SourceSeconds);
    return clip;
}

ClipSpec SpecFor(TSource source) {
    ClipSpec spec = VideoAndAudioClip(SourceSeconds);
    VideoTrackSpec& video = spec.Video.front();
    video.Width = 128;
    video.Height = 96;
    video.NumberedPictures = true;
    video.MarksUs = MarksUs;
    video.FrameRateNum = source == TSource::Cfr15 ? 15 : source == TSource::Cfr25 ? 25 : 30;
    if (source == TSource::Vfr30To15) {
        video.Codec = "libvpx";
        video.FramePts = RateChangeTicks(static_cast<int64_t>(30 * SourceSeconds / 2), 2,
                                         static_cast<int64_t>(30 * SourceSeconds));
    }
    spec.Audio.front().ClicksUs = MarksUs;
    return spec;
}

struct TTimingCase {
    const char* Name;
    TSource Source;
    const char* Rate;   // "r"; null keeps the source's rate (KeptRate for these sources)
    const char* Output; // file name: AVI and MP4 have a fixed rate, MKV keeps timestamps
    TOptionList Codecs;
    std::optional<double> Start; // "ss", seconds; with it the clip runs to the last mark
};

constexpr double KeptRate = 30.0;

const TOptionList Avi{{"vcodec", "mpeg4"}, {"qscale", "2"}, {"acodec", "pcm_s16le"}};
const TOptionList Mp4{{"vcodec", "libx264"}, {"acodec", "aac"}};
const TOptionList Mkv{{"vcodec", "mpeg4"}, {"qscale", "2"}, {"acodec", "pcm_s16le"}};

const TTimingCase TimingCases[] = {
    {"Cfr15To30Avi", TSource::Cfr15, "30", "out.avi", Avi, {}},
    {"Cfr15To30Mp4", TSource::Cfr15, "30", "out.mp4", Mp4, {}},
    {"Cfr30To15Avi", TSource::Cfr30, "15", "out.avi", Avi, {}},
    {"Cfr30To15Mkv", TSource::Cfr30, "15", "out.mkv", Mkv, {}},
    {"Cfr25To2997Mp4", TSource::Cfr25, "29.97", "out.mp4", Mp4, {}},
    {"Cfr25To2997Avi", TSource::Cfr25, "29.97", "out.avi", Avi, {}},
    {"Vfr30To15Into25Avi", TSource::Vfr30To15, "25", "out.avi", Avi, {}},
    {"Vfr30To15Into30Mp4", TSource::Vfr30To15, "30", "out.mp4", Mp4, {}},
    {"Vfr30To15KeptMkv", TSource::Vfr30To15, nullptr, "out.mkv", Mkv, {}},
    {"Vfr30To15KeptAvi", TSource::Vfr30To15, nullptr, "out.avi", Avi, {}},
    // A start between two source pictures: the one on screen then comes first.
    {"ClipVfr30To15Into25Avi", TSource::Vfr30To15, "25", "out.avi", Avi, 1.04},
    {"ClipCfr15To30Mp4", TSource::Cfr15, "30", "out.mp4", Mp4, 1.02},
};

class FrameRateTiming : public SetupTest, public testing::WithParamInterface<TTimingCase> {
protected:
    static void SetUpTestSuite() { sources_ = new TempDir; }
    static void TearDownTestSuite() {
        delete sources_;
        sources_ = nullptr;
    }
    static std::string Source(TSource source) {
        const std::string path = sources_->File(SourceFor(source).File);
        if (!std::filesystem::exists(path))
            MakeClip(path, SpecFor(source));
        return path;
    }
    static TempDir* sources_;
};
TempDir* FrameRateTiming::sources_ = nullptr;

TEST_P(FrameRateTiming, ShowsThePictureOfEachMomentInStepWithTheSound) {
    const TTimingCase& c = GetParam();
    const TSourceClip source = SourceFor(c.Source);
    OpenInput(Source(c.Source));
    TOptionList options = c.Codecs;
    if (c.Rate)
        options.emplace_back("r", c.Rate);
    const double start = c.Start.value_or(0.0);
    const double end = c.Start ? MarksUs.back() / 1e6 + 0.3 : SourceSeconds;
    if (c.Start) {
        options.emplace_back("ss", std::to_string(start));
        options.emplace_back("t", std::to_string(end - start));
    }
    const std::string path = dir.File(c.Output);
    OpenOutput(path, options);
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, RunLimit);
    ASSERT_TRUE(run.InTime);
    ASSERT_EQ(run.Error, "");

    const fixtures::ShownTiming shown = fixtures::ReadShownTiming(path);
    ASSERT_TRUE(shown.Opened);
    ASSERT_FALSE(shown.Pictures.empty());
    const double frameSeconds = 1.0 / (c.Rate ? std::atof(c.Rate) : KeptRate);
    const double halfFrame = frameSeconds / 2;

    // Each picture is the one on screen in the source at its time, within half
    // an output frame; none goes back to an earlier one.
    double worst = 0.0;
    const fixtures::ShownPicture* worstPicture = nullptr;
    int backwards = 0;
    for (size_t i = 0; i < shown.Pictures.size(); ++i) {
        const fixtures::ShownPicture& p = shown.Pictures[i];
        const double missed = fixtures::MissedBy(source.FrameTimes, p.Number.Index, start + p.Time);
        if (missed > worst) {
            worst = missed;
            worstPicture = &p;
        }
        if (i > 0 && p.Number.Index < shown.Pictures[i - 1].Number.Index)
            ++backwards;
    }
    EXPECT_LE(worst, halfFrame + MeasureSlack) << "the picture at " << worstPicture->Time
                                               << " s shows source picture " << worstPicture->Number.Index;
    EXPECT_EQ(backwards, 0) << "pictures that show an earlier source picture than the one before";
    // The pictures cover the whole time, whether a fixed rate repeats them or
    // timestamps hold them on screen.
    EXPECT_NEAR(shown.Pictures.front().Time, 0.0, halfFrame + MeasureSlack);
    const double lastShown = start + shown.Pictures.back().Time;
    const int lastIndex = shown.Pictures.back().Number.Index;
    EXPECT_LE(fixtures::MissedBy(source.FrameTimes, lastIndex, end - frameSeconds), halfFrame + MeasureSlack)
        << "the last picture, at " << lastShown << " s, shows source picture " << lastIndex;

    // The flashes come with their clicks: each flash's first picture is within
    // half an output frame of the click's onset.
    const std::vector<double> flashes = fixtures::FlashTimes(shown);
    std::vector<double> expected;
    for (int64_t mark : MarksUs)
        if (mark / 1e6 >= start && mark / 1e6 < end)
            expected.push_back(mark / 1e6 - start);
    ASSERT_EQ(flashes.size(), expected.size()) << "flashes seen";
    ASSERT_EQ(shown.Clicks.size(), expected.size()) << "clicks heard";
    std::string offsets;
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(flashes[i], shown.Clicks[i], halfFrame + MeasureSlack) << "flash " << i;
        EXPECT_NEAR(shown.Clicks[i], expected[i], MeasureSlack) << "click " << i;
        offsets += std::to_string(std::lround((flashes[i] - shown.Clicks[i]) * 1000)) + " ";
    }
    RecordProperty("WorstPictureOffsetMs", std::to_string(std::lround(worst * 1000)));
    RecordProperty("FlashMinusClickMs", offsets);
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameRateTiming, testing::ValuesIn(TimingCases),
                         [](const testing::TestParamInfo<TTimingCase>& info) { return info.param.Name; });

} // namespace
