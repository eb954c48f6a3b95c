// Reads a written file back as a player would: every packet of every audio and
// video stream decoded to the end, frames and decoder refusals counted, and
// each frame shown to an optional inspector.
#pragma once

#include "SetupTestSupport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

struct TDecodedFile {
    bool Opened = false;
    std::vector<int> Frames;      // per stream; 0 for streams that are not decoded
    int Errors = 0;               // packets or frames a decoder refused
    double DurationSeconds = 0.0; // as the container tells it
};

// Called with the stream index and each decoded frame.
using TFrameInspector = std::function<void(int, const AVFrame&)>;

inline TDecodedFile DecodeWholeFile(const std::string& path, const TFrameInspector& inspect = {}) {
    struct DecoderFree {
        void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
    };
    struct FrameFree {
        void operator()(AVFrame* f) const { av_frame_free(&f); }
    };
    struct PacketFree {
        void operator()(AVPacket* p) const { av_packet_free(&p); }
    };
    TDecodedFile result;
    ReadBackPtr ctx = ReadBack(path);
    if (!ctx)
        return result;
    result.Opened = true;
    result.DurationSeconds = ctx->duration > 0 ? static_cast<double>(ctx->duration) / AV_TIME_BASE : 0.0;
    result.Frames.assign(ctx->nb_streams, 0);
    std::vector<std::unique_ptr<AVCodecContext, DecoderFree>> decoders(ctx->nb_streams);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        const AVCodecParameters* par = ctx->streams[i]->codecpar;
        if (par->codec_type != AVMEDIA_TYPE_VIDEO && par->codec_type != AVMEDIA_TYPE_AUDIO)
            continue;
        const AVCodec* codec = avcodec_find_decoder(par->codec_id);
        decoders[i].reset(avcodec_alloc_context3(codec));
        AVCodecContext* dec = decoders[i].get();
        if (!codec || !dec || avcodec_parameters_to_context(dec, par) < 0) {
            ++result.Errors;
            decoders[i].reset();
            continue;
        }
        dec->pkt_timebase = ctx->streams[i]->time_base;
        if (avcodec_open2(dec, codec, nullptr) < 0) {
            ++result.Errors;
            decoders[i].reset();
        }
    }
    std::unique_ptr<AVFrame, FrameFree> frame(av_frame_alloc());
    std::unique_ptr<AVPacket, PacketFree> pkt(av_packet_alloc());
    auto drain = [&](int stream) {
        AVCodecContext* dec = decoders[stream].get();
        int ret;
        while ((ret = avcodec_receive_frame(dec, frame.get())) >= 0) {
            ++result.Frames[stream];
            if (inspect)
                inspect(stream, *frame);
            av_frame_unref(frame.get());
        }
        if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF)
            ++result.Errors;
    };
    while (av_read_frame(ctx.get(), pkt.get()) >= 0) {
        const int stream = pkt->stream_index;
        if (decoders[stream]) {
            if (avcodec_send_packet(decoders[stream].get(), pkt.get()) < 0)
                ++result.Errors;
            drain(stream);
        }
        av_packet_unref(pkt.get());
    }
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (!decoders[i])
            continue;
        avcodec_send_packet(decoders[i].get(), nullptr);
        drain(static_cast<int>(i));
    }
    return result;
}

// The luma plane of a decoded picture.
struct TLumaPlane {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    int At(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
};

inline TLumaPlane LumaOf(const AVFrame& frame) {
    TLumaPlane plane;
    plane.Width = frame.width;
    plane.Height = frame.height;
    plane.Pixels.resize(static_cast<size_t>(frame.width) * frame.height);
    for (int y = 0; y < frame.height; ++y)
        std::copy_n(frame.data[0] + static_cast<ptrdiff_t>(y) * frame.linesize[0], frame.width,
                    plane.Pixels.begin() + static_cast<ptrdiff_t>(y) * frame.width);
    return plane;
}

// The first picture of the file's first video stream; empty when it has none.
inline TLumaPlane FirstPicture(const std::string& path) {
    TLumaPlane first;
    DecodeWholeFile(path, [&](int, const AVFrame& frame) {
        if (first.Pixels.empty() && frame.width > 0)
            first = LumaOf(frame);
    });
    return first;
}

// The 16-bit samples of every audio frame, interleaved as the decoder gives them
// (the files read with it hold packed s16).
inline std::vector<int16_t> SamplesOf(const std::string& path) {
    std::vector<int16_t> samples;
    DecodeWholeFile(path, [&](int, const AVFrame& frame) {
        if (frame.format != AV_SAMPLE_FMT_S16)
            return;
        const auto* data = reinterpret_cast<const int16_t*>(frame.data[0]);
        samples.insert(samples.end(), data,
                       data + static_cast<ptrdiff_t>(frame.nb_samples) * frame.ch_layout.nb_channels);
    });
    return samples;
}
