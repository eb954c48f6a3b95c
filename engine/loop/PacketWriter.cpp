// Everything that reaches a muxer: encoder output, copied packets, the
// bitstream filters in between, and the interleaved write.
#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "media/FFmpegLogger.h"
#include "media/TextHelpers.h"
#include "task/FFmpegTask.h"

#include <cmath>
#include <cstdio>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/avutil.h>
#include <libavutil/intreadwrite.h>
}

void TCustomFFmpeg::SendToEncoder(TOutputStream& ost, const AVFrame* frame) {
    AVCodecContext* enc = ost.Encoder;
    const bool video = enc->codec_type == AVMEDIA_TYPE_VIDEO;
    const char* failure = video ? "Video encoding failed" : "Audio encoding failed";
    int ret = avcodec_send_frame(enc, frame);
    if (ret < 0 && ret != AVERROR_EOF)
        throw FFmpegException(failure);
    AVPacket* pkt = encodedPacket_.get();
    for (;;) {
        ret = avcodec_receive_packet(enc, pkt);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            break;
        if (ret < 0)
            throw FFmpegException(failure);
        size_t size = 0;
        const uint8_t* stats = av_packet_get_side_data(pkt, AV_PKT_DATA_QUALITY_STATS, &size);
        if (stats && size >= 4)
            ost.LastQuality = static_cast<float>(AV_RL32(stats)) / FF_QP2LAMBDA;
        RecordPictureErrors(ost, stats, size);
        if (video && !settings_.VStatsFileName.empty())
            WriteVideoStats(
                ost, pkt,
                stats && size >= 5 ? av_get_picture_type_char(static_cast<AVPictureType>(stats[4])) : '?',
                stats && size >= 16 ? AV_RL64(stats + 8) : 0);
        (video ? counters_.VideoBytes : counters_.AudioBytes) += pkt->size;
        if (video && frame && preview_.Active())
            preview_.Step(*frame, *enc, pkt->pts, ost.EncodingFrameCounter);
        if (ost.PassLogFile && enc->stats_out)
            std::fputs(enc->stats_out, ost.PassLogFile.get());
        av_packet_rescale_ts(pkt, enc->time_base, ost.Stream->time_base);
        WritePacket(ost, pkt);
    }
}

void TCustomFFmpeg::DoStreamCopy(TOutputStream& ost, const TInputStream& ist, const AVPacket* pkt) {
    // Start at a key frame unless the stream has begun or the options say otherwise.
    if (!ost.FrameNumber && !(pkt->flags & AV_PKT_FLAG_KEY) && !settings_.CopyInitialNonKeyFrames)
        return;
    AVPacket* out = encodedPacket_.get();
    if (av_packet_ref(out, pkt) < 0)
        throw FFmpegException("Out of memory");
    const int64_t startOffset = av_rescale_q(settings_.StartTime, AV_TIME_BASE_Q, ost.Stream->time_base);
    if (out->pts != AV_NOPTS_VALUE)
        out->pts = av_rescale_q(out->pts, ist.Stream->time_base, ost.Stream->time_base) - startOffset;
    if (out->dts == AV_NOPTS_VALUE)
        out->dts = av_rescale_q(ist.Pts, AV_TIME_BASE_Q, ost.Stream->time_base);
    else
        out->dts = av_rescale_q(out->dts, ist.Stream->time_base, ost.Stream->time_base);
    out->dts -= startOffset;
    out->duration = av_rescale_q(out->duration, ist.Stream->time_base, ost.Stream->time_base);
    (ost.Encoder->codec_type == AVMEDIA_TYPE_VIDEO ? counters_.VideoBytes : counters_.AudioBytes) +=
        out->size;
    WritePacket(ost, out);
    ++ost.FrameNumber;
}

void TCustomFFmpeg::WritePacket(TOutputStream& ost, AVPacket* pkt) {
    pkt->stream_index = ost.Index;
    if (!ost.BitstreamFiltersOpened)
        OpenBitstreamFilters(ost);
    if (ost.BitstreamFilters.empty())
        MuxPacket(ost, pkt);
    else
        FilterPacket(ost, pkt, 0);
}

