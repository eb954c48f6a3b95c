#include "setup/InterlaceDetection.h"

#include "task/EnginePointers.h"
#include "engine/FormatText.h"
#include "media/FFmpegLoader.h"

#include <cstdlib>
#include <mutex>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
}

namespace {

// Fewer judged pictures than this say too little about the source.
constexpr int MinJudgedPictures = 8;
// Packets kept for the run to read again, at most (a few seconds of a camera's
// highest rates).
constexpr int64_t MaxKeptBytes = 64 * 1024 * 1024;

int MetadataCount(const AVFrame* frame, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(frame->metadata, key, nullptr, 0);
    return entry ? std::atoi(entry->value) : 0;
}

// The decoder and the detector's graph, made at the first picture.
class Sampler {
public:
    Sampler(const AVStream* stream, const AVCodec* decoder) : stream_(stream) {
        if (!decoder)
            return;
        decoder_.reset(avcodec_alloc_context3(decoder));
        if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), stream->codecpar) < 0) {
            decoder_.reset();
            return;
        }
        decoder_->pkt_timebase = stream->time_base;
        decoder_->thread_count = 1;
        int ret;
        {
            std::lock_guard lock(CodecLock());
            ret = avcodec_open2(decoder_.get(), decoder, nullptr);
        }
        if (ret < 0)
            decoder_.reset();
        frame_.reset(av_frame_alloc());
        judged_.reset(av_frame_alloc());
    }

    bool Usable() const { return decoder_ && frame_ && judged_; }

    // Decodes `packet` (null: the end) and judges the pictures it gives.
    void Decode(const AVPacket* packet, TInterlaceSample& sample) {
        if (avcodec_send_packet(decoder_.get(), packet) < 0 && packet)
            return;
        while (avcodec_receive_frame(decoder_.get(), frame_.get()) >= 0) {
            ++sample.Pictures;
            if (frame_->interlaced_frame)
                ++sample.FlaggedInterlaced;
            if (firstTime_ == AV_NOPTS_VALUE)
                firstTime_ = frame_->best_effort_timestamp;
            lastTime_ = frame_->best_effort_timestamp;
            if (Detector(frame_.get()) && av_buffersrc_add_frame(source_, frame_.get()) >= 0)
                TakeVerdicts(sample);
            av_frame_unref(frame_.get());
        }
        if (!packet && graph_ && av_buffersrc_add_frame(source_, nullptr) >= 0)
            TakeVerdicts(sample);
    }

    double SecondsSeen() const {
        if (firstTime_ == AV_NOPTS_VALUE || lastTime_ == AV_NOPTS_VALUE)
            return 0.0;
        return static_cast<double>(lastTime_ - firstTime_) * av_q2d(stream_->time_base);
    }

private:
    // The graph for pictures like `picture`; none when it cannot be made (the
    // sample then goes by the coding flags only).
    bool Detector(const AVFrame* picture) {
        if (graph_ || failed_)
            return graph_ != nullptr;
        failed_ = true;
        graph_.reset(avfilter_graph_alloc());
        if (!graph_)
            return false;
        graph_->nb_threads = 1;
        const AVRational base = stream_->time_base.num ? stream_->time_base : AVRational{1, AV_TIME_BASE};
        const AVRational aspect =
            picture->sample_aspect_ratio.num ? picture->sample_aspect_ratio : AVRational{1, 1};
        const std::string args =
            FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", picture->width,
                       picture->height, picture->format, base.num, base.den, aspect.num, aspect.den);
        AVFilterContext* idet = nullptr;
        if (avfilter_graph_create_filter(&source_, avfilter_get_by_name("buffer"), "src", args.c_str(),
                                         nullptr, graph_.get()) < 0 ||
            avfilter_graph_create_filter(&idet, avfilter_get_by_name("idet"), "idet", nullptr, nullptr,
                                         graph_.get()) < 0 ||
            avfilter_graph_create_filter(&sink_, avfilter_get_by_name("buffersink"), "out", nullptr, nullptr,
                                         graph_.get()) < 0 ||
            avfilter_link(source_, 0, idet, 0) < 0 || avfilter_link(idet, 0, sink_, 0) < 0 ||
            avfilter_graph_config(graph_.get(), nullptr) < 0) {
            graph_.reset();
            return false;
        }
        failed_ = false;
        return true;
    }

    // The detector's counts are running totals: the latest picture carries them all.
    void TakeVerdicts(TInterlaceSample& sample) {
        while (av_buffersink_get_frame(sink_, judged_.get()) >= 0) {
            sample.TopFirst = MetadataCount(judged_.get(), "lavfi.idet.multiple.tff");
            sample.BottomFirst = MetadataCount(judged_.get(), "lavfi.idet.multiple.bff");
            sample.Progressive = MetadataCount(judged_.get(), "lavfi.idet.multiple.progressive");
            av_frame_unref(judged_.get());
        }
    }

    const AVStream* stream_;
    CodecContextPtr decoder_;
    FramePtr frame_;
    FramePtr judged_;
    FilterGraphPtr graph_;
    AVFilterContext* source_ = nullptr; // owned by graph_
    AVFilterContext* sink_ = nullptr;
    bool failed_ = false;
    int64_t firstTime_ = AV_NOPTS_VALUE;
    int64_t lastTime_ = AV_NOPTS_VALUE;
};

} // namespace

bool SampleIsInterlaced(const TInterlaceSample& sample) {
    const int fields = sample.TopFirst + sample.BottomFirst;
    const int judged = fields + sample.Progressive;
    if (judged >= MinJudgedPictures)
        return fields * 3 >= judged;
    if (sample.Pictures > 0)
        return sample.FlaggedInterlaced * 2 > sample.Pictures;
    return sample.StreamFieldOrder != AV_FIELD_UNKNOWN && sample.StreamFieldOrder != AV_FIELD_PROGRESSIVE;
}

int SampleFieldParity(const TInterlaceSample& sample) {
    if (sample.TopFirst != sample.BottomFirst)
        return sample.BottomFirst > sample.TopFirst ? 1 : 0;
    return sample.StreamFieldOrder == AV_FIELD_BB || sample.StreamFieldOrder == AV_FIELD_BT ? 1 : 0;
}

TInterlaceSample SampleInterlacing(AVFormatContext* ctx, int streamIndex, const AVCodec* decoder,
                                   std::deque<PacketPtr>& kept, double maxSeconds, int maxPictures) {
    TInterlaceSample sample;
    if (streamIndex < 0 || streamIndex >= static_cast<int>(ctx->nb_streams))
        return sample;
    const AVStream* stream = ctx->streams[streamIndex];
    sample.StreamFieldOrder = stream->codecpar->field_order;
    Sampler sampler(stream, decoder);
    if (!sampler.Usable())
        return sample;

    int64_t keptBytes = 0;
    bool ended = false;
    while (sample.Pictures < maxPictures && sampler.SecondsSeen() < maxSeconds && keptBytes < MaxKeptBytes) {
        PacketPtr packet(av_packet_alloc());
        if (!packet)
            break;
        // A live source with nothing now, a damaged one or the end: judge what came.
        if (av_read_frame(ctx, packet.get()) < 0) {
            ended = true;
            break;
        }
        keptBytes += packet->size;
        if (packet->stream_index == streamIndex)
            sampler.Decode(packet.get(), sample);
        kept.push_back(std::move(packet));
    }
    // The pictures the decoder still holds count too, when nothing more follows.
    if (ended)
        sampler.Decode(nullptr, sample);
    return sample;
}
