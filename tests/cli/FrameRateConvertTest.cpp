// "vantoro-cli convert" with a frame rate picked from a profile's list goes
// through the same timing as every conversion: each output picture is the
// source picture on screen at its time, and the flashes stay with their clicks.
#include "CliTest.h"
#include "fixtures/FixtureMaker.h"
#include "fixtures/ShownTiming.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

constexpr double SourceSeconds = 4.0;
const std::vector<int64_t> MarksUs{400000, 2400000, 3200000};
// The profiles' audio is coded (MP3, AAC): its encoder's delay and frame put a
// click's onset up to about one codec frame off (26 ms for MP3 at 44.1 kHz).
constexpr double CodedAudioSlack = 0.03;
// Picture timestamps in milliseconds.
constexpr double MeasureSlack = 0.002;

struct TSource {
    std::string File;
    int Rate;
    int SlowStep; // from half way every SlowStep-th tick: 1 keeps the rate
    std::vector<double> FrameTimes;
};

class FrameRateConvertTest : public CliTest {
protected:
    static void SetUpTestSuite() {
        CliTest::SetUpTestSuite();
        sources_ = {MakeSource("cfr15.mp4", 15, 1, ""), MakeSource("vfr30to15.webm", 30, 2, "libvpx")};
    }
    static TSource MakeSource(const std::string& name, int rate, int step, const std::string& codec) {
        ClipSpec spec = VideoAndAudioClip(SourceSeconds);
        VideoTrackSpec& video = spec.Video.front();
        video.Codec = codec;
        video.Width = 128;
        video.Height = 96;
        video.FrameRateNum = rate;
        video.NumberedPictures = true;
        video.MarksUs = MarksUs;
        const auto ticks = static_cast<int64_t>(rate * SourceSeconds);
        video.FramePts = RateChangeTicks(ticks / 2, step, ticks);
        spec.Audio.front().ClicksUs = MarksUs;
        TSource source{Clip(name), rate, step, {}};
        MakeClip(source.File, spec);
        for (int64_t t : video.FramePts)
            source.FrameTimes.push_back(static_cast<double>(t) / rate);
        source.FrameTimes.push_back(SourceSeconds);
        return source;
    }

    CliResult Convert(const std::string& profile, const Args& sets, const std::string& file) const {
        Args args{"convert", "--profile", profile, "--output-dir", out().string()};
        for (const std::string& set : sets)
            args.insert(args.end(), {"--set", set});
        args.push_back(file);
        return RunCliPrivately(args, dir.Path());
    }

    static std::vector<TSource> sources_;
};

std::vector<TSource> FrameRateConvertTest::sources_;

TEST_F(FrameRateConvertTest, PicksThePictureOnScreenAtEachOutputTime) {
    struct Case {
        const char* Profile;
        size_t Source;
        const char* Rate; // the item of the frame-rate list
        const char* Extension;
    };
    const Case cases[] = {
        {"501", 0, "VR=30.00", ".avi"}, // AVI: a fixed rate
        {"500", 1, "VR=25", ".mp4"},    // MP4 from a source that drops from 30 to 15 fps
    };
    for (const Case& c : cases) {
        const TSource& source = sources_[c.Source];
        SCOPED_TRACE(std::string(c.Profile) + " " + c.Rate + " from " + source.File);
        const CliResult result = Convert(c.Profile, {"VS=保持原分辨率", c.Rate}, source.File);
        ASSERT_EQ(result.status, 0) << result.err;
        const fs::path output = out() / (fs::path(source.File).stem().string() + c.Extension);
        const fixtures::ShownTiming shown = fixtures::ReadShownTiming(output.string());
        ASSERT_TRUE(shown.Opened) << output;
        ASSERT_FALSE(shown.Pictures.empty());

        const double halfFrame = 0.5 / std::stod(std::string(c.Rate).substr(3));
        double worst = 0.0;
        for (const fixtures::ShownPicture& p : shown.Pictures)
            worst = std::max(worst, fixtures::MissedBy(source.FrameTimes, p.Number.Index, p.Time));
        EXPECT_LE(worst, halfFrame + MeasureSlack);

        const std::vector<double> flashes = fixtures::FlashTimes(shown);
        ASSERT_EQ(flashes.size(), MarksUs.size());
        ASSERT_EQ(shown.Clicks.size(), MarksUs.size());
        for (size_t i = 0; i < flashes.size(); ++i) {
            EXPECT_NEAR(flashes[i], MarksUs[i] / 1e6, halfFrame + MeasureSlack) << "flash " << i;
            EXPECT_NEAR(flashes[i], shown.Clicks[i], halfFrame + CodedAudioSlack) << "flash " << i;
        }
    }
}

} // namespace