void TCustomFFmpeg::RepairTimestamps(TOutputStream& ost, AVPacket* pkt) {
    const AVFormatContext* context = outputs_[ost.FileIndex]->Context.get();
    if (context->oformat->flags & AVFMT_NOTIMESTAMPS)
        return;
    const int64_t original = pkt->dts;
    if (pkt->dts != AV_NOPTS_VALUE && ost.LastDts != AV_NOPTS_VALUE) {
        // The muxer takes a repeated time only where the format allows it (and
        // never for audio or video in a strict one); a time going back never.
        const AVMediaType type = ost.Stream->codecpar->codec_type;
        const bool equalAllowed = (context->oformat->flags & AVFMT_TS_NONSTRICT) ||
                                  (type != AVMEDIA_TYPE_AUDIO && type != AVMEDIA_TYPE_VIDEO);
        const int64_t lowest = equalAllowed ? ost.LastDts : ost.LastDts + 1;
        if (pkt->dts < lowest) {
            if (!ost.WarnedTimestampRepair && settings_.Verbose >= 0)
                GetLogger().LogFmt(logSender_, llWarning,
                                   "Output stream #%d.%d: timestamp %lld after %lld goes back in time; such "
                                   "packets are moved to just after their predecessor",
                                   ost.FileIndex, ost.Index, static_cast<long long>(original),
                                   static_cast<long long>(ost.LastDts));
            ost.WarnedTimestampRepair = true;
            pkt->dts = lowest;
        }
    }
    if (pkt->pts != AV_NOPTS_VALUE && pkt->dts != AV_NOPTS_VALUE && pkt->pts < pkt->dts)
        pkt->pts = pkt->dts;
    if (pkt->dts != AV_NOPTS_VALUE)
        ost.LastDts = pkt->dts;
}

void TCustomFFmpeg::MuxPacket(TOutputStream& ost, AVPacket* pkt) {
    RepairTimestamps(ost, pkt);
    const int64_t end = (pkt->pts != AV_NOPTS_VALUE ? pkt->pts : pkt->dts) + pkt->duration;
    if (end != AV_NOPTS_VALUE)
        ost.PositionSeconds = std::max(ost.PositionSeconds, end * av_q2d(ost.Stream->time_base));
    const int ret = av_interleaved_write_frame(outputs_[ost.FileIndex]->Context.get(), pkt);
    if (ret < 0)
        throw FFmpegException(LibraryErrorText("av_interleaved_write_frame()", ret));
    ++ost.PacketsWritten;
}

void TCustomFFmpeg::WriteVideoStats(const TOutputStream& ost, const AVPacket* pkt, char pictureType,
                                    uint64_t lumaError) {
    if (!vstatsFile_) {
        vstatsFile_.reset(std::fopen(settings_.VStatsFileName.c_str(), "w"));
        if (!vstatsFile_)
            throw FFmpegException("fopen fail: " + settings_.VStatsFileName);
    }
    const AVCodecContext* enc = ost.Encoder;
    std::FILE* f = vstatsFile_.get();
    std::fprintf(f, "frame= %5d q= %2.1f ", static_cast<int>(ost.FrameNumber + 1), ost.LastQuality);
    if (settings_.DoPsnr) {
        const double pixels = static_cast<double>(enc->width) * enc->height * 255.0 * 255.0;
        std::fprintf(f, "PSNR= %6.2f ",
                     lumaError ? 10.0 * std::log10(pixels / static_cast<double>(lumaError)) : 99.99);
    }
    const double time = static_cast<double>(ost.SyncOpts) * av_q2d(enc->time_base);
    const double frameRate = pkt->size * 8.0 / av_q2d(enc->time_base) / 1000.0;
    const double average = time > 0 ? counters_.VideoBytes * 8.0 / time / 1000.0 : 0.0;
    std::fprintf(f, "f_size= %6d ", pkt->size);
    std::fprintf(f, "s_size= %8.0fkB time= %0.3f br= %7.1fkbits/s avg_br= %7.1fkbits/s ",
                 counters_.VideoBytes / 1024.0, time, frameRate, average);
    std::fprintf(f, "type= %c\n", pictureType);
}
