// Every profile, with the choices it preselects, must give a correct file: the
// chooser and the options window run with their defaults on a tiny clip, the
// records are built as the main window builds them, and the converter
// component converts; the probe then checks what the choices promise.

#include "FakeDialogs.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/BuildOptions.h"
#include "profiles/FormatChooser.h"
#include "profiles/OptionsWindow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

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

// The chooser and options window, wired as the main window wires them.
struct ProfileWindows {
    explicit ProfileWindows(const std::string& outputFolder) {
        window.SetOutputFolder(outputFolder);
        window.SetClipPermission(true);
    }
    TConversionSettings settings;
    FakeDialogs dialogs;
    TOptionsWindow window{settings, dialogs};
    TFormatChooser chooser{settings, dialogs, [this] {
                               window.Show();
                               return window.Confirm();
                           }};

    // Picks profile `id` on its page and confirms both windows with their defaults.
    void Choose(int32_t id) {
        const TOutputProfile* profile = FindProfile(id);
        ASSERT_NE(profile, nullptr);
        chooser.Show();
        chooser.ActivatePage(profile->Page);
        chooser.Select(profile->Page, id - PageBase(profile->Page));
        chooser.Next();
        ASSERT_FALSE(chooser.Visible())
            << "the options window refused: " << (dialogs.Messages.empty() ? "" : dialogs.Messages.back());
        ASSERT_EQ(chooser.ChooserResult(), TFormatChooser::ResultGoOn);
    }
};

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

class ProfileConversion : public testing::TestWithParam<int32_t> {};

TEST_P(ProfileConversion, PreselectedChoicesGiveTheFileTheyName) {
    const int32_t id = GetParam();
    TRAzidiZUV converter;
    ASSERT_TRUE(converter.LoadLibraries()) << converter.LastError();
    TempDir dir;
    const std::string source = dir.File("source.mp4");
    MakeClip(source, VideoAndAudioClip(1.0));
    TAVProbe probe;
    ASSERT_TRUE(probe.Open(source)) << probe.LastError();
    TFileStreamInfo sourceInfo;
    probe.GetFileStreamInfo(sourceInfo);
    probe.Close();

    ProfileWindows windows(dir.Path().string());
    ResetConversionSettings(windows.settings);
    windows.settings.SourceFile = source;
    windows.Choose(id);
    if (HasFatalFailure())
        return;
    const TConversionSettings& settings = windows.settings;

    TInputOptions input;
    TOutputOptions output;
    BuildOptions(settings, source, settings.OutputFile, input, output);

    TTerminateInfo end;
    converter.OnTerminate = [&end](TCustomRAzidiZUV*, const TTerminateInfo& info) {
        if (info.TaskIndex >= 0)
            end = info;
    };
    const int task = converter.AddTask(source, input);
    ASSERT_GE(task, 0) << converter.LastError();
    ASSERT_TRUE(converter.SetOutputFile(task, settings.OutputFile, output)) << converter.LastError();
    converter.StartTask(0);
    ASSERT_TRUE(end.Finished && !end.Failed) << end.ErrorMessage;

    ASSERT_TRUE(probe.Open(settings.OutputFile)) << probe.LastError();
    const AVFormatContext* context = probe.Context();
    const AVOutputFormat* muxer = settings.OutputFormat.empty()
                                      ? av_guess_format(nullptr, settings.OutputFile.c_str(), nullptr)
                                      : av_guess_format(settings.OutputFormat.c_str(), nullptr, nullptr);
    ASSERT_NE(muxer, nullptr);
    const Expectation expected = Expect(settings, muxer);

    // The demuxer that reads the file back names the container.
    const std::string demuxer = context->iformat->name;
    const std::string muxerName = muxer->name;
    const std::string ext = settings.OutputFile.substr(settings.OutputFile.rfind('.') + 1);
    EXPECT_TRUE(demuxer.find(muxerName) != std::string::npos || demuxer.find(ext) != std::string::npos ||
                (demuxer == "mpeg" && ext == "mpg") || (demuxer == "mpeg" && ext == "vob") ||
                (demuxer == "mp3" && ext == "mp2") || (demuxer == "asf" && (ext == "wmv" || ext == "wma")))
        << "demuxer " << demuxer << " for " << settings.OutputFile;

    EXPECT_EQ(probe.VideoStreamCount(), expected.Video == AV_CODEC_ID_NONE ? 0 : 1);
    if (probe.VideoStreamCount() > 0) {
        const AVStream* video = context->streams[probe.FirstVideoStream()];
        EXPECT_EQ(avcodec_get_name(video->codecpar->codec_id), std::string(avcodec_get_name(expected.Video)));
        EXPECT_EQ(video->codecpar->width, expected.Width);
        EXPECT_EQ(video->codecpar->height, expected.Height);
        const bool mpegVideo =
            expected.Video == AV_CODEC_ID_MPEG1VIDEO || expected.Video == AV_CODEC_ID_MPEG2VIDEO;
        const double wanted = mpegVideo ? NearestMpegRate(expected.FrameRate) : expected.FrameRate;
        EXPECT_NEAR(av_q2d(video->avg_frame_rate.num ? video->avg_frame_rate : video->r_frame_rate), wanted,
                    0.01);
    }
    ASSERT_EQ(probe.AudioStreamCount(), 1);
    const AVStream* audio = context->streams[probe.FirstAudioStream()];
    EXPECT_EQ(avcodec_get_name(audio->codecpar->codec_id), std::string(avcodec_get_name(expected.Audio)));
    EXPECT_EQ(audio->codecpar->ch_layout.nb_channels, expected.Channels);
    EXPECT_EQ(audio->codecpar->sample_rate, expected.SampleRate);

    TFileStreamInfo outputInfo;
    probe.GetFileStreamInfo(outputInfo);
    EXPECT_NEAR(static_cast<double>(outputInfo.Duration), static_cast<double>(sourceInfo.Duration),
                OneFrameUs)
        << settings.OutputFile;
}

std::vector<int32_t> AllProfileIds() {
    std::vector<int32_t> ids;
    for (const TOutputProfile& profile : AllProfiles())
        ids.push_back(profile.Id);
    return ids;
}

INSTANTIATE_TEST_SUITE_P(EveryProfile, ProfileConversion, testing::ValuesIn(AllProfileIds()),
                         [](const testing::TestParamInfo<int32_t>& info) {
                             return std::to_string(info.param);
                         });

} // namespace
