// Every profile, with the choices it preselects, must give a correct file: the
// chooser and the options window run with their defaults on a tiny clip, the
// records are built as the main window builds them, and the converter
// component converts; the probe then checks what the choices promise.

#include "ProfileIds.h"
#include "ProfileWindows.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/BuildOptions.h"
#include "profiles/FormatChooser.h"
#include "profiles/OptionsWindow.h"
#include "setup/EncoderLimits.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr int SourceWidth = 64;
constexpr int SourceHeight = 48;
constexpr int SourceRate = 25;
constexpr int SourceSampleRate = 44100;
constexpr int64_t OneFrameUs = 1000000 / SourceRate;

AVCodecID EncoderCodec(const std::string& encoder) {
    // The native AAC encoder stands in for the missing libfaac.
    if (encoder == "libfaac")
        return AV_CODEC_ID_AAC;
    const AVCodec* codec = avcodec_find_encoder_by_name(encoder.c_str());
    return codec ? codec->id : AV_CODEC_ID_NONE;
}

// What the output must hold, from the settings the windows wrote.
struct Expectation {
    AVCodecID Video = AV_CODEC_ID_NONE; // NONE: no video stream
    AVCodecID Audio = AV_CODEC_ID_NONE;
    int Width = SourceWidth;
    int Height = SourceHeight;
    double FrameRate = SourceRate;
    int Channels = 2;
    int SampleRate = SourceSampleRate;
};

Expectation Expect(const TConversionSettings& settings, const AVOutputFormat* muxer) {
    Expectation e;
    if (!settings.AudioOnly)
        e.Video = settings.VideoCodec.empty() ? muxer->video_codec : EncoderCodec(settings.VideoCodec);
    e.Audio = settings.AudioCodec.empty() || settings.AudioCodec == AutoSetting
                  ? muxer->audio_codec
                  : EncoderCodec(settings.AudioCodec);
    // Where the container refuses the picked encoder, the engine's stand-in writes.
    if (const AVCodec* substitute = SubstituteEncoder(muxer, avcodec_find_encoder(e.Audio)))
        e.Audio = substitute->id;
    if (settings.Target == "dvd" || settings.Target == "svcd" || settings.Target == "vcd") {
        const bool pal = settings.TVStandard == "PAL";
        e.Width = settings.Target == "vcd" ? 352 : settings.Target == "svcd" ? 480 : 720;
        e.Height = settings.Target == "vcd" ? (pal ? 288 : 240) : (pal ? 576 : 480);
        e.FrameRate = pal ? 25.0 : 30000.0 / 1001;
        e.SampleRate = settings.Target == "dvd" ? 48000 : 44100;
        if (settings.VideoCodec.empty())
            e.Video = settings.Target == "vcd" ? AV_CODEC_ID_MPEG1VIDEO : AV_CODEC_ID_MPEG2VIDEO;
    }
    int width = 0, height = 0;
    if (std::sscanf(settings.FrameSize.c_str(), "%d*%d", &width, &height) == 2) {
        e.Width = width;
        e.Height = height;
    }
    if (!settings.FrameRate.empty())
        e.FrameRate = std::stod(settings.FrameRate);
    if (!settings.AudioChannels.empty())
        e.Channels = std::stoi(settings.AudioChannels);
    if (!settings.AudioSampleRate.empty() && settings.AudioSampleRate != AutoSetting)
        e.SampleRate = std::stoi(settings.AudioSampleRate);
    return e;
}

// The nearest rate an MPEG-1/2 video stream can carry.
double NearestMpegRate(double rate) {
    constexpr double rates[] = {24000.0 / 1001, 24, 25, 30000.0 / 1001, 30, 50, 60000.0 / 1001, 60};
    double best = rates[0];
    for (const double r : rates)
        if (std::abs(r - rate) < std::abs(best - rate))
            best = r;
    return best;
}

// The rate an encoder writes for `wanted`: the nearest it supports (AC-3
// takes 32, 44.1 and 48 kHz only; the engine moves other rates there).
int SupportedRate(AVCodecID codec, int wanted) {
    const AVCodec* encoder = avcodec_find_encoder(codec);
    if (encoder == nullptr || encoder->supported_samplerates == nullptr)
        return wanted;
    int best = encoder->supported_samplerates[0];
    for (const int* rate = encoder->supported_samplerates; *rate != 0; ++rate)
        if (std::abs(*rate - wanted) < std::abs(best - wanted))
            best = *rate;
    return best;
}

