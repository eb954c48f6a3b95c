// A video filter graph made again when the decoded pictures change size or
// format in the middle of a stream: the graph's filters are set up for one
// size, and a picture of another would be read past its end.
#include "engine/CodecThreads.h"
#include "engine/FFmpegException.h"
#include "loop/VideoFilterGraph.h"
#include "media/FFmpegLogger.h"
#include "task/FFmpegTask.h"

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/pixdesc.h>
}

namespace {

// A crop band of the old picture side `from` for a side of `to`, even.
int ScaledBand(int band, int to, int from) {
    return from > 0 ? (band * to / from) & ~1 : band;
}

} // namespace

void TCustomFFmpeg::RebuildVideoFilterGraph(TOutputStream& ost, const TInputStream& ist,
                                            const AVFrame* picture, TRunControl& control) {
    const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(picture->format));
    GetLogger().LogFmt(logSender_, llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s",
                       ist.FileIndex, ist.StreamIndex, picture->width, picture->height, name ? name : "none");
    // What the old graph still holds (a deinterlacer keeps a picture) goes out first.
    if (av_buffersrc_add_frame(ost.FilterSource, nullptr) >= 0) {
        while (av_buffersink_get_frame(ost.FilterSink, filteredFrame_.get()) >= 0) {
            DoVideoOut(ost, ist, filteredFrame_.get(),
                       FilteredPictureTime(ost, filteredFrame_.get(), ist.Pts), control);
            av_frame_unref(filteredFrame_.get());
        }
    }

    const TPictureSource old = ost.GraphSource;
    const TPictureSource source =
        PictureSourceOf(ist, picture->width, picture->height, picture->sample_aspect_ratio);
    // The bands keep their share of the picture.
    ost.TopBand = ScaledBand(ost.TopBand, UprightHeight(source), UprightHeight(old));
    ost.BottomBand = ScaledBand(ost.BottomBand, UprightHeight(source), UprightHeight(old));
    ost.LeftBand = ScaledBand(ost.LeftBand, UprightWidth(source), UprightWidth(old));
    ost.RightBand = ScaledBand(ost.RightBand, UprightWidth(source), UprightWidth(old));
    ost.VideoCrop = ost.TopBand || ost.BottomBand || ost.LeftBand || ost.RightBand;

    AVCodecContext* enc = ost.Encoder;
    const int width = enc->width;
    const int height = enc->height;
    BuildVideoFilterGraph(ost, source, static_cast<AVPixelFormat>(picture->format), ist.Stream->time_base,
                          enc, VideoFilterText(), options_->ScalerFlags(),
                          CodecThreadCount(*enc, nullptr, codecThreadShare_, settings_.CodecThreads),
                          TextSubtitleBurn());
    // The encoder is open at its size; a user's filter that now gives another cannot go on.
    if (enc->width != width || enc->height != height) {
        enc->width = width;
        enc->height = height;
        throw FFmpegException("Error opening filters!");
    }
}
