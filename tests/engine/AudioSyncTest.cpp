// The audio path's handling of awkward input: sync corrections when one input
// feeds several outputs, and decoded audio that changes its layout mid-stream.
#include "SetupTestSupport.h"
#include "media/FileHelpers.h"

#include <fstream>
#include <stdexcept>

namespace {

// Copies `in` to `out` with every packet from `atUs` on moved `backUs` earlier,
// so that the audio overlaps itself there (dts stays increasing).
void RemuxWithOverlap(const std::string& in, const std::string& out, int64_t atUs, int64_t backUs) {
    ReadBackPtr source = ReadBack(in);
    if (!source)
        throw std::runtime_error("cannot read " + in);
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, nullptr, nullptr, out.c_str()) < 0)
        throw std::runtime_error("no muxer for " + out);
    std::unique_ptr<AVFormatContext, void (*)(AVFormatContext*)> target(raw, [](AVFormatContext* c) {
        avio_closep(&c->pb);
        avformat_free_context(c);
    });
    for (unsigned i = 0; i < source->nb_streams; ++i) {
        AVStream* st = avformat_new_stream(raw, nullptr);
        if (!st || avcodec_parameters_copy(st->codecpar, source->streams[i]->codecpar) < 0)
            throw std::runtime_error("cannot copy stream");
        st->codecpar->codec_tag = 0;
        st->time_base = source->streams[i]->time_base;
    }
    if (avio_open(&raw->pb, out.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(raw, nullptr) < 0)
        throw std::runtime_error("cannot write " + out);
    AVPacket* pkt = av_packet_alloc();
    while (av_read_frame(source.get(), pkt) >= 0) {
        const AVRational tb = source->streams[pkt->stream_index]->time_base;
        if (pkt->pts != AV_NOPTS_VALUE && av_rescale_q(pkt->pts, tb, AV_TIME_BASE_Q) >= atUs) {
            const int64_t shift = av_rescale_q(backUs, AV_TIME_BASE_Q, tb);
            pkt->pts -= shift;
            if (pkt->dts != AV_NOPTS_VALUE)
                pkt->dts -= shift;
        }
        av_packet_rescale_ts(pkt, tb, raw->streams[pkt->stream_index]->time_base);
        const int ret = av_write_frame(raw, pkt);
        av_packet_unref(pkt);
        if (ret < 0) {
            av_packet_free(&pkt);
            throw std::runtime_error("cannot write packet to " + out);
        }
    }
    av_packet_free(&pkt);
    av_write_trailer(raw);
}

class AudioSyncTest : public SetupTest {
protected:
    void Run() {
        RunToEnd();
        task.ResetEngineState();
    }
};

TEST_F(AudioSyncTest, SamplesDroppedForOneOutputStayInTheFrameForTheNext) {
    // 10 ms of overlap half-way: less than one mp2 frame (1152 samples), more than
    // the 50-sample threshold and less than the drift threshold, so with audio
    // sync on the first output drops part of that frame and the second keeps it.
    ClipSpec spec = AudioOnlyClip(1.0);
    spec.Audio.front().Codec = "mp2";
    const std::string clean = Clip("clean.mkv", spec);
    const std::string overlapped = dir.File("overlap.mkv");
    RemuxWithOverlap(clean, overlapped, 500000, 10000);

    OpenInput(overlapped);
    OpenOutput(dir.File("first.wav"), {{"async", "1"}});
    OpenOutput(dir.File("second.wav"));
    Run();

    // The same input with no sync correction at all: every decoded sample once.
    OpenInput(overlapped);
    OpenOutput(dir.File("reference.wav"));
    Run();

    int64_t firstSize = 0, secondSize = 0, referenceSize = 0;
    std::vector<char> second, reference, first;
    ASSERT_EQ(ReadWholeFile(dir.File("first.wav"), first, firstSize), 0);
    ASSERT_EQ(ReadWholeFile(dir.File("second.wav"), second, secondSize), 0);
    ASSERT_EQ(ReadWholeFile(dir.File("reference.wav"), reference, referenceSize), 0);
    // The first output did drop (it is shorter), the second has every sample unchanged.
    EXPECT_LT(firstSize, referenceSize);
    EXPECT_TRUE(second == reference) << "the second output's samples differ from the source's";
}

// Decoded audio whose channel count changes mid-stream (a broadcast switching
// programmes): the conversion follows the new layout instead of reading planes
// that the new frames do not have.
TEST_F(AudioSyncTest, ConversionFollowsAChannelCountChange) {
    struct TCase {
        int FirstChannels, SecondChannels;
    };
    for (const TCase c : {TCase{2, 1}, TCase{1, 2}}) {
        SCOPED_TRACE(std::to_string(c.FirstChannels) + " then " + std::to_string(c.SecondChannels));
        ClipSpec first = AudioOnlyClip(0.5), second = AudioOnlyClip(0.5);
        first.Audio.front().Channels = c.FirstChannels;
        second.Audio.front().Channels = c.SecondChannels;
        const std::string tag = std::to_string(c.FirstChannels) + std::to_string(c.SecondChannels);
        const std::string a = Clip("first" + tag + ".mp2", first);
        const std::string b = Clip("second" + tag + ".mp2", second);
        // An elementary stream is its frames one after another, so the bytes can simply follow.
        const std::string joined = dir.File("joined" + tag + ".mp2");
        {
            std::ofstream out(joined, std::ios::binary);
            out << std::ifstream(a, std::ios::binary).rdbuf() << std::ifstream(b, std::ios::binary).rdbuf();
        }

        OpenInput(joined);
        const std::string path = dir.File("joined" + tag + ".wav");
        OpenOutput(path);
        Run();
        ReadBackPtr out = ReadBack(path);
        ASSERT_TRUE(out);
        EXPECT_NEAR(out->duration / 1e6, 1.0, 0.1);
    }
}

} // namespace
