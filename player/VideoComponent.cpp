#include "player/VideoComponent.h"

#include "media/DisplayRotation.h"
#include "media/LibraryPointers.h"
#include "player/Clocks.h"
#include "player/Decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

// A filter with its arguments (none: nullptr).
struct TurnStep {
    const char* Filter;
    const char* Args;
};

// The filters that turn a picture `rotation` degrees clockwise, in order.
std::vector<TurnStep> TurnSteps(int rotation) {
    switch (rotation) {
    case 90:
        return {{"transpose", "dir=clock"}};
    case 180:
        return {{"hflip", nullptr}, {"vflip", nullptr}};
    case 270:
        return {{"transpose", "dir=cclock"}};
    default:
        return {};
    }
}

// A source → sink chain, with the turn of the display matrix between them; the
// library inserts a bicubic scaler when the decoder's pictures are not YUV 4:2:0.
// The turn goes here, before the pictures are copied for showing, so that the
// display, its layout (a quarter turn swaps the sides and the pixel aspect),
// the frame hook and the snapshots all see the upright picture.
struct PictureChain {
    FilterGraphPtr Graph;
    AVFilterContext* Source = nullptr;
    AVFilterContext* Sink = nullptr;
    int Width = 0;
    int Height = 0;
    int Format = AV_PIX_FMT_NONE;

    bool Matches(const AVFrame* f) const {
        return Graph && f->width == Width && f->height == Height && f->format == Format;
    }

    bool Build(const AVFrame* f, AVRational timeBase, int rotation) {
        Graph.reset(avfilter_graph_alloc());
        if (!Graph)
            return false;
        char scaleOptions[32];
        std::snprintf(scaleOptions, sizeof scaleOptions, "flags=%d", SWS_BICUBIC);
        Graph->scale_sws_opts = av_strdup(scaleOptions);
        Graph->nb_threads = 1;
        char args[256];
        const AVRational sar = f->sample_aspect_ratio.num > 0 ? f->sample_aspect_ratio : AVRational{0, 1};
        std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                      f->width, f->height, f->format, timeBase.num, timeBase.den, sar.num, sar.den);
        if (avfilter_graph_create_filter(&Source, avfilter_get_by_name("buffer"), "player_input", args,
                                         nullptr, Graph.get()) < 0)
            return false;
        Sink = avfilter_graph_alloc_filter(Graph.get(), avfilter_get_by_name("buffersink"), "player_output");
        if (!Sink)
            return false;
        const AVPixelFormat formats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_NONE};
        if (av_opt_set_int_list(Sink, "pix_fmts", formats, AV_PIX_FMT_NONE, AV_OPT_SEARCH_CHILDREN) < 0 ||
            avfilter_init_str(Sink, nullptr) < 0)
            return false;
        AVFilterContext* last = Source;
        for (const TurnStep& step : TurnSteps(rotation)) {
            AVFilterContext* filter = nullptr;
            if (avfilter_graph_create_filter(&filter, avfilter_get_by_name(step.Filter), step.Filter,
                                             step.Args, nullptr, Graph.get()) < 0 ||
                avfilter_link(last, 0, filter, 0) < 0)
                return false;
            last = filter;
        }
        if (avfilter_link(last, 0, Sink, 0) < 0 || avfilter_graph_config(Graph.get(), nullptr) < 0)
            return false;
        Width = f->width;
        Height = f->height;
        Format = f->format;
        return true;
    }
};

// Per-thread decoding state.
struct VideoDecodeState {
    PacketPtr Packet{av_packet_alloc()};
    bool DecoderHasOutput = false;
    bool Draining = false;
    PtsFaultCounter Faults;
};

// The flush marker: the decoder starts over; pictures from before the seek are
// dropped by the refresh step while we wait for the queue to empty.
void flushVideo(PlaybackState& st, VideoDecodeState& d) {
    auto& v = st.Video;
    auto& q = v.Pictures;
    avcodec_flush_buffers(v.Codec.get());
    d.DecoderHasOutput = false;
    d.Draining = false;
    {
        std::unique_lock lock(q.Mutex);
        for (auto& slot : q.Slots)
            slot.TargetTime = 0;
        q.Cond.wait(lock, [&] { return q.Size == 0 || v.Queue.Aborted(); });
        q.CurrentPos = -1;
        q.LastFramePts = NAN;
        q.LastFrameDelay = 0;
        q.FrameTimer = WallTime();
        q.SkipRatio = 1.0;
    }
    d.Faults.Reset();
    v.SkipCounter = 0;
    // A first picture stamped 0 takes the predicted time; it must not be the one
    // from before the seek.
    v.PredictedNextPts = 0;
    st.FlushSeen = true;
}

