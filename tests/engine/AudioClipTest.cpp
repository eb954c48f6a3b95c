// Clips of coded audio start at the asked time and last the asked time: the
// decoded frames are cut by sample at both ends, also the frame that lies
// across the start after the seek, whatever the codec's frame size.
#include "BoundedRun.h"
#include "DecodedOutput.h"
#include "SetupTestSupport.h"

#include <cmath>
#include <optional>
#include <ostream>
#include <tuple>

namespace {

using namespace std::chrono_literals;

constexpr int Rate = 44100;
constexpr double SourceSeconds = 4.0;
// Neither on a frame edge of MP3 (1152 samples) nor of Vorbis.
constexpr double ClipStart = 1.3;
constexpr double ClipSeconds = 2.0;
constexpr int64_t ClickUs = 1800000;
constexpr double ClickThreshold = 0.5; // of full scale; the click is a 2 ms pulse at full scale

// Where the first click starts, in seconds from the file's start (which a clip's
// start counts from), and how many seconds of sound the file holds, as its
// decoder gives them out.
struct TSoundRead {
    std::optional<double> ClickSeconds;
    double Seconds = 0;
};

TSoundRead ReadSound(const std::string& path) {
    TSoundRead read;
    ReadBackPtr ctx = ReadBack(path);
    if (!ctx)
        return read;
    // The decoder may leave out priming samples, which the container's start counts.
    const double fileStart =
        ctx->start_time == AV_NOPTS_VALUE ? 0.0 : static_cast<double>(ctx->start_time) / AV_TIME_BASE;
    std::optional<double> firstSeconds;
    int64_t samples = 0;
    int rate = 0;
    const TDecodedFile decoded = DecodeWholeFile(path, [&](int stream, const AVFrame& frame) {
        if (frame.sample_rate <= 0)
            return;
        rate = frame.sample_rate;
        if (!firstSeconds)
            firstSeconds = frame.pts == AV_NOPTS_VALUE
                               ? fileStart
                               : static_cast<double>(frame.pts) * av_q2d(ctx->streams[stream]->time_base);
        if (!read.ClickSeconds) {
            for (int i = 0; i < frame.nb_samples; ++i) {
                double v = 0;
                switch (frame.format) {
                case AV_SAMPLE_FMT_S16:
                    v = reinterpret_cast<const int16_t*>(
                            frame.extended_data[0])[i * frame.ch_layout.nb_channels] /
                        32768.0;
                    break;
                case AV_SAMPLE_FMT_S16P:
                    v = reinterpret_cast<const int16_t*>(frame.extended_data[0])[i] / 32768.0;
                    break;
                case AV_SAMPLE_FMT_FLTP:
                    v = reinterpret_cast<const float*>(frame.extended_data[0])[i];
                    break;
                case AV_SAMPLE_FMT_FLT:
                    v = reinterpret_cast<const float*>(
                        frame.extended_data[0])[i * frame.ch_layout.nb_channels];
                    break;
                default:
                    ADD_FAILURE() << "sample format " << frame.format << " not read";
                    return;
                }
                if (std::fabs(v) > ClickThreshold) {
                    read.ClickSeconds =
                        *firstSeconds - fileStart + static_cast<double>(samples + i) / frame.sample_rate;
                    break;
                }
            }
        }
        samples += frame.nb_samples;
    });
    EXPECT_EQ(decoded.Errors, 0) << path;
    read.Seconds = rate > 0 ? static_cast<double>(samples) / rate : 0;
    return read;
}

struct SourceCase {
    const char* Name;
    const char* File; // the muxer follows the extension
    std::string Codec;
};

struct OutputCase {
    const char* Name;
    const char* File;
    TOptionList Options;
    double StartSlack; // seconds the start may be off
    double LengthSlack;
};

void PrintTo(const SourceCase& c, std::ostream* os) {
    *os << c.Name;
}
void PrintTo(const OutputCase& c, std::ostream* os) {
    *os << c.Name;
}

// PCM ends on the sample. A coded output may last up to one codec frame plus
// the encoder's delay more or less; where it starts its decoder knows from
// the encoder's delay in the file (LAME's header, the MP4 edit list), so the
// start holds to a millisecond there too.
constexpr double OneSample = 1.0 / Rate;
constexpr double CodedStartSlack = 0.001;
constexpr double Mp3LengthSlack = (1152.0 + 1105.0) / Rate;
constexpr double AacLengthSlack = (1024.0 + 1024.0) / Rate;

const SourceCase Sources[] = {
    {"Mp3", "in.mp3", "libmp3lame"},
    {"Vorbis", "in.ogg", "libvorbis"},
};
const OutputCase Outputs[] = {
    {"Wav", "out.wav", {{"acodec", "pcm_s16le"}}, OneSample, OneSample},
    // The converter holds samples back, which the end must not lose.
    {"Wav48k", "out48k.wav", {{"acodec", "pcm_s16le"}, {"ar", "48000"}}, 1.0 / 48000, 1.0 / 48000},
    {"Mp3", "out.mp3", {{"acodec", "libmp3lame"}}, CodedStartSlack, Mp3LengthSlack},
    {"Aac", "out.m4a", {{"acodec", "aac"}}, CodedStartSlack, AacLengthSlack},
};

using AudioClipParam = std::tuple<SourceCase, OutputCase>;

class AudioClip : public SetupTest, public testing::WithParamInterface<AudioClipParam> {};

TEST_P(AudioClip, StartsAtTheAskedTimeAndLastsTheAskedTime) {
    const auto& [source, output] = GetParam();
    ClipSpec spec = AudioOnlyClip(SourceSeconds);
    spec.Audio.front().Codec = source.Codec;
    spec.Audio.front().ToneHz = 0;
    spec.Audio.front().ClicksUs = {ClickUs};
    const std::string in = Clip(source.File, spec);
    // The click as the source's own decoder places it, read from the start.
    const TSoundRead whole = ReadSound(in);
    ASSERT_TRUE(whole.ClickSeconds);
    const double click = *whole.ClickSeconds;

    OpenInput(in, {{"ss", std::to_string(ClipStart)}});
    TOptionList options = output.Options;
    options.emplace_back("t", std::to_string(ClipSeconds));
    const std::string out = dir.File(output.File);
    OpenOutput(out, options);
    StopFlag control;
    const TBoundedRun run = RunWithin(task, control, 30s);
    ASSERT_TRUE(run.InTime);
    ASSERT_EQ(run.Error, "");

    const TSoundRead clip = ReadSound(out);
    ASSERT_TRUE(clip.ClickSeconds) << "the click is missing from the clip";
    const double start = click - *clip.ClickSeconds;
    EXPECT_NEAR(start, ClipStart, output.StartSlack)
        << "the clip starts " << (start - ClipStart) * 1000 << " ms late";
    EXPECT_NEAR(clip.Seconds, ClipSeconds, output.LengthSlack);
}

INSTANTIATE_TEST_SUITE_P(CodedSources, AudioClip,
                         testing::Combine(testing::ValuesIn(Sources), testing::ValuesIn(Outputs)),
                         [](const testing::TestParamInfo<AudioClipParam>& info) {
                             return std::string(std::get<0>(info.param).Name) + "To" +
                                    std::get<1>(info.param).Name;
                         });

} // namespace
