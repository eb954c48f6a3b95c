// The fixture maker is what every other media test stands on: these tests read
// its clips back with the libraries and check that they hold what was asked for.
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

namespace {

struct InputClose {
    void operator()(AVFormatContext* f) const { avformat_close_input(&f); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
using InputPtr = std::unique_ptr<AVFormatContext, InputClose>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;

InputPtr Open(const std::string& fileName) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, fileName.c_str(), nullptr, nullptr) < 0)
        throw std::runtime_error("cannot open " + fileName);
    InputPtr input(raw);
    if (avformat_find_stream_info(input.get(), nullptr) < 0)
        throw std::runtime_error("no stream info in " + fileName);
    return input;
}

std::vector<const AVStream*> StreamsOf(const AVFormatContext* input, AVMediaType type) {
    std::vector<const AVStream*> found;
    for (unsigned i = 0; i < input->nb_streams; ++i)
        if (input->streams[i]->codecpar->codec_type == type)
            found.push_back(input->streams[i]);
    return found;
}

std::string MetadataOf(AVDictionary* dictionary, const std::string& key) {
    const AVDictionaryEntry* entry = av_dict_get(dictionary, key.c_str(), nullptr, 0);
    return entry ? entry->value : "";
}

// Every packet of the stream, in file order.
std::vector<PacketPtr> PacketsOf(AVFormatContext* input, int streamIndex) {
    std::vector<PacketPtr> packets;
    for (;;) {
        PacketPtr packet(av_packet_alloc());
        if (av_read_frame(input, packet.get()) < 0)
            return packets;
        if (packet->stream_index == streamIndex)
            packets.push_back(std::move(packet));
    }
}

// Decodes the first stream of `type`, calling `onFrame` for each frame.
template <typename OnFrame> void Decode(const std::string& fileName, AVMediaType type, OnFrame onFrame) {
    InputPtr input = Open(fileName);
    const int index = av_find_best_stream(input.get(), type, -1, -1, nullptr, 0);
    ASSERT_GE(index, 0);
    const AVCodecParameters* par = input->streams[index]->codecpar;
    const AVCodec* decoder = avcodec_find_decoder(par->codec_id);
    ASSERT_NE(decoder, nullptr);
    CodecPtr context(avcodec_alloc_context3(decoder));
    ASSERT_GE(avcodec_parameters_to_context(context.get(), par), 0);
    context->thread_count = 1;
    ASSERT_GE(avcodec_open2(context.get(), decoder, nullptr), 0);
    FramePtr frame(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    auto drain = [&] {
        while (avcodec_receive_frame(context.get(), frame.get()) >= 0)
            onFrame(frame.get(), input->streams[index]->time_base);
    };
    while (av_read_frame(input.get(), packet.get()) >= 0) {
        if (packet->stream_index == index && avcodec_send_packet(context.get(), packet.get()) >= 0)
            drain();
        av_packet_unref(packet.get());
    }
    avcodec_send_packet(context.get(), nullptr);
    drain();
}

double MeanLuma(const AVFrame* frame) {
    double sum = 0;
    for (int y = 0; y < frame->height; ++y)
        for (int x = 0; x < frame->width; ++x)
            sum += frame->data[0][y * frame->linesize[0] + x];
    return sum / (frame->width * frame->height);
}

// Sample `i` of the first channel on the scale -1..1.
double FirstChannelSample(const AVFrame* frame, int i) {
    const auto format = static_cast<AVSampleFormat>(frame->format);
    const int step = av_sample_fmt_is_planar(format) ? 1 : frame->ch_layout.nb_channels;
    switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
        return (frame->data[0][i * step] - 128) / 128.0;
    case AV_SAMPLE_FMT_S16:
        return reinterpret_cast<const int16_t*>(frame->data[0])[i * step] / 32768.0;
    case AV_SAMPLE_FMT_S32:
        return reinterpret_cast<const int32_t*>(frame->data[0])[i * step] / 2147483648.0;
    case AV_SAMPLE_FMT_FLT:
        return reinterpret_cast<const float*>(frame->data[0])[i * step];
    case AV_SAMPLE_FMT_DBL:
        return reinterpret_cast<const double*>(frame->data[0])[i * step];
    default:
        throw std::runtime_error("sample format not handled by the test");
    }
}