// Returns 1 with a decoded picture in `frame` (pts already chosen), 0 for no
// picture this time, -1 when the queue was aborted.
int getVideoFrame(PlaybackState& st, VideoDecodeState& d, AVFrame* frame) {
    auto& v = st.Video;
    AVCodecContext* ctx = v.Codec.get();
    for (;;) {
        if (d.DecoderHasOutput) {
            if (avcodec_receive_frame(ctx, frame) == 0) {
                frame->pts = d.Faults.Select(frame->pts, frame->pkt_dts);
                double ratio;
                {
                    std::lock_guard lock(v.Pictures.Mutex);
                    ratio = v.Pictures.SkipRatio;
                }
                if (TakeSkippedPicture(v.SkipCounter, ratio))
                    return 1;
                av_frame_unref(frame);
                continue;
            }
            d.DecoderHasOutput = false;
        }
        AVPacket* pkt = d.Packet.get();
        switch (v.Queue.Get(pkt, true)) {
        case PacketQueue::Stopped:
        case PacketQueue::Empty:
            return -1;
        case PacketQueue::Flush:
            flushVideo(st, d);
            return 0;
        case PacketQueue::Packet:
            break;
        }
        if (!pkt->data) {
            // End of the input: report the position even when no picture is left,
            // and let the decoder give out the pictures it still holds.
            av_packet_unref(pkt);
            if (!st.EndSignalled)
                st.Player.PositionUpdate(st);
            if (!d.Draining) {
                d.Draining = true;
                avcodec_send_packet(ctx, nullptr);
                d.DecoderHasOutput = true;
            }
            continue;
        }
        if (d.Draining) {
            avcodec_flush_buffers(ctx);
            d.Draining = false;
        }
        // A damaged packet is the decoder's to conceal; go on with the next one.
        avcodec_send_packet(ctx, pkt);
        av_packet_unref(pkt);
        d.DecoderHasOutput = true;
    }
}

void copyPicture(const AVFrame* f, YuvOverlay& o) {
    av_image_copy_plane(o.Planes[0], o.Pitches[0], f->data[0], f->linesize[0], o.Width, o.Height);
    av_image_copy_plane(o.Planes[1], o.Pitches[1], f->data[1], f->linesize[1], o.Width / 2, o.Height / 2);
    av_image_copy_plane(o.Planes[2], o.Pitches[2], f->data[2], f->linesize[2], o.Width / 2, o.Height / 2);
}

// Waits for a free slot, copies the picture into it and gives it its display time.
int queuePicture(PlaybackState& st, const AVFrame* f, double pts) {
    auto& v = st.Video;
    auto& q = v.Pictures;
    std::unique_lock lock(q.Mutex);
    if (q.Size >= PictureQueueSlots && !st.RefreshPending)
        q.SkipRatio = std::max(SkipDecay, q.SkipRatio * SkipDecay);
    q.Cond.wait(lock, [&] { return q.Size < PictureQueueSlots || v.Queue.Aborted(); });
    if (v.Queue.Aborted())
        return -1;

    const int index = q.WriteIndex;
    auto& slot = q.Slots[index];
    const int width = f->width & ~1;
    const int height = f->height & ~1;
    if (!slot.Overlay || slot.Overlay->Width != width || slot.Overlay->Height != height) {
        slot.Allocated = false;
        slot.Width = width;
        slot.Height = height;
        lock.unlock();
        st.Player.PostEvent(AllocEvent, index);
        lock.lock();
        q.Cond.wait(lock, [&] { return slot.Allocated || v.Queue.Aborted(); });
        if (v.Queue.Aborted())
            return -1;
    }
    YuvOverlay* overlay = slot.Overlay.get();
    lock.unlock();
    {
        std::lock_guard overlayLock(overlay->Lock);
        copyPicture(f, *overlay);
        st.Player.FrameHook(st, f, *overlay, pts);
    }
    lock.lock();
    slot.Pts = pts;
    slot.Pos = f->pkt_pos;
    slot.PixelAspect = f->sample_aspect_ratio;
    slot.TargetTime = ComputeTargetTimeLocked(st, pts);
    q.WriteIndex = (index + 1) % PictureQueueSlots;
    const bool atHead = ++q.Size == 1;
    lock.unlock();
    if (atHead)
        st.RefreshWake.Notify(); // it may be due before the refresh thread would look again
    return 0;
}

bool holdWhilePaused(PlaybackState& st) {
    return st.Paused && !st.PausedAtSeek && st.OpenedPausedCounter == 0 && !st.Abort &&
           !st.Video.Queue.Aborted();
}

