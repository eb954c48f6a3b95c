#include "options/Target.h"
#include "engine/FFmpegException.h"
#include "media/LibraryPointers.h"
#include "options/OptionTable.h"
#include "task/FFmpegTask.h"

#include "OptionTestSupport.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}

namespace {

struct TargetCase {
    const char* Value;
    AVRational FrameRate;           // the rate setting before the option (as an opened input leaves it)
    std::vector<AVRational> Inputs; // video rates of the opened inputs
    int InputChannels;
    // expected
    const char* Format;
    const char* VideoCodec;
    const char* AudioCodec;
    int Width, Height;
    AVRational Rate;
    int SampleRate;
    int Channels;
    int Gop;             // 0: not set by the target
    const char* Assumed; // "PAL"/"NTSC" logged, nullptr: nothing assumed
};

const TargetCase Cases[] = {
    // the norm by option: the input is not examined
    {"pal-dvd", {0, 0}, {}, 2, "dvd", "mpeg2video", "ac3", 720, 576, {25, 1}, 48000, 2, 15, nullptr},
    {"ntsc-vcd", {25, 1}, {}, 2, "vcd", "mpeg1video", "mp2", 352, 240, {30000, 1001}, 44100, 2, 18, nullptr},
    {"film-vcd", {0, 0}, {}, 2, "vcd", "mpeg1video", "mp2", 352, 240, {24000, 1001}, 44100, 2, 18, nullptr},
    {"pal-svcd", {0, 0}, {}, 1, "svcd", "mpeg2video", "mp2", 480, 576, {25, 1}, 44100, 2, 15, nullptr},
    {"ntsc-svcd", {0, 0}, {}, 6, "svcd", "mpeg2video", "mp2", 480, 480, {30000, 1001}, 44100, 6, 18, nullptr},
    {"pal-dv", {0, 0}, {}, 1, "dv", "", "", 720, 576, {25, 1}, 48000, 2, 0, nullptr},
    // the norm from the rate setting
    {"dvd", {30000, 1001}, {}, 2, "dvd", "mpeg2video", "ac3", 720, 480, {30000, 1001}, 48000, 2, 18, "NTSC"},
    {"dvd", {24000, 1001}, {}, 2, "dvd", "mpeg2video", "ac3", 720, 480, {30000, 1001}, 48000, 2, 18, "NTSC"},
    {"vcd", {25, 1}, {{30000, 1001}}, 2, "vcd", "mpeg1video", "mp2", 352, 288, {25, 1}, 44100, 2, 15, "PAL"},
    // from the inputs' video streams, the first that decides
    {"dvd",
     {10, 1},
     {{15, 1}, {25, 1}, {30000, 1001}},
     2,
     "dvd",
     "mpeg2video",
     "ac3",
     720,
     576,
     {25, 1},
     48000,
     2,
     15,
     "PAL"},
    {"svcd",
     {10, 1},
     {{0, 0}, {30000, 1001}},
     2,
     "svcd",
     "mpeg2video",
     "mp2",
     480,
     480,
     {30000, 1001},
     44100,
     2,
     18,
     "NTSC"},
    // nothing decides: the fallback "ntsc"
    {"vcd", {10, 1}, {{15, 1}}, 2, "vcd", "mpeg1video", "mp2", 352, 240, {30000, 1001}, 44100, 2, 18, "NTSC"},
};

class TargetOption : public ::testing::TestWithParam<TargetCase> {};

TEST_P(TargetOption, SetsTheOutputOfItsType) {
    const TargetCase& c = GetParam();
    FakeOptionTarget target;
    LogCapture log;
    target.settings.FrameRate = c.FrameRate;
    target.settings.AudioChannels = c.InputChannels;
    target.inputRates = c.Inputs;
    target.inputs = static_cast<int>(c.Inputs.size());
    DispatchOption(target, "target", c.Value);

    const TEngineSettings& s = target.settings;
    EXPECT_EQ(s.FileFormat, c.Format);
    EXPECT_EQ(s.VideoCodecName, c.VideoCodec);
    EXPECT_EQ(s.AudioCodecName, c.AudioCodec);
    EXPECT_EQ(s.FrameWidth, c.Width);
    EXPECT_EQ(s.FrameHeight, c.Height);
    EXPECT_EQ(av_cmp_q(s.FrameRate, c.Rate), 0) << s.FrameRate.num << "/" << s.FrameRate.den;
    EXPECT_EQ(s.AudioSampleRate, c.SampleRate);
    EXPECT_EQ(s.AudioChannels, c.Channels);
    if (c.Gop) {
        int64_t gop = 0;
        av_opt_get_int(target.contexts.CodecContext(AVMEDIA_TYPE_VIDEO), "g", 0, &gop);
        EXPECT_EQ(gop, c.Gop);
    }
    if (c.Assumed) {
        EXPECT_TRUE(log.Has(llVerbose, std::string("Assuming ") + c.Assumed + " for target."));
    } else {
        EXPECT_FALSE(log.HasAny("for target."));
    }
    EXPECT_FALSE(log.HasAny("Invalid value"));
}

INSTANTIATE_TEST_SUITE_P(Table, TargetOption, ::testing::ValuesIn(Cases));

TEST(TargetNorm, FallbackAndQuietness) {
    FakeOptionTarget target;
    LogCapture log;
    target.settings.FrameRate = {10, 1};
    EXPECT_EQ(ResolveTargetNorm(target, "", "film"), tnFilm);
    EXPECT_EQ(ResolveTargetNorm(target, "", "ntsc"), tnNtsc);
    EXPECT_EQ(ResolveTargetNorm(target, "", "secam"), tnPal);
    EXPECT_EQ(ResolveTargetNorm(target, "film", "pal"), tnFilm);
    EXPECT_TRUE(log.Has(llVerbose, "Assuming PAL for target."));
    log.Clear();
    target.settings.Verbose = 0;
    EXPECT_EQ(ResolveTargetNorm(target, "", "ntsc"), tnNtsc);
    EXPECT_FALSE(log.HasAny("for target."));
    target.settings.FrameRate = {25, 0};
    EXPECT_FFMPEG_ERROR(ResolveTargetNorm(target, "", "ntsc"), "frame_rate is invalid.");
    EXPECT_FFMPEG_ERROR(ApplyTarget(target, "dvd", "auto", "ntsc"), "frame_rate is invalid.");
}

TEST(TargetDv, PixelFormatByTypeAndNorm) {
    struct Case {
        const char* Value;
        AVPixelFormat Format;
    };
    const Case cases[] = {{"pal-dv", AV_PIX_FMT_YUV420P},
                          {"ntsc-dv", AV_PIX_FMT_YUV411P},
                          {"film-dv", AV_PIX_FMT_YUV411P},
                          {"pal-dv50", AV_PIX_FMT_YUV422P},
                          {"ntsc-dv50", AV_PIX_FMT_YUV422P}};
    for (const Case& c : cases) {
        FakeOptionTarget target;
        DispatchOption(target, "target", c.Value);
        EXPECT_EQ(target.settings.FramePixFmt, c.Format) << c.Value;
    }
}

TEST(TargetAspect, AssumedOnlyWhenNoneIsSet) {
    LogCapture log;
    FakeOptionTarget vcd;
    DispatchOption(vcd, "target", "pal-vcd");
    EXPECT_FLOAT_EQ(vcd.settings.FrameAspectRatio, 4.0f / 3.0f);
    EXPECT_TRUE(log.Has(llInfo, "Assuming 4:3 for aspect ratio"));

    FakeOptionTarget dvd;
    DispatchOption(dvd, "target", "pal-dvd");
    EXPECT_FLOAT_EQ(dvd.settings.FrameAspectRatio, 16.0f / 9.0f);
    EXPECT_TRUE(log.Has(llInfo, "Assuming 16:9 for aspect ratio"));

    log.Clear();
    FakeOptionTarget given;
    given.settings.FrameAspectRatio = 2.35f;
    DispatchOption(given, "target", "ntsc-svcd");
    EXPECT_FLOAT_EQ(given.settings.FrameAspectRatio, 2.35f);
    EXPECT_FALSE(log.HasAny("for aspect ratio"));
}

// The muxer and encoder settings of a target reach the real contexts of
// today's libraries, where several of them are private options now.
TEST(TargetSettings, ReachTheMuxerAndTheEncoder) {
    struct Case {
        const char* Value;
        int PacketSize;
        int MuxRate; // muxer private, bits/s
        int64_t BitRate;
        int64_t MaxRate;
        int BufferSize;
        const char* ScanOffset; // mpeg2video private, nullptr: not checked
    };
    const Case cases[] = {
        {"pal-vcd", 2324, 1411200, 1150000, 1150000, 327680, nullptr},
        {"ntsc-svcd", 2324, 0, 2040000, 2516000, 1835008, "true"},
        {"pal-dvd", 2048, 10080000, 6000000, 9000000, 1835008, "false"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Value);
        FakeOptionTarget target;
        LogCapture log;
        DispatchOption(target, "target", c.Value);

        AVFormatContext* raw = nullptr;
        ASSERT_GE(avformat_alloc_output_context2(&raw, nullptr, target.settings.FileFormat.c_str(), nullptr),
                  0);
        FormatContextPtr muxer(raw);
        AVDictionary* unused = nullptr;
        ApplyStoredOptions(target.contexts, muxer.get(), AV_OPT_FLAG_ENCODING_PARAM, &unused);
        EXPECT_EQ(unused, nullptr); // the private data was there to take them
        EXPECT_EQ(muxer->packet_size, static_cast<unsigned>(c.PacketSize));
        int64_t muxRate = -1;
        ASSERT_GE(av_opt_get_int(muxer->priv_data, "muxrate", 0, &muxRate), 0);
        EXPECT_EQ(muxRate, c.MuxRate);

        const AVCodec* encoder = avcodec_find_encoder_by_name(target.settings.VideoCodecName.c_str());
        ASSERT_NE(encoder, nullptr);
        PlainCodecContextPtr video(avcodec_alloc_context3(encoder));
        ApplyStoredOptions(target.contexts, video.get(), AVMEDIA_TYPE_VIDEO, encoder, 17, nullptr);
        EXPECT_EQ(video->bit_rate, c.BitRate);
        EXPECT_EQ(video->rc_max_rate, c.MaxRate);
        EXPECT_EQ(video->rc_buffer_size, c.BufferSize);
        if (c.ScanOffset) {
            uint8_t* text = nullptr;
            ASSERT_GE(av_opt_get(video->priv_data, "scan_offset", 0, &text), 0);
            EXPECT_STREQ(reinterpret_cast<char*>(text), c.ScanOffset);
            av_free(text);
        }

        const AVCodec* audioEncoder = avcodec_find_encoder_by_name(target.settings.AudioCodecName.c_str());
        ASSERT_NE(audioEncoder, nullptr);
        PlainCodecContextPtr audio(avcodec_alloc_context3(audioEncoder));
        ApplyStoredOptions(target.contexts, audio.get(), AVMEDIA_TYPE_AUDIO, audioEncoder, 9, nullptr);
        EXPECT_EQ(audio->bit_rate, target.settings.AudioCodecName == "ac3" ? 448000 : 224000);
        EXPECT_FALSE(log.HasAny("not applied"));
    }
}

} // namespace

