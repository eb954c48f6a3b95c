// A clip cut with "t" (and "ss") lasts the asked time in every container:
// pictures that B-frames reorder past the end and samples past it are not
// written, however late their packets are decoded.
#include "DecodedOutput.h"
#include "SetupTestSupport.h"

#include <cmath>
#include <optional>

namespace {

class NeverStop : public TRunControl {
public:
    bool StopRequested() const override { return false; }
    void PausePoint() override {}
};

constexpr double ClipSeconds = 2.0;
constexpr double SourceFps = 25.0;
// Coded audio may end up to one frame and the encoder's delay later than asked;
// PCM ends on the sample.
constexpr double CodedAudioSlack = 0.08;
constexpr double PcmAudioSlack = 0.001;

struct ClipCase {
    const char* Name;
    const char* Output; // file name; the muxer follows its extension
    TOptionList Options;
    bool Video = true;
    double AudioSlack = CodedAudioSlack;
};

const ClipCase ClipCases[] = {
    {"Mp4H264", "out.mp4", {{"vcodec", "libx264"}, {"acodec", "aac"}}},
    {"AviMpeg4", "out.avi", {{"vcodec", "mpeg4"}, {"acodec", "libmp3lame"}}},
    {"MkvMpeg4", "out.mkv", {{"vcodec", "mpeg4"}, {"acodec", "ac3"}}},
    {"MpegMpeg1", "out.mpg", {{"vcodec", "mpeg1video"}, {"acodec", "mp2"}}},
    {"Flv", "out.flv", {{"ar", "22050"}}},
    {"Mp3Audio", "out.mp3", {{"vn", "1"}}, false},
    {"WavAudio", "out.wav", {{"vn", "1"}}, false, PcmAudioSlack},
};

struct ClipRangeParam {
    ClipCase Case;
    std::optional<double> Start; // "ss" in seconds
};

void PrintTo(const ClipRangeParam& p, std::ostream* os) {
    *os << p.Case.Name << (p.Start ? " with a start" : "");
}

class ClipRange : public SetupTest, public testing::WithParamInterface<ClipRangeParam> {};

TEST_P(ClipRange, LastsTheAskedTime) {
    const ClipRangeParam& p = GetParam();
    // H.264 with B-frames: decoding order runs ahead of presentation order.
    OpenInput(Clip("in.mp4", VideoAndAudioClip(3.0)));
    TOptionList options = p.Case.Options;
    if (p.Start)
        options.emplace_back("ss", std::to_string(*p.Start));
    options.emplace_back("t", std::to_string(ClipSeconds));
    const std::string path = dir.File(p.Case.Output);
    OpenOutput(path, options);
    NeverStop control;
    task.TranscodeLoop(control);
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();

    int pictures = 0;
    double audioSeconds = 0.0;
    const TDecodedFile out = DecodeWholeFile(path, [&](int, const AVFrame& frame) {
        if (frame.width > 0)
            ++pictures;
        else if (frame.sample_rate > 0)
            audioSeconds += static_cast<double>(frame.nb_samples) / frame.sample_rate;
    });
    ASSERT_TRUE(out.Opened);
    EXPECT_EQ(out.Errors, 0);
    if (p.Case.Video) {
        EXPECT_NEAR(pictures, ClipSeconds * SourceFps, 1.0);
    }
    EXPECT_GE(audioSeconds, ClipSeconds - 1.0 / SourceFps);
    EXPECT_LE(audioSeconds, ClipSeconds + p.Case.AudioSlack);
}

std::vector<ClipRangeParam> ClipRangeParams() {
    std::vector<ClipRangeParam> params;
    for (const ClipCase& c : ClipCases) {
        params.push_back({c, std::nullopt});
        params.push_back({c, 0.5});
    }
    return params;
}

INSTANTIATE_TEST_SUITE_P(Containers, ClipRange, testing::ValuesIn(ClipRangeParams()),
                         [](const testing::TestParamInfo<ClipRangeParam>& info) {
                             return std::string(info.param.Case.Name) + (info.param.Start ? "WithStart" : "");
                         });

} // namespace