// One stream's extent as its packets give it.
struct StreamExtent {
    int64_t Us = -1; // from the first packet's start to the last packet's end
    int64_t Packets = 0;
};

std::vector<StreamExtent> StreamExtents(AVFormatContext* context) {
    const size_t count = context->nb_streams;
    std::vector<int64_t> first(count, INT64_MAX), last(count, INT64_MIN);
    std::vector<StreamExtent> extents(count);
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(context, packet) >= 0) {
        const size_t index = static_cast<size_t>(packet->stream_index);
        ++extents[index].Packets;
        // AVI keeps decoding times only.
        const int64_t time = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (time != AV_NOPTS_VALUE) {
            first[index] = std::min(first[index], time);
            last[index] = std::max(last[index], time + packet->duration);
        }
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    for (size_t i = 0; i < count; ++i)
        if (first[i] <= last[i])
            extents[i].Us =
                av_rescale_q(last[i] - first[i], context->streams[i]->time_base, AVRational{1, 1000000});
    return extents;
}

// How much longer than its source an encoded audio stream may be: the
// encoder's priming samples and the filling of its last frame, which
// containers without gapless information keep.
double AudioSlackUs(const AVCodecParameters* audio) {
    struct Framing {
        AVCodecID Codec;
        int Priming;
        int FrameSize;
    };
    constexpr Framing framings[] = {{AV_CODEC_ID_MP3, 1105, 1152}, {AV_CODEC_ID_AAC, 1024, 1024},
                                    {AV_CODEC_ID_AC3, 256, 1536},  {AV_CODEC_ID_MP2, 0, 1152},
                                    {AV_CODEC_ID_FLAC, 0, 4608},   {AV_CODEC_ID_ALAC, 0, 4096}};
    int priming = audio->initial_padding;
    int frameSize = audio->frame_size;
    for (const Framing& f : framings) {
        if (f.Codec == audio->codec_id) {
            priming = std::max(priming, f.Priming);
            frameSize = std::max(frameSize, f.FrameSize);
        }
    }
    return audio->sample_rate > 0 ? 1e6 * (priming + frameSize) / audio->sample_rate : 0.0;
}

// One conversion: a profile, the user's picks and the source clip.
struct ConversionCase {
    int32_t Profile = 500;
    std::vector<std::pair<TChoiceRole, std::string>> Picks;
    std::array<bool, 3> Filters{};
    std::optional<std::pair<int, int>> ClipSeconds; // start and stop
    int Width = SourceWidth;
    int Height = SourceHeight;
    double Seconds = 1.0;
};

void PrintTo(const ConversionCase& c, std::ostream* out) {
    *out << "profile " << c.Profile;
    for (const auto& [role, item] : c.Picks)
        *out << ", " << RoleCaption(role) << item;
    if (c.ClipSeconds)
        *out << ", clip " << c.ClipSeconds->first << "-" << c.ClipSeconds->second << " s";
}