namespace {

// Detection from a real input: opening it leaves its rate in the settings.
class TargetOnInput : public ::testing::Test {
protected:
    void Open(int rateNum, int rateDen) {
        ClipSpec spec = VideoOnlyClip(0.3);
        spec.Video[0].FrameRateNum = rateNum;
        spec.Video[0].FrameRateDen = rateDen;
        const std::string path = dir_.File("in_" + std::to_string(rateNum) + ".avi");
        MakeClip(path, spec);
        task_.ResetEngineState();
        ASSERT_TRUE(task_.OpenInputFile(path)) << task_.ErrorText();
    }
    TempDir dir_;
    TCustomFFmpeg task_;
    LogCapture log_;
};

TEST_F(TargetOnInput, NtscInputGivesNtscDvd) {
    Open(30000, 1001);
    DispatchOption(task_, "target", "dvd");
    EXPECT_EQ(task_.Settings().FrameWidth, 720);
    EXPECT_EQ(task_.Settings().FrameHeight, 480);
    EXPECT_EQ(av_cmp_q(task_.Settings().FrameRate, AVRational{30000, 1001}), 0);
}

TEST_F(TargetOnInput, PalInputGivesPalVcdAndTheOptionOverridesIt) {
    Open(25, 1);
    DispatchOption(task_, "target", "vcd");
    EXPECT_EQ(task_.Settings().FrameHeight, 288);
    Open(25, 1);
    DispatchOption(task_, "target", "ntsc-vcd");
    EXPECT_EQ(task_.Settings().FrameHeight, 240);
}

TEST_F(TargetOnInput, DvdOutputCarriesTheMuxerSettings) {
    Open(25, 1);
    DispatchOption(task_, "target", "dvd");
    DispatchOption(task_, "an", "1");
    ASSERT_GT(task_.OpenOutputFile(dir_.File("out.vob")), 0) << task_.ErrorText();
    AVFormatContext* output = task_.OutputContext(0);
    EXPECT_STREQ(output->oformat->name, "dvd");
    EXPECT_EQ(output->packet_size, 2048u);
    int64_t muxRate = 0;
    ASSERT_GE(av_opt_get_int(output->priv_data, "muxrate", 0, &muxRate), 0);
    EXPECT_EQ(muxRate, 10080000);
}

} // namespace
