#include "player/SubtitleComponent.h"

#include "player/Decoder.h"

#include <cmath>

namespace {

constexpr int FixedBits = 10;
constexpr int Fix(double x) {
    return static_cast<int>(x * (1 << FixedBits) + 0.5);
}

// Rounded arithmetic shift for possibly negative sums.
int fixedToInt(int value) {
    return (value + (1 << (FixedBits - 1))) >> FixedBits;
}

void subtitleThread(PlaybackState& st) {
    auto& s = st.Subtitles;
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return;
    for (;;) {
        st.PauseWake.Wait([&] { return !st.Paused || st.PausedAtSeek || st.Abort || s.Queue.Aborted(); });
        const auto got = s.Queue.Get(packet.get(), true);
        if (got == PacketQueue::Stopped || got == PacketQueue::Empty)
            break;
        if (got == PacketQueue::Flush) {
            avcodec_flush_buffers(s.Codec.get());
            continue;
        }
        {
            std::unique_lock lock(s.Mutex);
            s.Cond.wait(lock, [&] { return s.Size < SubtitleQueueSlots || s.Queue.Aborted(); });
        }
        if (s.Queue.Aborted())
            break;
        const double pts = packet->pts != AV_NOPTS_VALUE ? packet->pts * av_q2d(s.Stream->time_base) : 0.0;
        AVSubtitle sub{};
        int gotSubtitle = 0;
        if (packet->data)
            avcodec_decode_subtitle2(s.Codec.get(), &sub, &gotSubtitle, packet.get());
        av_packet_unref(packet.get());
        if (!gotSubtitle)
            continue;
        if (sub.format != 0) { // text subtitles are not shown
            avsubtitle_free(&sub);
            continue;
        }
        for (unsigned i = 0; i < sub.num_rects; ++i) {
            AVSubtitleRect* rect = sub.rects[i];
            if (rect->type != SUBTITLE_BITMAP || !rect->data[1])
                continue;
            auto* palette = reinterpret_cast<uint32_t*>(rect->data[1]);
            for (int c = 0; c < rect->nb_colors; ++c)
                palette[c] = PaletteEntryToYuv(palette[c]);
        }
        std::lock_guard lock(s.Mutex);
        auto& slot = s.Slots[s.WriteIndex];
        slot.Pts = pts;
        slot.Sub = sub;
        s.WriteIndex = (s.WriteIndex + 1) % SubtitleQueueSlots;
        ++s.Size;
    }
}

} // namespace

uint32_t PaletteEntryToYuv(uint32_t argb) {
    const int a = static_cast<int>(argb >> 24) & 0xff;
    const int r = static_cast<int>(argb >> 16) & 0xff;
    const int g = static_cast<int>(argb >> 8) & 0xff;
    const int b = static_cast<int>(argb) & 0xff;
    const int y = fixedToInt(Fix(0.25679) * r + Fix(0.50413) * g + Fix(0.09791) * b) + 16;
    const int u = fixedToInt(-Fix(0.14823) * r - Fix(0.29099) * g + Fix(0.43922) * b) + 128;
    const int v = fixedToInt(Fix(0.43922) * r - Fix(0.36779) * g - Fix(0.07143) * b) + 128;
    auto clamp8 = [](int x) { return static_cast<uint32_t>(x < 0 ? 0 : x > 255 ? 255 : x); };
    return static_cast<uint32_t>(a) << 24 | clamp8(y) << 16 | clamp8(u) << 8 | clamp8(v);
}

void DropOldestSubtitle(SubtitleState& s) {
    {
        std::lock_guard lock(s.Mutex);
        if (s.Size == 0)
            return;
        avsubtitle_free(&s.Slots[s.ReadIndex].Sub);
        s.ReadIndex = (s.ReadIndex + 1) % SubtitleQueueSlots;
        --s.Size;
    }
    s.Cond.notify_all();
}

void DropAllSubtitles(SubtitleState& s) {
    {
        std::lock_guard lock(s.Mutex);
        while (s.Size > 0) {
            avsubtitle_free(&s.Slots[s.ReadIndex].Sub);
            s.ReadIndex = (s.ReadIndex + 1) % SubtitleQueueSlots;
            --s.Size;
        }
    }
    s.Cond.notify_all();
}

bool OpenSubtitleComponent(PlaybackState& st, int streamIndex) {
    auto& s = st.Subtitles;
    AVStream* stream = st.Input->streams[streamIndex];
    s.Codec = OpenDecoder(st, stream);
    if (!s.Codec)
        return false;
    s.Stream = stream;
    s.StreamIndex = streamIndex;
    s.Queue.Start();
    stream->discard = AVDISCARD_DEFAULT;
    try {
        s.Thread = std::thread(subtitleThread, std::ref(st));
    } catch (const std::system_error&) {
        s.Queue.Abort();
        stream->discard = AVDISCARD_ALL;
        CloseDecoder(s.Codec);
        s.Stream = nullptr;
        s.StreamIndex = -1;
        return false;
    }
    return true;
}

void CloseSubtitleComponent(PlaybackState& st) {
    auto& s = st.Subtitles;
    if (s.StreamIndex < 0)
        return;
    s.Queue.Abort();
    s.Changed = true;
    {
        std::lock_guard lock(s.Mutex);
        s.Cond.notify_all();
    }
    st.PauseWake.Notify();
    if (s.Thread.joinable())
        s.Thread.join();
    s.Queue.FlushAll();
    DropAllSubtitles(s);
    s.Stream->discard = AVDISCARD_ALL;
    CloseDecoder(s.Codec);
    s.Stream = nullptr;
    s.StreamIndex = -1;
}
