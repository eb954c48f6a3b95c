#include "engine/VideoFilterGraph.h"

#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "media/LibraryPointers.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

namespace {

[[noreturn]] void Fail(int code) {
    if (code < 0) {
        char reason[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(code, reason, sizeof reason);
        throw FFmpegException(std::string("Error opening filters: ") + reason);
    }
    throw FFmpegException("Error opening filters!");
}

AVFilterContext* AddFilter(AVFilterGraph* graph, const char* filter, const char* name,
                           const std::string& args) {
    AVFilterContext* ctx = nullptr;
    int ret =
        avfilter_graph_create_filter(&ctx, avfilter_get_by_name(filter), name, args.c_str(), nullptr, graph);
    if (ret < 0)
        Fail(ret);
    return ctx;
}

} // namespace

void BuildVideoFilterGraph(TOutputStream& ost, const AVCodecContext* decoder, const AVStream* source,
                           AVCodecContext* encoder, const std::string& filterText, int scalerFlags) {
    ost.FilterGraph.reset(avfilter_graph_alloc());
    AVFilterGraph* graph = ost.FilterGraph.get();
    if (!graph)
        Fail(AVERROR(ENOMEM));
    // Filters run on the task's own thread: the cores a run leaves over go to
    // the codecs, which do most of the work.
    graph->nb_threads = 1;
    graph->scale_sws_opts = av_strdup(FormatText("flags=0x%X", static_cast<unsigned>(scalerFlags)).c_str());

    AVRational timeBase = source->time_base.num ? source->time_base : AVRational{1, AV_TIME_BASE};
    AVRational aspect = decoder->sample_aspect_ratio.num ? decoder->sample_aspect_ratio : AVRational{0, 1};
    ost.FilterSource = AddFilter(graph, "buffer", "src",
                                 FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                                            decoder->width, decoder->height, decoder->pix_fmt, timeBase.num,
                                            timeBase.den, aspect.num, aspect.den));
    ost.FilterSink = AddFilter(graph, "buffersink", "out", "");
    const AVPixelFormat formats[] = {encoder->pix_fmt, AV_PIX_FMT_NONE};
    int ret =
        av_opt_set_int_list(ost.FilterSink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0)
        Fail(ret);

    AVFilterContext* last = ost.FilterSource;
    if (ost.VideoCrop) {
        AVFilterContext* crop =
            AddFilter(graph, "crop", "crop",
                      FormatText("%d:%d:%d:%d", decoder->width - ost.LeftBand - ost.RightBand,
                                 decoder->height - ost.TopBand - ost.BottomBand, ost.LeftBand, ost.TopBand));
        if ((ret = avfilter_link(last, 0, crop, 0)) < 0)
            Fail(ret);
        last = crop;
    }
    if (encoder->width != decoder->width - ost.LeftBand - ost.RightBand ||
        encoder->height != decoder->height - ost.TopBand - ost.BottomBand) {
        AVFilterContext* scale =
            AddFilter(graph, "scale", "scale",
                      FormatText("%d:%d:flags=0x%X", encoder->width, encoder->height, scalerFlags));
        if ((ret = avfilter_link(last, 0, scale, 0)) < 0)
            Fail(ret);
        last = scale;
    }

    if (!filterText.empty()) {
        FilterInOutPtr outputs(avfilter_inout_alloc());
        FilterInOutPtr inputs(avfilter_inout_alloc());
        if (!outputs || !inputs)
            Fail(AVERROR(ENOMEM));
        outputs->name = av_strdup("in");
        outputs->filter_ctx = last;
        outputs->pad_idx = 0;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = ost.FilterSink;
        inputs->pad_idx = 0;
        AVFilterInOut* in = inputs.release();
        AVFilterInOut* out = outputs.release();
        ret = avfilter_graph_parse_ptr(graph, filterText.c_str(), &in, &out, nullptr);
        avfilter_inout_free(&in);
        avfilter_inout_free(&out);
        if (ret < 0)
            Fail(ret);
    } else if ((ret = avfilter_link(last, 0, ost.FilterSink, 0)) < 0) {
        Fail(ret);
    }
    if ((ret = avfilter_graph_config(graph, nullptr)) < 0)
        Fail(ret);

    encoder->width = av_buffersink_get_w(ost.FilterSink);
    encoder->height = av_buffersink_get_h(ost.FilterSink);
}