std::vector<char> Bytes(const std::string& fileName) {
    std::ifstream file(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// One row per container: the clip the convenience spec makes there, and what
// reading it back must show.
struct ContainerCase {
    std::string fileName;
    std::string videoCodec; // empty: the container's usual one
    std::string audioCodec;
    AVCodecID videoId; // AV_CODEC_ID_NONE: an audio-only clip
    AVCodecID audioId;
    int sampleRate = 44100; // as read back
    int channels = 2;
    bool knowsDuration = true;
    int width = 64; // as read back
    int height = 48;
};

void PrintTo(const ContainerCase& c, std::ostream* os) {
    *os << c.fileName;
}

class FixtureContainers : public testing::TestWithParam<ContainerCase> {};

TEST_P(FixtureContainers, HoldTheStreamsAskedFor) {
    const ContainerCase& c = GetParam();
    TempDir dir;
    ClipSpec spec = c.videoId == AV_CODEC_ID_NONE ? AudioOnlyClip(1.0) : VideoAndAudioClip(1.0);
    if (!spec.Video.empty())
        spec.Video[0].Codec = c.videoCodec;
    spec.Audio[0].Codec = c.audioCodec;
    const std::string file = dir.File(c.fileName);
    ASSERT_NO_THROW(MakeClip(file, spec));

    InputPtr input = Open(file);
    const auto video = StreamsOf(input.get(), AVMEDIA_TYPE_VIDEO);
    const auto audio = StreamsOf(input.get(), AVMEDIA_TYPE_AUDIO);
    if (c.videoId == AV_CODEC_ID_NONE) {
        EXPECT_TRUE(video.empty());
    } else {
        ASSERT_EQ(video.size(), 1u);
        EXPECT_EQ(video[0]->codecpar->codec_id, c.videoId);
        EXPECT_EQ(video[0]->codecpar->width, c.width);
        EXPECT_EQ(video[0]->codecpar->height, c.height);
    }
    ASSERT_EQ(audio.size(), 1u);
    EXPECT_EQ(audio[0]->codecpar->codec_id, c.audioId);
    EXPECT_EQ(audio[0]->codecpar->sample_rate, c.sampleRate);
    EXPECT_EQ(audio[0]->codecpar->ch_layout.nb_channels, c.channels);
    if (c.knowsDuration) {
        EXPECT_NEAR(input->duration / 1e6, 1.0, 0.12);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, FixtureContainers,
    testing::Values(ContainerCase{"clip.avi", "", "", AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3},
                    ContainerCase{"pcm.avi", "mpeg4", "pcm_s16le", AV_CODEC_ID_MPEG4, AV_CODEC_ID_PCM_S16LE},
                    ContainerCase{"clip.mp4", "", "", AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
                    ContainerCase{"mpeg4.mp4", "mpeg4", "libmp3lame", AV_CODEC_ID_MPEG4, AV_CODEC_ID_MP3},
                    ContainerCase{"clip.mov", "", "", AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
                    ContainerCase{"clip.mkv", "", "", AV_CODEC_ID_H264, AV_CODEC_ID_VORBIS},
                    ContainerCase{"mpeg2.mkv", "mpeg2video", "aac", AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_AAC},
                    ContainerCase{"clip.webm", "", "", AV_CODEC_ID_VP8, AV_CODEC_ID_VORBIS},
                    ContainerCase{"clip.mpg", "", "", AV_CODEC_ID_MPEG1VIDEO, AV_CODEC_ID_MP2},
                    ContainerCase{"clip.vob", "", "", AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MP2},
                    ContainerCase{"clip.ts", "", "", AV_CODEC_ID_MPEG2VIDEO, AV_CODEC_ID_MP2},
                    ContainerCase{"h264.ts", "libx264", "aac", AV_CODEC_ID_H264, AV_CODEC_ID_AAC},
                    ContainerCase{"clip.flv", "", "", AV_CODEC_ID_FLV1, AV_CODEC_ID_MP3},
                    ContainerCase{"clip.ogg", "", "", AV_CODEC_ID_THEORA, AV_CODEC_ID_VORBIS},
                    ContainerCase{"clip.wmv", "", "", AV_CODEC_ID_WMV2, AV_CODEC_ID_WMAV2},
                    ContainerCase{"clip.rm", "", "", AV_CODEC_ID_RV10, AV_CODEC_ID_AC3},
                    // AMR knows only 8000 Hz mono; the maker adapts the requested rate and layout.
                    ContainerCase{"clip.3gp", "", "", AV_CODEC_ID_MPEG4, AV_CODEC_ID_AMR_NB, 8000, 1},
                    ContainerCase{"clip.nut", "", "", AV_CODEC_ID_MPEG4, AV_CODEC_ID_VORBIS},
                    // H.263 takes only its standard sizes; the maker picks the smallest that holds 64x48.
                    ContainerCase{"h263.3gp", "h263", "", AV_CODEC_ID_H263, AV_CODEC_ID_AMR_NB, 8000, 1, true,
                                  128, 96},
                    // DV takes only full PAL pictures.
                    ContainerCase{"clip.dv", "", "", AV_CODEC_ID_DVVIDEO, AV_CODEC_ID_PCM_S16LE, 44100, 2,
                                  true, 720, 576},
                    ContainerCase{"clip.wav", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_PCM_S16LE},
                    ContainerCase{"clip.mp3", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_MP3},
                    ContainerCase{"clip.oga", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_VORBIS},
                    ContainerCase{"clip.flac", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_FLAC},
                    ContainerCase{"clip.ac3", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_AC3},
                    ContainerCase{"clip.aac", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_AAC},
                    ContainerCase{"clip.mp2", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_MP2},
                    ContainerCase{"mono.wma", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_WMAV2},
                    // A raw AMR file has no duration field; its estimate is off.
                    ContainerCase{"clip.amr", "", "", AV_CODEC_ID_NONE, AV_CODEC_ID_AMR_NB, 8000, 1, false}),
    [](const testing::TestParamInfo<ContainerCase>& info) {
        std::string name = info.param.fileName;
        for (char& ch : name)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return name;
    });

TEST(FixtureMaker, WritesSeveralTracksWithTheirOwnSettingsAndMetadata) {
    TempDir dir;
    ClipSpec spec = VideoAndAudioClip(0.5);
    spec.Metadata = {{"title", "测试标题"}, {"comment", "fixture"}};
    spec.Video[0].Metadata = {{"language", "eng"}};
    VideoTrackSpec second;
    second.Width = 32;
    second.Height = 24;
    second.Codec = "mpeg4";
    spec.Video.push_back(second);
    spec.Audio[0].Metadata = {{"language", "chi"}};
    AudioTrackSpec mono;
    mono.SampleRate = 22050;
    mono.Channels = 1;
    mono.Codec = "aac";
    spec.Audio.push_back(mono);
    const std::string file = dir.File("multi.mkv");
    ASSERT_NO_THROW(MakeClip(file, spec));

    InputPtr input = Open(file);
    const auto video = StreamsOf(input.get(), AVMEDIA_TYPE_VIDEO);
    const auto audio = StreamsOf(input.get(), AVMEDIA_TYPE_AUDIO);
    ASSERT_EQ(video.size(), 2u);
    ASSERT_EQ(audio.size(), 2u);
    EXPECT_EQ(video[0]->codecpar->width, 64);
    EXPECT_EQ(video[1]->codecpar->width, 32);
    EXPECT_EQ(video[1]->codecpar->codec_id, AV_CODEC_ID_MPEG4);
    EXPECT_EQ(audio[0]->codecpar->sample_rate, 44100);
    EXPECT_EQ(audio[1]->codecpar->sample_rate, 22050);
    EXPECT_EQ(audio[1]->codecpar->ch_layout.nb_channels, 1);
    EXPECT_EQ(MetadataOf(input->metadata, "title"), "测试标题");
    EXPECT_EQ(MetadataOf(input->metadata, "comment"), "fixture");
    EXPECT_EQ(MetadataOf(video[0]->metadata, "language"), "eng");
    EXPECT_EQ(MetadataOf(audio[0]->metadata, "language"), "chi");
}

// The container title survives in every container that has a place for it.
TEST(FixtureMaker, WritesContainerMetadata) {
    for (const std::string name : {"t.mp4", "t.mov", "t.mkv", "t.avi", "t.mp3", "t.ogg", "t.flac", "t.wmv"}) {
        SCOPED_TRACE(name);
        TempDir dir;
        const bool audioOnly = name.ends_with(".mp3") || name.ends_with(".flac");
        ClipSpec spec = audioOnly ? AudioOnlyClip(0.2) : VideoAndAudioClip(0.2);
        spec.Metadata = {{"title", "Vantoro 片段"}};
        MakeClip(dir.File(name), spec);
        InputPtr input = Open(dir.File(name));
        std::string title = MetadataOf(input->metadata, "title");
        if (title.empty() && input->nb_streams > 0) // Ogg keeps comments per stream
            title = MetadataOf(input->streams[0]->metadata, "title");
        EXPECT_EQ(title, "Vantoro 片段");
    }
}

struct GopCase {
    std::string fileName;
    std::string codec;
};

class FixtureGops : public testing::TestWithParam<GopCase> {};

TEST_P(FixtureGops, GopSizeOneMakesEveryFrameAKeyFrameAndTheDefaultDoesNot) {
    TempDir dir;
    for (const int gop : {1, 12}) {
        SCOPED_TRACE(gop);
        ClipSpec spec = VideoOnlyClip(1.0);
        spec.Video[0].Codec = GetParam().codec;
        spec.Video[0].GopSize = gop;
        const std::string file = dir.File(std::to_string(gop) + GetParam().fileName);
        MakeClip(file, spec);
        InputPtr input = Open(file);
        const auto packets = PacketsOf(input.get(), 0);
        ASSERT_GE(packets.size(), 20u);
        int keys = 0;
        for (const auto& p : packets)
            keys += (p->flags & AV_PKT_FLAG_KEY) ? 1 : 0;
        if (gop == 1) {
            EXPECT_EQ(keys, static_cast<int>(packets.size()));
        } else {
            EXPECT_LT(keys, static_cast<int>(packets.size()) / 2);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Fixture, FixtureGops,
                         testing::Values(GopCase{".mp4", "libx264"}, GopCase{".avi", "mpeg4"},
                                         GopCase{".mkv", "mpeg2video"}, GopCase{".flv", "flv"}),
                         [](const testing::TestParamInfo<GopCase>& info) { return info.param.codec; });

TEST(FixtureMaker, AcceptsAChineseFileNameWithBlanks) {
    TempDir dir;
    const std::string file = dir.File("测试 片段 一.mkv");
    ASSERT_NO_THROW(MakeClip(file, VideoAndAudioClip(0.2)));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(file)));
    InputPtr input = Open(file);
    EXPECT_EQ(input->nb_streams, 2u);
}

struct SizeChangeCase {
    std::string fileName;
    std::string codec;
};

class FixtureSizeChanges : public testing::TestWithParam<SizeChangeCase> {};

TEST_P(FixtureSizeChanges, DecodeToBothSizes) {
    TempDir dir;
    ClipSpec spec = VideoOnlyClip(1.0);
    VideoTrackSpec& v = spec.Video[0];
    v.Codec = GetParam().codec;
    v.SizeChangeAtFrame = 10;
    v.SecondWidth = 96;
    v.SecondHeight = 64;
    const std::string file = dir.File(GetParam().fileName);
    ASSERT_NO_THROW(MakeClip(file, spec));
    std::vector<std::pair<int, int>> sizes;
    Decode(file, AVMEDIA_TYPE_VIDEO,
           [&](const AVFrame* f, AVRational) { sizes.emplace_back(f->width, f->height); });
    ASSERT_EQ(sizes.size(), 25u);
    EXPECT_EQ(sizes.front(), std::make_pair(64, 48));
    EXPECT_EQ(sizes[9], std::make_pair(64, 48));
    EXPECT_EQ(sizes[10], std::make_pair(96, 64));
    EXPECT_EQ(sizes.back(), std::make_pair(96, 64));
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, FixtureSizeChanges,
    testing::Values(SizeChangeCase{"mpeg2.ts", "mpeg2video"}, SizeChangeCase{"h264.ts", "libx264"},
                    SizeChangeCase{"mpeg2.mkv", "mpeg2video"}, SizeChangeCase{"h264.mkv", "libx264"},
                    SizeChangeCase{"mpeg2.mpg", "mpeg2video"}),
    [](const testing::TestParamInfo<SizeChangeCase>& info) {
        return info.param.codec + "_" + info.param.fileName.substr(info.param.fileName.find('.') + 1);
    });

TEST(FixtureMaker, DrawsMarkFramesWhiteAndOthersDark) {
    TempDir dir;
    ClipSpec spec = VideoOnlyClip(1.0);
    spec.Video[0].Codec = "mpeg4";
    // Frame 10 at 25 fps; 620 ms lies halfway between frames 15 and 16 and lights both.
    spec.Video[0].MarksUs = {400000, 620000};
    const std::string file = dir.File("marks.avi");
    MakeClip(file, spec);
    std::vector<double> luma;
    Decode(file, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* f, AVRational) { luma.push_back(MeanLuma(f)); });
    ASSERT_EQ(luma.size(), 25u);
    for (size_t i = 0; i < luma.size(); ++i) {
        SCOPED_TRACE(i);
        if (i == 10 || i == 15 || i == 16)
            EXPECT_GT(luma[i], 200);
        else
            EXPECT_LT(luma[i], 80);
    }
}

TEST(FixtureMaker, PlaysTheToneWithClicksAtTheirTimes) {
    TempDir dir;
    ClipSpec spec = AudioOnlyClip(1.0);
    spec.Audio[0].SampleRate = 8000;
    spec.Audio[0].Channels = 1;
    spec.Audio[0].ToneHz = 500;
    spec.Audio[0].ClicksUs = {250000, 750000};
    const std::string file = dir.File("clicks.wav");
    MakeClip(file, spec);
    std::vector<double> samples;
    Decode(file, AVMEDIA_TYPE_AUDIO, [&](const AVFrame* f, AVRational) {
        for (int i = 0; i < f->nb_samples; ++i)
            samples.push_back(FirstChannelSample(f, i));
    });
    ASSERT_EQ(samples.size(), 8000u);
    auto peakBetween = [&](size_t from, size_t to) {
        double peak = 0;
        for (size_t i = from; i < to; ++i)
            peak = std::max(peak, std::abs(samples[i]));
        return peak;
    };
    EXPECT_GT(peakBetween(2000, 2016), 0.99);
    EXPECT_GT(peakBetween(6000, 6016), 0.99);
    EXPECT_NEAR(peakBetween(0, 1990), 0.25, 0.01);
    EXPECT_NEAR(peakBetween(2100, 5990), 0.25, 0.01);
    EXPECT_LT(std::abs(samples[1999]), 0.3);
}

// The tone is written straight into each encoder's sample format; lossless
// codecs must give it back at its level, with the click at full scale.
struct SampleFormatCase {
    std::string fileName;
    std::string codec;
    std::string sampleFormat; // empty: the encoder's first
    AVSampleFormat expected;  // as the stream says
};

void PrintTo(const SampleFormatCase& c, std::ostream* os) {
    *os << c.fileName;
}

class FixtureSampleFormats : public testing::TestWithParam<SampleFormatCase> {};

TEST_P(FixtureSampleFormats, CarryTheToneAndTheClick) {
    const SampleFormatCase& c = GetParam();
    TempDir dir;
    ClipSpec spec = AudioOnlyClip(0.25);
    spec.Audio[0].Codec = c.codec;
    spec.Audio[0].SampleFormat = c.sampleFormat;
    spec.Audio[0].SampleRate = 8000;
    spec.Audio[0].ToneHz = 250;
    spec.Audio[0].ClicksUs = {125000};
    const std::string file = dir.File(c.fileName);
    ASSERT_NO_THROW(MakeClip(file, spec));
    EXPECT_EQ(Open(file)->streams[0]->codecpar->format, c.expected);
    std::vector<double> samples;
    Decode(file, AVMEDIA_TYPE_AUDIO, [&](const AVFrame* f, AVRational) {
        for (int i = 0; i < f->nb_samples; ++i)
            samples.push_back(FirstChannelSample(f, i));
    });
    ASSERT_EQ(samples.size(), 2000u);
    double tonePeak = 0;
    for (size_t i = 0; i < 900; ++i)
        tonePeak = std::max(tonePeak, std::abs(samples[i]));
    EXPECT_NEAR(tonePeak, 0.25, 0.01);
    EXPECT_GT(samples[1001], 0.98);
    EXPECT_GT(samples[1000], 0.0); // a sine sample at 2 cycles would be 0
}

INSTANTIATE_TEST_SUITE_P(Fixture, FixtureSampleFormats,
                         testing::Values(SampleFormatCase{"u8.wav", "pcm_u8", "", AV_SAMPLE_FMT_U8},
                                         SampleFormatCase{"s16.wav", "pcm_s16le", "", AV_SAMPLE_FMT_S16},
                                         SampleFormatCase{"s32.wav", "pcm_s32le", "", AV_SAMPLE_FMT_S32},
                                         SampleFormatCase{"f32.wav", "pcm_f32le", "", AV_SAMPLE_FMT_FLT},
                                         SampleFormatCase{"f64.wav", "pcm_f64le", "", AV_SAMPLE_FMT_DBL},
                                         SampleFormatCase{"s16be.aiff", "pcm_s16be", "", AV_SAMPLE_FMT_S16},
                                         SampleFormatCase{"s16.flac", "flac", "s16", AV_SAMPLE_FMT_S16},
                                         SampleFormatCase{"s32.flac", "flac", "s32", AV_SAMPLE_FMT_S32}),
                         [](const testing::TestParamInfo<SampleFormatCase>& info) {
                             return info.param.fileName.substr(0, info.param.fileName.find('.')) + "_" +
                                    info.param.codec;
                         });

// Encoders that want another picture format get the picture converted; a
// named container goes to the file whatever its extension.
struct PictureCase {
    std::string fileName;
    std::string format;
    std::string codec;
    std::string pixelFormat;
    AVCodecID expectedCodec;
    AVPixelFormat expectedFormat;
};

void PrintTo(const PictureCase& c, std::ostream* os) {
    *os << c.fileName;
}

class FixturePictures : public testing::TestWithParam<PictureCase> {};

TEST_P(FixturePictures, ComeOutInTheEncodersFormatWithTheirMarks) {
    const PictureCase& c = GetParam();
    TempDir dir;
    ClipSpec spec = VideoOnlyClip(0.4);
    spec.Format = c.format;
    spec.Video[0].Codec = c.codec;
    spec.Video[0].PixelFormat = c.pixelFormat;
    spec.Video[0].MarksUs = {200000}; // frame 5
    const std::string file = dir.File(c.fileName);
    ASSERT_NO_THROW(MakeClip(file, spec));
    InputPtr input = Open(file);
    ASSERT_EQ(input->nb_streams, 1u);
    EXPECT_EQ(input->streams[0]->codecpar->codec_id, c.expectedCodec);
    EXPECT_EQ(input->streams[0]->codecpar->format, c.expectedFormat);
    int frames = 0;
    Decode(file, AVMEDIA_TYPE_VIDEO, [&](const AVFrame* f, AVRational) {
        // Every format here but RGB keeps luma in plane 0; for RGB the green byte serves.
        const bool rgb = f->format == AV_PIX_FMT_RGB24;
        double sum = 0;
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x)
                sum += f->data[0][y * f->linesize[0] + (rgb ? 3 * x + 1 : x)];
        const double mean = sum / (f->width * f->height);
        SCOPED_TRACE(frames);
        if (frames == 5) {
            EXPECT_GT(mean, 200);
        } else {
            EXPECT_LT(mean, 80);
        }
        ++frames;
    });
    EXPECT_EQ(frames, 10);
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, FixturePictures,
    testing::Values(PictureCase{"mjpeg.avi", "", "mjpeg", "yuvj422p", AV_CODEC_ID_MJPEG, AV_PIX_FMT_YUVJ422P},
                    PictureCase{"png.mov", "", "png", "", AV_CODEC_ID_PNG, AV_PIX_FMT_RGB24},
                    PictureCase{"x444.mkv", "", "libx264", "yuv444p", AV_CODEC_ID_H264, AV_PIX_FMT_YUV444P},
                    PictureCase{"ffv1.mkv", "", "ffv1", "", AV_CODEC_ID_FFV1, AV_PIX_FMT_YUV420P},
                    PictureCase{"named.bin", "matroska", "", "", AV_CODEC_ID_H264, AV_PIX_FMT_YUV420P}),
    [](const testing::TestParamInfo<PictureCase>& info) {
        return info.param.fileName.substr(0, info.param.fileName.find('.'));
    });

struct SubtitleCase {
    std::string fileName;
    std::string codec;
    AVCodecID id;
};

class FixtureSubtitles : public testing::TestWithParam<SubtitleCase> {};

TEST_P(FixtureSubtitles, WriteOnePacketPerCueAtItsTime) {
    TempDir dir;
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Subtitles.push_back(SubtitleTrackSpec{GetParam().codec, {{100000, 400000}, {600000, 900000}}});
    const std::string file = dir.File(GetParam().fileName);
    ASSERT_NO_THROW(MakeClip(file, spec));
    InputPtr input = Open(file);
    const auto subtitles = StreamsOf(input.get(), AVMEDIA_TYPE_SUBTITLE);
    ASSERT_EQ(subtitles.size(), 1u);
    EXPECT_EQ(subtitles[0]->codecpar->codec_id, GetParam().id);
    // Cue times count from the video's start: program streams shift every stream by a preload.
    const AVStream* video = StreamsOf(input.get(), AVMEDIA_TYPE_VIDEO).at(0);
    const int64_t start = av_rescale_q(video->start_time, video->time_base, AV_TIME_BASE_Q);
    const AVRational tb = subtitles[0]->time_base;
    std::vector<int64_t> cues;
    for (const auto& p : PacketsOf(input.get(), subtitles[0]->index))
        if (p->size > 2) // MP4 fills the gaps between cues with empty samples
            cues.push_back(av_rescale_q(p->pts, tb, AV_TIME_BASE_Q) - start);
    ASSERT_EQ(cues.size(), 2u);
    EXPECT_NEAR(cues[0], 100000, 1000);
    EXPECT_NEAR(cues[1], 600000, 1000);
}

INSTANTIATE_TEST_SUITE_P(Fixture, FixtureSubtitles,
                         testing::Values(SubtitleCase{"dvd.mkv", "dvdsub", AV_CODEC_ID_DVD_SUBTITLE},
                                         SubtitleCase{"dvd.mpg", "dvdsub", AV_CODEC_ID_DVD_SUBTITLE},
                                         SubtitleCase{"text.mkv", "subrip", AV_CODEC_ID_SUBRIP},
                                         SubtitleCase{"text.mp4", "mov_text", AV_CODEC_ID_MOV_TEXT},
                                         SubtitleCase{"dvb.ts", "dvbsub", AV_CODEC_ID_DVB_SUBTITLE},
                                         SubtitleCase{"ass.mkv", "ass", AV_CODEC_ID_ASS},
                                         SubtitleCase{"vtt.webm", "webvtt", AV_CODEC_ID_WEBVTT}),
                         [](const testing::TestParamInfo<SubtitleCase>& info) {
                             return info.param.codec + "_" +
                                    info.param.fileName.substr(info.param.fileName.find('.') + 1);
                         });

TEST(FixtureMaker, DvdSubtitlesDecodeToABitmapForTheirCue) {
    TempDir dir;
    ClipSpec spec = VideoAndAudioClip(1.0);
    spec.Subtitles.push_back(SubtitleTrackSpec{"dvdsub", {{200000, 500000}}});
    const std::string file = dir.File("dvd.mkv");
    MakeClip(file, spec);
    InputPtr input = Open(file);
    const auto subtitles = StreamsOf(input.get(), AVMEDIA_TYPE_SUBTITLE);
    ASSERT_EQ(subtitles.size(), 1u);
    const AVCodec* decoder = avcodec_find_decoder(AV_CODEC_ID_DVD_SUBTITLE);
    CodecPtr context(avcodec_alloc_context3(decoder));
    ASSERT_GE(avcodec_parameters_to_context(context.get(), subtitles[0]->codecpar), 0);
    ASSERT_GE(avcodec_open2(context.get(), decoder, nullptr), 0);
    auto packets = PacketsOf(input.get(), subtitles[0]->index);
    ASSERT_EQ(packets.size(), 1u);
    AVSubtitle subtitle{};
    int got = 0;
    ASSERT_GE(avcodec_decode_subtitle2(context.get(), &subtitle, &got, packets[0].get()), 0);
    ASSERT_TRUE(got);
    ASSERT_EQ(subtitle.num_rects, 1u);
    EXPECT_EQ(subtitle.rects[0]->type, SUBTITLE_BITMAP);
    EXPECT_GT(subtitle.rects[0]->w, 0);
    EXPECT_NEAR(subtitle.end_display_time, 300, 20);
    avsubtitle_free(&subtitle);
}

TEST(FixtureMaker, KeepsAFractionalFrameRate) {
    TempDir dir;
    ClipSpec spec = VideoOnlyClip(1.0);
    spec.Video[0].FrameRateNum = 30000;
    spec.Video[0].FrameRateDen = 1001;
    const std::string file = dir.File("ntsc.mp4");
    MakeClip(file, spec);
    InputPtr input = Open(file);
    const AVRational rate = input->streams[0]->avg_frame_rate;
    EXPECT_NEAR(av_q2d(rate), 29.97, 0.01);
    EXPECT_EQ(input->streams[0]->nb_frames, 30);
}

TEST(FixtureMaker, WritesTheSameBytesEachTime) {
    TempDir dir;
    for (const std::string name : {"same.mp4", "same.mkv", "same.avi", "same.ogg", "same.ts", "same.mpg",
                                   "same.flv", "same.wmv", "same.rm", "same.webm", "same.mov"}) {
        SCOPED_TRACE(name);
        MakeClip(dir.File("1" + name), VideoAndAudioClip(0.5));
        MakeClip(dir.File("2" + name), VideoAndAudioClip(0.5));
        EXPECT_EQ(Bytes(dir.File("1" + name)), Bytes(dir.File("2" + name)));
    }
}

TEST(FixtureMaker, BenchmarkClipIs720p) {
    TempDir dir;
    const std::string file = dir.File("bench.mp4");
    MakeClip(file, BenchmarkClip(0.4));
    InputPtr input = Open(file);
    const auto video = StreamsOf(input.get(), AVMEDIA_TYPE_VIDEO);
    ASSERT_EQ(video.size(), 1u);
    EXPECT_EQ(video[0]->codecpar->width, 1280);
    EXPECT_EQ(video[0]->codecpar->height, 720);
    EXPECT_EQ(video[0]->codecpar->codec_id, AV_CODEC_ID_H264);
}

struct BadSpecCase {
    std::string label;
    std::string fileName;
    ClipSpec spec;
    std::string reasonPart; // the message must name the cause
};

void PrintTo(const BadSpecCase& c, std::ostream* os) {
    *os << c.label;
}

class FixtureBadSpecs : public testing::TestWithParam<BadSpecCase> {};

TEST_P(FixtureBadSpecs, ThrowWithTheReason) {
    TempDir dir;
    const std::string file =
        GetParam().fileName.starts_with("/") ? GetParam().fileName : dir.File(GetParam().fileName);
    try {
        MakeClip(file, GetParam().spec);
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().reasonPart), std::string::npos) << e.what();
    }
    EXPECT_FALSE(std::filesystem::exists(file)) << "a failed clip leaves no file behind";
}

ClipSpec WithVideoCodec(const std::string& codec) {
    ClipSpec spec = VideoAndAudioClip(0.2);
    spec.Video[0].Codec = codec;
    return spec;
}

ClipSpec WithVideoOption(const std::string& key) {
    ClipSpec spec = VideoAndAudioClip(0.2);
    spec.Video[0].Options[key] = "1";
    return spec;
}

INSTANTIATE_TEST_SUITE_P(
    Fixture, FixtureBadSpecs,
    testing::Values(BadSpecCase{"UnknownEncoder", "a.mkv", WithVideoCodec("nosuchcodec"), "nosuchcodec"},
                    BadSpecCase{"AudioEncoderForVideo", "a.mkv", WithVideoCodec("aac"), "aac"},
                    BadSpecCase{"MisspeltOption", "a.mkv", WithVideoOption("presett"), "presett"},
                    BadSpecCase{"VideoInAudioOnlyContainer", "a.wav", VideoAndAudioClip(0.2), "wav"},
                    BadSpecCase{"MuxerRefusesCodec", "a.mp4", WithVideoCodec("wmv2"), "wmv2"},
                    BadSpecCase{"UnknownContainer", "a.nosuchext", VideoAndAudioClip(0.2), "muxer"},
                    BadSpecCase{"MissingFolder", "/nonexistent-vantoro-folder/a.mkv", VideoAndAudioClip(0.2),
                                "nonexistent-vantoro-folder"}),
    [](const testing::TestParamInfo<BadSpecCase>& info) { return info.param.label; });

TEST(FixtureFiles, TempDirIsFreshAndRemovedWithItsContents) {
    std::filesystem::path kept;
    {
        TempDir one;
        TempDir two;
        EXPECT_NE(one.Path(), two.Path());
        EXPECT_TRUE(std::filesystem::is_directory(one.Path()));
        EXPECT_TRUE(std::filesystem::is_empty(one.Path()));
        kept = one.Path();
        std::filesystem::create_directory(one.Path() / "sub");
        WriteRandomBytes(one.File("sub/x.bin"), 10);
    }
    EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST(FixtureFiles, DamageHelpersChangeWhatTheySay) {
    TempDir dir;
    const std::string file = dir.File("r.bin");
    WriteRandomBytes(file, 1000, 7);
    const std::vector<char> original = Bytes(file);
    ASSERT_EQ(original.size(), 1000u);
    WriteRandomBytes(dir.File("same.bin"), 1000, 7);
    EXPECT_EQ(Bytes(dir.File("same.bin")), original);
    WriteRandomBytes(dir.File("other.bin"), 1000, 8);
    EXPECT_NE(Bytes(dir.File("other.bin")), original);

    OverwriteMiddle(file, 100, 3);
    const std::vector<char> damaged = Bytes(file);
    ASSERT_EQ(damaged.size(), 1000u);
    EXPECT_TRUE(std::equal(original.begin(), original.begin() + 450, damaged.begin()));
    EXPECT_TRUE(std::equal(original.begin() + 550, original.end(), damaged.begin() + 550));
    EXPECT_FALSE(std::equal(original.begin() + 450, original.begin() + 550, damaged.begin() + 450));

    TruncateFile(file, 0.25);
    const std::vector<char> cut = Bytes(file);
    ASSERT_EQ(cut.size(), 250u);
    EXPECT_TRUE(std::equal(cut.begin(), cut.end(), damaged.begin()));
}

} // namespace
