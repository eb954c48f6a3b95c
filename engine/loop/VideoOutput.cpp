// Video output: frame-rate sync by the pictures' timestamps (duplicating or
// dropping pictures for a fixed-rate output), crop and scale to the encoder's
// size and format, and encoding.
#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "task/FFmpegTask.h"

#include <algorithm>
#include <cstdint>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

// A band of `band` pixels scaled to a new size, rounded down to even.
int ScaleBand(int band, int newSize, int firstSize) {
    return firstSize ? (band * newSize / firstSize) & ~1 : band;
}

// Timestamps in whole microseconds or milliseconds (MKV, FLV) put a picture up
// to half a millisecond off its true time. A picture that is due half way
// between two slots goes to the later one, whichever side of the midpoint its
// rounded time fell: the picture before it is the one on screen at the earlier.
constexpr int64_t MidpointSlackUs = 1000;

// The output slot (a frame number in the encoder's time base) nearest to a
// picture's time, counted from the start time.
int64_t SlotOf(int64_t timeUs, int64_t startUs, AVRational timeBase) {
    return av_rescale_q_rnd(timeUs - startUs + MidpointSlackUs, AV_TIME_BASE_Q, timeBase,
                            static_cast<AVRounding>(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
}

} // namespace

bool TCustomFFmpeg::KeepsVideoTimestamps(const TOutputStream& ost) const {
    const int method = settings_.VideoSyncMethod;
    return method == 2 ||
           (method < 0 && (outputs_[ost.FileIndex]->Context->oformat->flags & AVFMT_VARIABLE_FPS));
}

// `pictureTime` is the picture's time in µs (the input stream's, or the filter graph's for its pictures).
// Frame-rate sync goes by timestamps: each output slot shows the source picture
// that is on screen at the slot's time (the last one due by then, to the nearest
// slot), so a picture can be written only once the next one's time is known.
// Pictures before the start time take part too: the last of them is on screen
// at the start.
void TCustomFFmpeg::DoVideoOut(TOutputStream& ost, const TInputStream& ist, AVFrame* picture,
                               int64_t pictureTime, TRunControl& control) {
    AVCodecContext* enc = ost.Encoder;
    const int64_t slot = SlotOf(pictureTime, settings_.StartTime, enc->time_base);
    if (settings_.VideoSyncMethod == 0) {
        // No sync: every picture once, at its own time.
        if (pictureTime < settings_.StartTime)
            return;
        ost.SyncOpts = slot;
        ost.EncodingFrameCounter = counters_.FrameCounter;
        WriteVideoFrames(ost, ist, picture, 1, control);
        return;
    }

    if (ost.PictureWaiting) {
        if (KeepsVideoTimestamps(ost)) {
            // Once at its own slot, unless this picture takes that slot.
            WriteWaitingPicture(ost, ist, slot > ost.WaitingSlot ? 1 : 0, control);
        } else {
            WriteWaitingPicture(ost, ist, slot - ost.SyncOpts, control);
        }
        ost.LastPictureGap = pictureTime - ost.WaitingTime;
    }

    if (!ost.WaitingPicture) {
        ost.WaitingPicture.reset(av_frame_alloc());
        if (!ost.WaitingPicture)
            throw FFmpegException("Out of memory");
    }
    av_frame_unref(ost.WaitingPicture.get());
    if (av_frame_ref(ost.WaitingPicture.get(), picture) < 0)
        throw FFmpegException("Out of memory");
    ost.PictureWaiting = true;
    ost.WaitingTime = pictureTime;
    ost.WaitingSlot = std::max(slot, ost.SyncOpts);
    ost.WaitingCounted = pictureTime >= settings_.StartTime;
    ost.WaitingFrameCounter = counters_.FrameCounter;
}

void TCustomFFmpeg::FlushWaitingPicture(TOutputStream& ost, const TInputStream& ist, TRunControl& control) {
    if (!ost.PictureWaiting)
        return;
    // The last picture stays on screen as long as the one before it did (a
    // single picture: one frame of the source's rate), but not past the end of
    // the recording time.
    int64_t length = ost.LastPictureGap;
    if (length <= 0 && ist.NextPts > ist.Pts)
        length = ist.NextPts - ist.Pts;
    int64_t end = ost.WaitingTime + std::max<int64_t>(length, 0);
    if (settings_.RecordingTime != UnlimitedRecordingTime &&
        settings_.RecordingTime <= INT64_MAX - std::max<int64_t>(settings_.StartTime, 0))
        end = std::min(end, settings_.StartTime + settings_.RecordingTime);
    // A picture from before the start that left the screen by then is not part of the output.
    if (!ost.WaitingCounted && end <= settings_.StartTime) {
        WriteWaitingPicture(ost, ist, 0, control);
        return;
    }
    if (KeepsVideoTimestamps(ost)) {
        WriteWaitingPicture(ost, ist, 1, control);
        return;
    }
    int64_t frames = SlotOf(end, settings_.StartTime, ost.Encoder->time_base) - ost.SyncOpts;
    // A stream's only picture is written whatever its length.
    if (ost.FrameNumber == 0)
        frames = std::max<int64_t>(frames, 1);
    WriteWaitingPicture(ost, ist, frames, control);
}

// `frames` ≤ 0 drops the waiting picture; more than one duplicates it.
void TCustomFFmpeg::WriteWaitingPicture(TOutputStream& ost, const TInputStream& ist, int64_t frames,
                                        TRunControl& control) {
    ost.PictureWaiting = false;
    if (KeepsVideoTimestamps(ost) && frames > 0)
        ost.SyncOpts = ost.WaitingSlot;
    if (frames <= 0) {
        if (ost.WaitingCounted) {
            ++counters_.DropFrames;
            counters_.DupDropFlag = true;
            if (settings_.Verbose > 2)
                GetLogger().Log(logSender_, llVerbose, "*** drop!");
        }
    } else if (frames > 1) {
        counters_.DupFrames += static_cast<int>(frames - 1);
        counters_.DupDropFlag = true;
        if (settings_.Verbose > 2)
            GetLogger().LogFmt(logSender_, llVerbose, "*** %d dup!", static_cast<int>(frames - 1));
    }
    ost.EncodingFrameCounter = ost.WaitingFrameCounter;
    WriteVideoFrames(ost, ist, ost.WaitingPicture.get(), frames, control);
    av_frame_unref(ost.WaitingPicture.get());
}

// Writes `picture` `frames` times from the written position on.
void TCustomFFmpeg::WriteVideoFrames(TOutputStream& ost, const TInputStream& ist, AVFrame* picture,
                                     int64_t frames, TRunControl& control) {
    frames = std::min<int64_t>(frames, settings_.MaxVideoFrames - ost.FrameNumber);
    if (frames <= 0)
        return;

    AVFrame* source = ost.FilterGraph ? picture : ScaleVideo(ost, ist, picture);
    if (!source)
        return;
    // Encoders with a fixed quantizer ("qscale") take it from each picture.
    source->quality = settings_.SameQuality ? picture->quality : ost.Encoder->global_quality;
    for (int64_t i = 0; i < frames && !control.StopRequested(); ++i) {
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