// Converts as the main window does and checks the file against the choices.
void ConvertAndCheck(const ConversionCase& c) {
    TRAzidiZUV converter;
    ASSERT_TRUE(converter.LoadLibraries()) << converter.LastError();
    TempDir dir;
    const std::string source = dir.File("source.mp4");
    ClipSpec spec = VideoAndAudioClip(c.Seconds);
    spec.Video[0].Width = c.Width;
    spec.Video[0].Height = c.Height;
    MakeClip(source, spec);

    // Apart from the source, which some profiles would name otherwise (.mp4 to .mp4).
    const std::string outputFolder = dir.File("out");
    std::filesystem::create_directory(outputFolder);
    ProfileWindows windows(outputFolder);
    ResetConversionSettings(windows.settings);
    windows.settings.SourceFile = source;
    windows.userPicks = [&c](TOptionsWindow& window) {
        for (const auto& [role, item] : c.Picks)
            ASSERT_TRUE(window.PickText(role, item)) << item;
        for (int i = 0; i < 3; ++i)
            window.SetFilter(i, c.Filters[i]);
        if (c.ClipSeconds) {
            window.SetClipChecked(true);
            const auto start = TOptionsWindow::DurationBoxes(c.ClipSeconds->first);
            const auto stop = TOptionsWindow::DurationBoxes(c.ClipSeconds->second);
            for (int i = 0; i < 3; ++i) {
                window.SetClipBoxText(i, start[i]);
                window.SetClipBoxText(i + 3, stop[i]);
            }
        }
    };
    windows.Choose(c.Profile);
    if (testing::Test::HasFatalFailure())
        return;
    const TConversionSettings& settings = windows.settings;

    ConvertWithSettings(converter, settings, source);
    if (testing::Test::HasFatalFailure())
        return;

    TAVProbe probe;
    ASSERT_TRUE(probe.Open(settings.OutputFile)) << probe.LastError();
    const AVFormatContext* context = probe.Context();
    const AVOutputFormat* muxer = settings.OutputFormat.empty()
                                      ? av_guess_format(nullptr, settings.OutputFile.c_str(), nullptr)
                                      : av_guess_format(settings.OutputFormat.c_str(), nullptr, nullptr);
    ASSERT_NE(muxer, nullptr);
    Expectation expected = Expect(settings, muxer);
    if (settings.FrameSize.empty() && settings.Target.empty()) {
        expected.Width = c.Width;
        expected.Height = c.Height;
    }

    // The demuxer that reads the file back names the container.
    const std::string demuxer = context->iformat->name;
    const std::string muxerName = muxer->name;
    const std::string ext = settings.OutputFile.substr(settings.OutputFile.rfind('.') + 1);
    EXPECT_TRUE(demuxer.find(muxerName) != std::string::npos || demuxer.find(ext) != std::string::npos ||
                (demuxer == "mpeg" && (ext == "mpg" || ext == "vob")) || (demuxer == "mp3" && ext == "mp2") ||
                (demuxer == "asf" && (ext == "wmv" || ext == "wma")))
        << "demuxer " << demuxer << " for " << settings.OutputFile;

    EXPECT_EQ(probe.VideoStreamCount(), expected.Video == AV_CODEC_ID_NONE ? 0 : 1);
    if (probe.VideoStreamCount() > 0) {
        const AVStream* video = context->streams[probe.FirstVideoStream()];
        EXPECT_EQ(avcodec_get_name(video->codecpar->codec_id), std::string(avcodec_get_name(expected.Video)));
        if (expected.Video == AV_CODEC_ID_RV10 || expected.Video == AV_CODEC_ID_RV20) {
            // RealVideo takes whole macroblocks only.
            EXPECT_EQ(video->codecpar->width % 16, 0);
            EXPECT_EQ(video->codecpar->height % 16, 0);
            EXPECT_NEAR(video->codecpar->width, expected.Width, 15);
            EXPECT_NEAR(video->codecpar->height, expected.Height, 15);
        } else {
            EXPECT_EQ(video->codecpar->width, expected.Width);
            EXPECT_EQ(video->codecpar->height, expected.Height);
        }
        const bool mpegVideo =
            expected.Video == AV_CODEC_ID_MPEG1VIDEO || expected.Video == AV_CODEC_ID_MPEG2VIDEO;
        const double wanted = mpegVideo ? NearestMpegRate(expected.FrameRate) : expected.FrameRate;
        // RealMedia keeps milliseconds and tells whole frames a second.
        const double tolerance = ext == "rm" ? 1.0 : 0.01;
        EXPECT_NEAR(av_q2d(video->avg_frame_rate.num ? video->avg_frame_rate : video->r_frame_rate), wanted,
                    tolerance);
    }
    ASSERT_EQ(probe.AudioStreamCount(), 1);
    const AVStream* audio = context->streams[probe.FirstAudioStream()];
    EXPECT_EQ(avcodec_get_name(audio->codecpar->codec_id), std::string(avcodec_get_name(expected.Audio)));
    EXPECT_EQ(audio->codecpar->ch_layout.nb_channels, expected.Channels);
    EXPECT_EQ(audio->codecpar->sample_rate, SupportedRate(audio->codecpar->codec_id, expected.SampleRate));

    // The container's own duration is an estimate in several formats (AVI,
    // MPEG-PS, SWF); the packets tell each stream's real extent.
    const std::vector<StreamExtent> extents = StreamExtents(probe.Context());
    const double wantedUs = 1e6 * (c.ClipSeconds ? c.ClipSeconds->second - c.ClipSeconds->first : c.Seconds);
    if (probe.VideoStreamCount() > 0) {
        const StreamExtent& video = extents[probe.FirstVideoStream()];
        // After a frame-rate change each output slot shows the source picture
        // on screen at its time, the last one for as long as it lasts: the
        // extent differs by at most a frame of either rate.
        const double outputFrameUs = 1e6 / expected.FrameRate;
        const double slackUs =
            expected.FrameRate == SourceRate ? 1.1 * OneFrameUs : OneFrameUs + outputFrameUs;
        EXPECT_NEAR(static_cast<double>(video.Us), wantedUs, slackUs)
            << "video, " << video.Packets << " packets";
    }
    EXPECT_NEAR(static_cast<double>(extents[probe.FirstAudioStream()].Us), wantedUs,
                OneFrameUs + AudioSlackUs(audio->codecpar))
        << "audio";
}

