// The bitstream filters between an output stream and its muxer: the chain is
// made on the stream's first packet, each filter may hold packets back or give
// several for one, and at the end of the run they give up what they hold.
// A filter that fails (or cannot take the stream at all) is reported; the
// packet then goes on as it came, so no media is lost to a filter.
#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "media/FFmpegLogger.h"
#include "media/TextHelpers.h"
#include "task/FFmpegTask.h"

extern "C" {
#include <libavcodec/bsf.h>
}

void TCustomFFmpeg::BitstreamFilterFailed(const TOutputStream& ost, const std::string& name, int code) {
    const TOutputStreamSetup& setup = outputs_[ost.FileIndex]->Streams[ost.Index];
    const std::string message = FormatText("%s failed for stream %d, codec %s", name.c_str(), ost.Index,
                                           setup.StreamCopy ? "copy" : ost.Encoder->codec->name) +
                                ": " + LibraryErrorText("", code).substr(2);
    if (settings_.ExitOnError)
        throw FFmpegException(message);
    GetLogger().Log(logSender_, llError, message);
}

void TCustomFFmpeg::OpenBitstreamFilters(TOutputStream& ost) {
    ost.BitstreamFiltersOpened = true;
    const AVCodecParameters* par = ost.Stream->codecpar;
    AVRational timeBase = ost.Stream->time_base;
    for (const std::string& name : SetupOf(ost).BitstreamFilters) {
        TBitstreamFilter filter;
        filter.Name = name;
        const AVBitStreamFilter* kind = av_bsf_get_by_name(name.c_str());
        AVBSFContext* bsf = nullptr;
        int ret = kind ? av_bsf_alloc(kind, &bsf) : AVERROR_BSF_NOT_FOUND;
        filter.Context.reset(bsf);
        if (ret >= 0)
            ret = avcodec_parameters_copy(bsf->par_in, par);
        if (ret >= 0) {
            bsf->time_base_in = timeBase;
            ret = av_bsf_init(bsf);
        }
        filter.Output.reset(av_packet_alloc());
        filter.Kept.reset(av_packet_alloc());
        if (ret >= 0 && (!filter.Output || !filter.Kept))
            ret = AVERROR(ENOMEM);
        if (ret < 0) { // left out of the chain: packets pass it unchanged
            BitstreamFilterFailed(ost, name, ret);
            continue;
        }
        par = bsf->par_out;
        timeBase = bsf->time_base_out;
        ost.BitstreamFilters.push_back(std::move(filter));
    }
}

void TCustomFFmpeg::FilterPacket(TOutputStream& ost, AVPacket* pkt, size_t index) {
    if (index == ost.BitstreamFilters.size()) {
        if (pkt)
            MuxPacket(ost, pkt);
        return;
    }
    TBitstreamFilter& filter = ost.BitstreamFilters[index];
    AVBSFContext* bsf = filter.Context.get();
    // Kept so that the packet can go on unfiltered when the filter fails on it.
    const bool kept = pkt && av_packet_ref(filter.Kept.get(), pkt) >= 0;
    int ret = av_bsf_send_packet(bsf, pkt);
    if (ret < 0) {
        BitstreamFilterFailed(ost, filter.Name, ret);
        av_packet_unref(filter.Kept.get());
        FilterPacket(ost, pkt, index + 1); // not taken: pkt still holds it
        return;
    }
    AVPacket* out = filter.Output.get();
    bool gaveAny = false;
    while ((ret = av_bsf_receive_packet(bsf, out)) >= 0) {
        gaveAny = true;
        out->stream_index = ost.Index;
        FilterPacket(ost, out, index + 1);
        av_packet_unref(out);
    }
    if (ret != AVERROR(EAGAIN) && ret != AVERROR_EOF) {
        BitstreamFilterFailed(ost, filter.Name, ret);
        if (kept && !gaveAny)
            FilterPacket(ost, filter.Kept.get(), index + 1);
    }
    av_packet_unref(filter.Kept.get());
    if (!pkt) // the end: what this filter held is out, now the next one's turn
        FilterPacket(ost, nullptr, index + 1);
}

void TCustomFFmpeg::FlushBitstreamFilters() {
    for (TOutputStream& ost : outputStreams_)
        if (!ost.BitstreamFilters.empty())
            FilterPacket(ost, nullptr, 0);
}
