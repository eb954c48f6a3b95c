#include "loop/VideoFilterGraph.h"

#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "media/DisplayRotation.h"
#include "media/LibraryPointers.h"

#include <algorithm>

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

// Adds `filter` after `last` and returns it.
AVFilterContext* Chain(AVFilterGraph* graph, AVFilterContext* last, const char* filter, const char* name,
                       const std::string& args) {
    AVFilterContext* next = AddFilter(graph, filter, name, args);
    if (int ret = avfilter_link(last, 0, next, 0); ret < 0)
        Fail(ret);
    return next;
}

// Filters that turn a picture stored lying down or upside down upright.
AVFilterContext* TurnUpright(AVFilterGraph* graph, AVFilterContext* last, int rotation) {
    switch (rotation) {
    case 90:
        return Chain(graph, last, "transpose", "turn", "dir=clock");
    case 270:
        return Chain(graph, last, "transpose", "turn", "dir=cclock");
    case 180:
        return Chain(graph, Chain(graph, last, "hflip", "turn_h", ""), "vflip", "turn_v", "");
    default:
        return last;
    }
}

// The text renderer reading the subtitle track itself from the source file;
// set through its options, so no file name needs escaping for a graph text.
AVFilterContext* DrawTextSubtitles(AVFilterGraph* graph, AVFilterContext* last,
                                   const TTextSubtitleBurn& burn) {
    const AVFilter* filter = avfilter_get_by_name("subtitles");
    if (!filter)
        Fail(AVERROR_FILTER_NOT_FOUND);
    AVFilterContext* ctx = avfilter_graph_alloc_filter(graph, filter, "subtitles");
    if (!ctx)
        Fail(AVERROR(ENOMEM));
    int ret = av_opt_set(ctx, "filename", burn.FileName.c_str(), AV_OPT_SEARCH_CHILDREN);
    if (ret >= 0)
        ret = av_opt_set_int(ctx, "stream_index", burn.Number - 1, AV_OPT_SEARCH_CHILDREN);
    if (ret >= 0)
        ret = avfilter_init_str(ctx, nullptr);
    if (ret >= 0)
        ret = avfilter_link(last, 0, ctx, 0);
    if (ret < 0)
        Fail(ret);
    return ctx;
}

} // namespace

TPictureSource PictureSourceOf(const TInputStream& ist, int width, int height, AVRational pictureAspect) {
    TPictureSource source;
    source.Width = width;
    source.Height = height;
    const AVRational container = ist.Stream->sample_aspect_ratio;
    source.SampleAspect = container.num > 0 && container.den > 0 ? container : pictureAspect;
    source.Rotation = DisplayRotationDegrees(ist.Stream);
    return source;
}

TPictureRect PlacedPicture(const TOutputStream& ost, const TPictureSource& source,
                           AVRational frameSampleAspect) {
    const int width = UprightWidth(source) - ost.LeftBand - ost.RightBand;
    const int height = UprightHeight(source) - ost.TopBand - ost.BottomBand;
    return FitPicture(UprightDisplayAspect(source, width, height), ost.FrameWidth, ost.FrameHeight,
                      frameSampleAspect);
}

void BuildVideoFilterGraph(TOutputStream& ost, const TPictureSource& source, AVPixelFormat format,
                           AVRational timeBase, AVCodecContext* encoder, const std::string& filterText,
                           int scalerFlags, int scalerThreads, const TTextSubtitleBurn& textBurn) {
    ost.FilterSource = nullptr;
    ost.FilterSink = nullptr;
    ost.FilterGraph.reset(avfilter_graph_alloc());
    AVFilterGraph* graph = ost.FilterGraph.get();
    if (!graph)
        Fail(AVERROR(ENOMEM));
    // Filters run on the task's own thread: the cores a run leaves over go to
    // the codecs, which do most of the work, and to the scaler's slices.
    graph->nb_threads = 1;
    graph->scale_sws_opts = av_strdup(
        FormatText("flags=0x%X:threads=%d", static_cast<unsigned>(scalerFlags), std::max(1, scalerThreads))
            .c_str());

    if (!timeBase.num)
        timeBase = AVRational{1, AV_TIME_BASE};
    const AVRational aspect = source.SampleAspect.num ? source.SampleAspect : AVRational{0, 1};
    ost.FilterSource =
        AddFilter(graph, "buffer", "src",
                  FormatText("video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d", source.Width,
                             source.Height, format, timeBase.num, timeBase.den, aspect.num, aspect.den));
    ost.FilterSink = AddFilter(graph, "buffersink", "out", "");
    const AVPixelFormat formats[] = {encoder->pix_fmt, AV_PIX_FMT_NONE};
    int ret =
        av_opt_set_int_list(ost.FilterSink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN);
    if (ret < 0)
        Fail(ret);

    // The fields are told apart before anything moves or scales the rows.
    AVFilterContext* last = ost.FilterSource;
    if (ost.Deinterlace)
        last = Chain(graph, last, "yadif", "deinterlace", FormatText("parity=%d", ost.DeinterlaceParity));
    last = TurnUpright(graph, last, source.Rotation);
    if (textBurn.Number > 0)
        last = DrawTextSubtitles(graph, last, textBurn);
    const int croppedWidth = UprightWidth(source) - ost.LeftBand - ost.RightBand;
    const int croppedHeight = UprightHeight(source) - ost.TopBand - ost.BottomBand;
    if (ost.VideoCrop)
        last = Chain(graph, last, "crop", "crop",
                     FormatText("%d:%d:%d:%d", croppedWidth, croppedHeight, ost.LeftBand, ost.TopBand));
    const TPictureRect picture = PlacedPicture(ost, source, encoder->sample_aspect_ratio);
    if (picture.Width != croppedWidth || picture.Height != croppedHeight)
        last = Chain(graph, last, "scale", "scale",
                     FormatText("%d:%d:flags=0x%X:threads=%d", picture.Width, picture.Height, scalerFlags,
                                std::max(1, scalerThreads)));
    if (picture.Width != ost.FrameWidth || picture.Height != ost.FrameHeight)
        last = Chain(graph, last, "pad", "pad",
                     FormatText("%d:%d:%d:%d:black", ost.FrameWidth, ost.FrameHeight, picture.X, picture.Y));
    // The frame shows square or the encoder's pixels, whatever the source's were.
    last = Chain(graph, last, "setsar", "sar",
                 FormatText("%d/%d", encoder->sample_aspect_ratio.num ? encoder->sample_aspect_ratio.num : 1,
                            encoder->sample_aspect_ratio.den ? encoder->sample_aspect_ratio.den : 1));

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

    ost.GraphSource = source;
    ost.GraphPixFmt = format;
    encoder->width = av_buffersink_get_w(ost.FilterSink);
    encoder->height = av_buffersink_get_h(ost.FilterSink);
}

int64_t FilteredPictureTime(const TOutputStream& ost, const AVFrame* picture, int64_t fallback) {
    if (picture->pts == AV_NOPTS_VALUE)
        return fallback;
    return av_rescale_q(picture->pts, av_buffersink_get_time_base(ost.FilterSink), AV_TIME_BASE_Q);
}

bool VideoFilterGraphOutdated(const TOutputStream& ost, const AVFrame* picture) {
    return ost.FilterGraph &&
           (picture->width != ost.GraphSource.Width || picture->height != ost.GraphSource.Height ||
            picture->format != ost.GraphPixFmt);
}
