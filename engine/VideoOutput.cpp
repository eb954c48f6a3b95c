// Video output: frame-rate sync by duplicating or dropping pictures, crop and
// scale to the encoder's size and format, and encoding.
#include "engine/FFmpegException.h"
#include "engine/FFmpegTask.h"
#include "media/FFmpegLogger.h"

#include <cmath>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

constexpr double DropThreshold = -1.1;
constexpr double DuplicateThreshold = 1.1;
constexpr double VariableRateThreshold = 0.6;

// A band of `band` pixels scaled to a new size, rounded down to even.
int ScaleBand(int band, int newSize, int firstSize) {
    return firstSize ? (band * newSize / firstSize) & ~1 : band;
}

} // namespace

// `pictureTime` is the picture's time in µs (the input stream's, or the filter graph's for its pictures).
void TCustomFFmpeg::DoVideoOut(TOutputStream& ost, const TInputStream& ist, AVFrame* picture,
                               int64_t pictureTime, TRunControl& control) {
    AVCodecContext* enc = ost.Encoder;
    const double syncPts =
        static_cast<double>(pictureTime - settings_.StartTime) / AV_TIME_BASE / av_q2d(enc->time_base);
    int frames = 1;
    const int method = settings_.VideoSyncMethod;
    if (method != 0) {
        const double vdelta = syncPts - static_cast<double>(ost.SyncOpts);
        const bool variableRate =
            method == 2 ||
            (method < 0 && (outputs_[ost.FileIndex]->Context->oformat->flags & AVFMT_VARIABLE_FPS));
        if (vdelta < DropThreshold) {
            frames = 0;
        } else if (variableRate) {
            if (vdelta <= -VariableRateThreshold)
                frames = 0;
            else if (vdelta > VariableRateThreshold)
                ost.SyncOpts = std::lround(syncPts);
        } else if (vdelta > DuplicateThreshold) {
            frames = static_cast<int>(std::lround(vdelta));
        }
        if (frames == 0) {
            ++dropFrames_;
            dupDropFlag_ = true;
            if (settings_.Verbose > 2)
                GetLogger().Log(logSender_, llVerbose, "*** drop!");
        } else if (frames > 1) {
            dupFrames_ += frames - 1;
            dupDropFlag_ = true;
            if (settings_.Verbose > 2)
                GetLogger().LogFmt(logSender_, llVerbose, "*** %d dup!", frames - 1);
        }
    } else {
        ost.SyncOpts = std::lround(syncPts);
    }

    const int64_t left = settings_.MaxVideoFrames - ost.FrameNumber;
    if (frames > left)
        frames = static_cast<int>(left);
    if (frames <= 0)
        return;

    AVFrame* source = ost.FilterGraph ? picture : ScaleVideo(ost, ist, picture);
    if (!source)
        return;
    // Encoders with a fixed quantizer ("qscale") take it from each picture.
    source->quality = settings_.SameQuality ? picture->quality : enc->global_quality;
    for (int i = 0; i < frames && !control.StopRequested(); ++i) {
        EncodeVideoFrame(ost, source);
        ++ost.SyncOpts;
        ++ost.FrameNumber;
    }
}

AVFrame* TCustomFFmpeg::ScaleVideo(TOutputStream& ost, const TInputStream& ist, AVFrame* picture) {
    // The input changed size or format: crop in proportion and scale from now on.
    const AVPixelFormat format = static_cast<AVPixelFormat>(picture->format);
    if (picture->width - ost.LeftBand - ost.RightBand != ost.ResampleWidth ||
        picture->height - ost.TopBand - ost.BottomBand != ost.ResampleHeight ||
        format != ost.ResamplePixFmt) {
        const char* name = av_get_pix_fmt_name(format);
        GetLogger().LogFmt(logSender_, llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s",
                           ist.FileIndex, ist.StreamIndex, picture->width, picture->height,
                           name ? name : "none");
        ost.TopBand = ScaleBand(ost.TopBand, picture->height, ost.OriginalHeight);
        ost.BottomBand = ScaleBand(ost.BottomBand, picture->height, ost.OriginalHeight);
        ost.LeftBand = ScaleBand(ost.LeftBand, picture->width, ost.OriginalWidth);
        ost.RightBand = ScaleBand(ost.RightBand, picture->width, ost.OriginalWidth);
        ost.ResampleWidth = picture->width - ost.LeftBand - ost.RightBand;
        ost.ResampleHeight = picture->height - ost.TopBand - ost.BottomBand;
        ost.ResamplePixFmt = format;
        ost.Scaler.reset(sws_getContext(ost.ResampleWidth, ost.ResampleHeight, format, ost.Encoder->width,
                                        ost.Encoder->height, ost.Encoder->pix_fmt, options_->ScalerFlags(),
                                        nullptr, nullptr, nullptr));
        if (!ost.Scaler)
            throw FFmpegException("Cannot get resampling context");
        ost.VideoResample = true;
        if (!ost.TempPicture) {
            ost.TempPicture.reset(av_frame_alloc());
            if (!ost.TempPicture)
                throw FFmpegException("Cannot allocate temp picture, check pix fmt");
            ost.TempPicture->format = ost.Encoder->pix_fmt;
            ost.TempPicture->width = ost.Encoder->width;
            ost.TempPicture->height = ost.Encoder->height;
            if (av_frame_get_buffer(ost.TempPicture.get(), 0) < 0)
                throw FFmpegException("Cannot allocate temp picture, check pix fmt");
        }
    }

    if (ost.VideoCrop) {
        // Cropping moves the plane pointers of a reference, leaving the source picture as it is.
        AVFrame* cropped = croppedFrame_.get();
        av_frame_unref(cropped);
        if (av_frame_ref(cropped, picture) < 0)
            throw FFmpegException("error cropping picture");
        cropped->crop_top = ost.TopBand;
        cropped->crop_bottom = ost.BottomBand;
        cropped->crop_left = ost.LeftBand;
        cropped->crop_right = ost.RightBand;
        if (av_frame_apply_cropping(cropped, AV_FRAME_CROP_UNALIGNED) < 0) {
            if (settings_.ExitOnError)
                throw FFmpegException("error cropping picture");
            GetLogger().Log(logSender_, llError, "error cropping picture");
            return nullptr;
        }
        picture = cropped;
    }
    if (!ost.VideoResample || !ost.TempPicture || !ost.Scaler)
        return picture;
    // The encoder may still hold the last picture; writing gives it a fresh buffer then.
    if (av_frame_make_writable(ost.TempPicture.get()) < 0)
        throw FFmpegException("Cannot allocate temp picture, check pix fmt");
    // The frame interface: only it spreads the slices over the scaler's threads.
    if (sws_scale_frame(ost.Scaler.get(), ost.TempPicture.get(), picture) < 0)
        throw FFmpegException("Cannot scale the picture");
    ost.TempPicture->pts = picture->pts;
    return ost.TempPicture.get();
}

void TCustomFFmpeg::EncodeVideoFrame(TOutputStream& ost, AVFrame* frame) {
    frame->pts = ost.SyncOpts;
    frame->pict_type = AV_PICTURE_TYPE_NONE;
    if (settings_.TopFieldFirst >= 0) {
        frame->interlaced_frame = 1;
        frame->top_field_first = settings_.TopFieldFirst;
    }
    SendToEncoder(ost, frame);
}
