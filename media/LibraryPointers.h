// Owning pointers for library objects whose release is the library's own free
// function and nothing more. Places that release differently (a codec context
// closed under a lock, an input opened through the Unicode protocol, an output
// that also closes its I/O) keep their own deleters next to their use.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

// A codec context freed without taking any lock.
struct PlainCodecContextFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
// An input opened with avformat_open_input.
struct InputCloseFree {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
// Output contexts and inputs not yet opened.
struct FormatContextFree {
    void operator()(AVFormatContext* c) const { avformat_free_context(c); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwsFree {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AudioFifoFree {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct BsfFree {
    void operator()(AVBSFContext* b) const { av_bsf_free(&b); }
};
struct FilterGraphFree {
    void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct FilterInOutFree {
    void operator()(AVFilterInOut* io) const { avfilter_inout_free(&io); }
};

using PlainCodecContextPtr = std::unique_ptr<AVCodecContext, PlainCodecContextFree>;
using InputClosePtr = std::unique_ptr<AVFormatContext, InputCloseFree>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;
using BsfPtr = std::unique_ptr<AVBSFContext, BsfFree>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;
using FilterInOutPtr = std::unique_ptr<AVFilterInOut, FilterInOutFree>;

// An AVDictionary* that callers fill through Address() (the libraries' own
// calls take a pointer to it) and that frees itself.
class DictionaryHolder {
public:
    DictionaryHolder() = default;
    ~DictionaryHolder() { av_dict_free(&dict_); }
    DictionaryHolder(const DictionaryHolder&) = delete;
    DictionaryHolder& operator=(const DictionaryHolder&) = delete;
    DictionaryHolder(DictionaryHolder&& other) noexcept : dict_(other.dict_) { other.dict_ = nullptr; }
    DictionaryHolder& operator=(DictionaryHolder&& other) noexcept {
        if (this != &other) {
            av_dict_free(&dict_);
            dict_ = other.dict_;
            other.dict_ = nullptr;
        }
        return *this;
    }

    AVDictionary** Address() { return &dict_; }
    AVDictionary* Get() const { return dict_; }

private:
    AVDictionary* dict_ = nullptr;
};
