// Subtitle output: each decoded subtitle encoded once (DVB subtitles twice,
// to draw and then to clear) and written with its display time.
#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "task/FFmpegTask.h"

#include <cstring>

namespace {

constexpr size_t SubtitleBufferSize = 1 << 20;
constexpr AVRational Milliseconds{1, 1000};

} // namespace

void TCustomFFmpeg::DoSubtitleOut(TOutputStream& ost, const TInputStream&, AVSubtitle& subtitle) {
    if (subtitle.pts == AV_NOPTS_VALUE) {
        if (settings_.ExitOnError)
            throw FFmpegException("Subtitle packets must have a pts");
        GetLogger().Log(logSender_, llError, "Subtitle packets must have a pts");
        return;
    }
    AVCodecContext* enc = ost.Encoder;
    if (subtitleBuffer_.size() < SubtitleBufferSize)
        subtitleBuffer_.resize(SubtitleBufferSize);

    // The encoder wants the display to start at the subtitle's own time.
    AVSubtitle shifted = subtitle;
    shifted.pts += av_rescale_q(subtitle.start_display_time, Milliseconds, AV_TIME_BASE_Q);
    shifted.end_display_time -= subtitle.start_display_time;
    shifted.start_display_time = 0;

    const bool dvb = enc->codec_id == AV_CODEC_ID_DVB_SUBTITLE;
    const int passes = dvb ? 2 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        // The second DVB pass encodes an empty subtitle that clears the screen.
        if (pass == 1)
            shifted.num_rects = 0;
        const int size = avcodec_encode_subtitle(enc, subtitleBuffer_.data(),
                                                 static_cast<int>(subtitleBuffer_.size()), &shifted);
        if (size < 0)
            throw FFmpegException("Subtitle encoding failed");
        AVPacket* pkt = encodedPacket_.get();
        av_packet_unref(pkt);
        if (av_new_packet(pkt, size) < 0)
            throw FFmpegException("Subtitle encoding failed");
        std::memcpy(pkt->data, subtitleBuffer_.data(), static_cast<size_t>(size));
        const AVRational tb = ost.Stream->time_base;
        pkt->pts = av_rescale_q(shifted.pts - settings_.StartTime, AV_TIME_BASE_Q, tb);
        pkt->duration = av_rescale_q(shifted.end_display_time, Milliseconds, tb);
        if (dvb)
            pkt->pts += av_rescale_q(pass == 0 ? shifted.start_display_time : shifted.end_display_time,
                                     Milliseconds, tb);
        pkt->dts = pkt->pts;
        WritePacket(ost, pkt);
    }
    ++ost.FrameNumber;
}