class ProfileConversion : public testing::TestWithParam<int32_t> {};

TEST_P(ProfileConversion, PreselectedChoicesGiveTheFileTheyName) {
    ConversionCase c;
    c.Profile = GetParam();
    ConvertAndCheck(c);
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, ProfileConversion, testing::ValuesIn(AllProfileIds()), ProfileIdName);

// Picks that the old libraries took and today's refuse without the engine's
// fallbacks, and clip ranges.
class PickedConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(PickedConversion, PickedChoicesGiveTheFileTheyName) {
    ConvertAndCheck(GetParam());
}

using enum TChoiceRole;
const ConversionCase PickedCases[] = {
    {18, {{crFrameRate, "10.00"}}},
    {18, {{crFrameRate, "13.00"}}},
    {505, {{crFrameRate, "15.00"}, {crFrameSize, "352*288"}}},
    {507, {{crFrameRate, "18.00"}, {crFrameSize, "352*240"}}},
    {510, {{crFrameRate, "23.00"}, {crFrameSize, "720*576"}}},
    {15, {{crVideoEncoder, "RM视频压缩器2"}}, {}, {}, 100, 60},
    {15, {{crFrameSize, "240*176"}}},
    {1, {{crVideoEncoder, "Mjpeg 视频压缩器"}}},
    {1, {{crVideoEncoder, "Divx 视频压缩器"}, {crFrameSize, "保持原分辨率"}}},
    {100, {{crVideoEncoder, "Divx 视频压缩器"}}},
    {101, {{crVideoEncoder, "XviD 视频压缩器1"}}},
    {502, {{crAudioEncoder, "ASF音频编码器2"}}},
    {504, {{crAudioEncoder, "AC3音频编码器"}}},
    {500, {{crVolume, "无声音"}}, {true, true, true}},
    {506, {{crFrameRate, "23.98"}, {crAspect, "宽屏视频16:9模式"}}},
    {502, {{crFrameRate, "29.97"}}},
    {15, {{crFrameRate, "23.97"}}},
    {513, {{crAudioEncoder, "AC3音频编码器"}}},
    {14, {{crAudioEncoder, "Flac音频编码器"}}},
    {505, {{crAudioEncoder, "AAC音频编码器"}}},
    {504, {{crAudioEncoder, "Flac音频编码器"}}},
    {500, {}, {}, std::pair{0, 1}, SourceWidth, SourceHeight, 2.0},
    {509, {}, {}, std::pair{1, 2}, SourceWidth, SourceHeight, 3.0},
    {18, {}, {}, std::pair{1, 2}, SourceWidth, SourceHeight, 3.0},
    {203, {}, {}, std::pair{1, 2}, SourceWidth, SourceHeight, 3.0},
    // Constant quality instead of a bit rate, in each encoder's scale.
    {503, {{crVideoBitRate, "恒定质量 (中)"}}},
    {509, {{crVideoBitRate, "恒定质量 (高)"}}},
    {1, {{crVideoEncoder, "Mjpeg 视频压缩器"}, {crVideoBitRate, "恒定质量 (低)"}}},
    {15, {{crVideoBitRate, "恒定质量 (中)"}}},
    {508, {{crVideoBitRate, "恒定质量 (中)"}}},
    {119, {{crVideoBitRate, "恒定质量 (中)"}}},
};
INSTANTIATE_TEST_SUITE_P(Traps, PickedConversion, testing::ValuesIn(PickedCases),
                         [](const testing::TestParamInfo<ConversionCase>& info) {
                             return std::to_string(info.index) + "_" + std::to_string(info.param.Profile);
                         });

} // namespace