void videoThread(PlaybackState& st) {
    auto& v = st.Video;
    VideoDecodeState d;
    FramePtr decoded(av_frame_alloc());
    FramePtr picture(av_frame_alloc());
    PictureChain chain;
    if (!decoded || !picture || !d.Packet)
        return;
    const AVRational timeBase = v.Stream->time_base;

    for (;;) {
        st.PauseWake.Wait([&] { return !holdWhilePaused(st); });
        const int got = getVideoFrame(st, d, decoded.get());
        if (got < 0)
            break;
        if (got == 0)
            continue;
        if (!chain.Matches(decoded.get()) && !chain.Build(decoded.get(), timeBase, v.Rotation)) {
            st.Player.ReportError("Cannot set up the video filter chain.", false);
            break;
        }
        if (av_buffersrc_add_frame(chain.Source, decoded.get()) < 0) {
            av_frame_unref(decoded.get());
            continue;
        }
        while (av_buffersink_get_frame(chain.Sink, picture.get()) >= 0) {
            if (st.DropStalePictures && st.FlushSeen) {
                st.DropStalePictures = false;
                st.PausedAtSeek = false;
            }
            double pts = picture->pts == AV_NOPTS_VALUE ? 0 : picture->pts * av_q2d(timeBase);
            if (pts != 0)
                v.PredictedNextPts = pts;
            else
                pts = v.PredictedNextPts;
            const AVRational rate = av_guess_frame_rate(st.Input.get(), v.Stream, picture.get());
            const double frameDuration = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0;
            v.PredictedNextPts = v.PredictedNextPts + frameDuration * (1 + picture->repeat_pict * 0.5);

            const int queued = queuePicture(st, picture.get(), pts);
            av_frame_unref(picture.get());
            if (queued < 0)
                return;

            st.Signals.PictureQueued.Set();
            st.EndSignalled = false;
            if (st.Signals.Seeking && !st.SeekRequest)
                st.Signals.Seeking = false;
            if (st.OpenedPausedCounter != 0) {
                if (st.OpenedPausedCounter > 1) {
                    st.OpenedPausedCounter = 0;
                    st.Player.ReportState(psPause);
                } else {
                    ++st.OpenedPausedCounter;
                }
            }
        }
    }
}

} // namespace

int64_t PtsFaultCounter::Select(int64_t reorderedPts, int64_t dts) {
    if (dts != AV_NOPTS_VALUE) {
        if (LastDts != NoTime && dts <= LastDts)
            ++DtsFaults;
        LastDts = dts;
    }
    if (reorderedPts != AV_NOPTS_VALUE) {
        if (LastPts != NoTime && reorderedPts <= LastPts)
            ++PtsFaults;
        LastPts = reorderedPts;
    }
    if (reorderedPts != AV_NOPTS_VALUE && (dts == AV_NOPTS_VALUE || PtsFaults < DtsFaults))
        return reorderedPts;
    if (dts != AV_NOPTS_VALUE)
        return dts;
    return 0;
}

bool TakeSkippedPicture(double& counter, double skipRatio) {
    counter += 1;
    if (counter >= skipRatio) {
        counter -= std::max(skipRatio, 1.0);
        return true;
    }
    return false;
}

YuvOverlay::YuvOverlay(int width, int height) : Width(width), Height(height) {
    const size_t luma = static_cast<size_t>(width) * height;
    const size_t chroma = static_cast<size_t>(width / 2) * (height / 2);
    Pixels.assign(luma + 2 * chroma, 0);
    // Black, not green, until the first picture arrives.
    std::memset(Pixels.data() + luma, 128, 2 * chroma);
    Planes[0] = Pixels.data();
    Planes[1] = Planes[0] + luma;
    Planes[2] = Planes[1] + chroma;
    Pitches[0] = width;
    Pitches[1] = Pitches[2] = width / 2;
}

bool OpenVideoComponent(PlaybackState& st, int streamIndex) {
    auto& v = st.Video;
    AVStream* stream = st.Input->streams[streamIndex];
    v.Codec = OpenDecoder(st, stream);
    if (!v.Codec)
        return false;
    v.Stream = stream;
    v.StreamIndex = streamIndex;
    v.Rotation = DisplayRotationDegrees(stream);
    {
        std::lock_guard lock(v.Pictures.Mutex);
        v.Pictures.FrameTimer = WallTime();
    }
    v.Queue.Start();
    stream->discard = AVDISCARD_DEFAULT;
    try {
        v.Thread = std::thread(videoThread, std::ref(st));
    } catch (const std::system_error&) {
        v.Queue.Abort();
        stream->discard = AVDISCARD_ALL;
        CloseDecoder(v.Codec);
        v.Stream = nullptr;
        v.StreamIndex = -1;
        return false;
    }
    return true;
}

void CloseVideoComponent(PlaybackState& st) {
    auto& v = st.Video;
    if (v.StreamIndex < 0)
        return;
    v.Queue.Abort();
    {
        std::lock_guard lock(v.Pictures.Mutex);
        v.Pictures.Cond.notify_all();
    }
    st.PauseWake.Notify();
    if (v.Thread.joinable())
        v.Thread.join();
    v.Queue.FlushAll();
    v.Stream->discard = AVDISCARD_ALL;
    CloseDecoder(v.Codec);
    v.Stream = nullptr;
    v.StreamIndex = -1;
}

void AllocatePictureSlot(PlaybackState& st, int slotIndex) {
    auto& q = st.Video.Pictures;
    int width, height;
    {
        std::lock_guard lock(q.Mutex);
        width = q.Slots[slotIndex].Width;
        height = q.Slots[slotIndex].Height;
    }
    auto overlay = std::make_unique<YuvOverlay>(width, height);
    {
        std::lock_guard lock(q.Mutex);
        auto& slot = q.Slots[slotIndex];
        slot.Overlay = std::move(overlay);
        slot.Allocated = true;
    }
    q.Cond.notify_all();
}
