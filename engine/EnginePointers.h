// Owning pointers for the library objects a conversion task holds. Each
// deleter is the library's own free function; codec contexts that are still
// open are closed under CodecLock, as every codec close must be.
#pragma once

#include <cstdio>
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

struct CodecContextFree {
    void operator()(AVCodecContext* c) const;
};
struct InputContextFree {
    void operator()(AVFormatContext* c) const;
};
// Output contexts and inputs not yet opened. An output's file is closed
// separately (TOutputFile), so that the 0-byte check runs between closing and freeing.
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
struct DictionaryFree {
    void operator()(AVDictionary* d) const { av_dict_free(&d); }
};
struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextFree>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using SwsPtr = std::unique_ptr<SwsContext, SwsFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoFree>;
using BsfPtr = std::unique_ptr<AVBSFContext, BsfFree>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphFree>;
using FilePtr = std::unique_ptr<std::FILE, FileClose>;

// An AVDictionary* that callers fill through Address() and that frees itself.
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
