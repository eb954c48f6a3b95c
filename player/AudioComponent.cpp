#include "player/AudioComponent.h"

#include "player/Clocks.h"
#include "player/Decoder.h"

#include <SDL.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

// Makes the converter match the frame's format; false when none can be made (reported).
bool updateConverter(PlaybackState& st, const AVFrame* frame) {
    auto& a = st.Audio;
    if (a.Converter && frame->format == a.SourceFormat && frame->sample_rate == a.SourceRate &&
        av_channel_layout_compare(&frame->ch_layout, &a.SourceLayout) == 0)
        return true;

    a.Converter.reset();
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, a.Channels);
    SwrContext* swr = nullptr;
    const auto format = static_cast<AVSampleFormat>(frame->format);
    int result = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_S16, a.SampleRate,
                                     const_cast<AVChannelLayout*>(&frame->ch_layout), format,
                                     frame->sample_rate, 0, nullptr);
    SwrPtr converter(swr);
    if (result >= 0)
        result = swr_init(swr);
    av_channel_layout_uninit(&outLayout);
    if (result < 0) {
        const char* from = av_get_sample_fmt_name(format);
        char message[128];
        std::snprintf(message, sizeof message, "Cannot convert %s sample format to %s sample format",
                      from ? from : "?", av_get_sample_fmt_name(AV_SAMPLE_FMT_S16));
        st.Player.ReportError(message, false);
        return false;
    }
    a.Converter = std::move(converter);
    a.SourceFormat = format;
    a.SourceRate = frame->sample_rate;
    av_channel_layout_uninit(&a.SourceLayout);
    av_channel_layout_copy(&a.SourceLayout, &frame->ch_layout);
    return true;
}

// Converts the decoded frame into the buffer; the byte count or -1.
int convertFrame(PlaybackState& st) {
    auto& a = st.Audio;
    if (!updateConverter(st, a.Frame.get()))
        return -1;
    uint8_t* out = a.Buffer.data();
    const int capacity = AudioBufferBytes / (2 * a.Channels);
    const int samples = swr_convert(a.Converter.get(), &out, capacity,
                                    const_cast<const uint8_t**>(a.Frame->extended_data), a.Frame->nb_samples);
    if (samples < 0) {
        st.Player.ReportError("av_audio_convert() failed", false);
        return -1;
    }
    return samples * 2 * a.Channels;
}

// Decodes the next piece of audio into the buffer. Returns its byte count and its
// start time, or -1 when nothing can be decoded now (paused, no data, aborted).
int decodeAudio(PlaybackState& st, double& pts) {
    auto& a = st.Audio;
    AVCodecContext* ctx = a.Codec.get();
    for (;;) {
        int result = avcodec_receive_frame(ctx, a.Frame.get());
        if (result == 0) {
            if (a.Frame->pts != AV_NOPTS_VALUE)
                a.Clock = a.Frame->pts * av_q2d(a.Stream->time_base);
            const int size = convertFrame(st);
            av_frame_unref(a.Frame.get());
            if (size <= 0)
                continue;
            pts = a.Clock;
            a.Clock = a.Clock + static_cast<double>(size) / (2.0 * a.Channels * a.SampleRate);
            return size;
        }
        if (result != AVERROR(EAGAIN) && result != AVERROR_EOF)
            st.Player.ReportInfo("avcodec_decode_audio2() failed");

        if (a.PacketPending) {
            a.PacketPending = false;
            result = avcodec_send_packet(ctx, a.Packet.get());
            av_packet_unref(a.Packet.get());
            if (result < 0 && result != AVERROR_EOF)
                st.Player.ReportInfo("avcodec_decode_audio2() failed");
            continue;
        }

        if (st.Paused.load() || a.Queue.Aborted())
            return -1;
        switch (a.Queue.Get(a.Packet.get(), false)) {
        case PacketQueue::Stopped:
        case PacketQueue::Empty:
            return -1;
        case PacketQueue::Flush:
            avcodec_flush_buffers(ctx);
            a.Draining = false;
            continue;
        case PacketQueue::Packet:
            break;
        }
        if (!a.Packet->data) {
            // The input ended: let the decoder give out what it still holds, once.
            av_packet_unref(a.Packet.get());
            if (!a.Draining) {
                a.Draining = true;
                avcodec_send_packet(ctx, nullptr);
            }
            continue;
        }
        if (a.Draining) {
            // New data after the end without a seek in between (a growing file).
            avcodec_flush_buffers(ctx);
            a.Draining = false;
        }
        if (a.Packet->pts != AV_NOPTS_VALUE)
            a.Clock = a.Packet->pts * av_q2d(a.Stream->time_base);
        a.PacketPending = true;
    }
}

// Keeps the decoded samples for the waveform.
void copyIntoRing(AudioState& a, int bytes) {
    const auto* samples = reinterpret_cast<const int16_t*>(a.Buffer.data());
    int count = bytes / 2;
    std::lock_guard ringLock(a.RingMutex);
    int w = a.RingWriteIndex.load(std::memory_order_relaxed);
    while (count > 0) {
        const int n = std::min(count, SampleRingSize - w);
        std::memcpy(a.Ring.data() + w, samples, static_cast<size_t>(n) * 2);
        samples += n;
        count -= n;
        w = (w + n) % SampleRingSize;
    }
    a.RingWriteIndex.store(w, std::memory_order_relaxed);
}

void audioCallback(void* opaque, Uint8* stream, int len) {
    FillAudioBuffer(*static_cast<PlaybackState*>(opaque), stream, len);
}

} // namespace

void FillAudioBuffer(PlaybackState& st, uint8_t* stream, int len) {
    auto& a = st.Audio;
    const double callbackTime = WallTime();
    a.CallbackTimeUs = static_cast<int64_t>(callbackTime * 1e6);
    // SDL 2 hands the buffer over uninitialised; the mixer adds into it.
    std::memset(stream, 0, static_cast<size_t>(len));
    const bool mute = st.Player.Mute();
    const int volume = std::clamp(st.Player.AudioVolume(), 0, SDL_MIX_MAXVOLUME);
    const uint8_t* const deviceBuffer = stream;
    const int deviceBytes = len;
    int streamBytes = 0; // of the stream's own audio in this block

    while (len > 0) {
        int index = a.BufferIndex.load(std::memory_order_relaxed);
        int size = a.BufferSize.load(std::memory_order_relaxed);
        if (index >= size) {
            double pts = 0;
            const int decoded = decodeAudio(st, pts);
            if (a.Queue.Aborted())
                return;
            a.BufferSilent = decoded < 0;
            if (decoded < 0) {
                size = SilenceBytes;
                std::memset(a.Buffer.data(), 0, SilenceBytes);
            } else {
                size = decoded;
                if (st.DisplayMode.load(std::memory_order_relaxed) != 0)
                    copyIntoRing(a, size);
            }
            index = 0;
            a.BufferSize.store(size, std::memory_order_relaxed);
            a.BufferIndex.store(0, std::memory_order_relaxed);
        }
        const int n = std::min(len, size - index);
        if (!mute)
            SDL_MixAudioFormat(stream, a.Buffer.data() + index, AUDIO_S16SYS, static_cast<Uint32>(n), volume);
        if (!a.BufferSilent)
            streamBytes += n;
        len -= n;
        stream += n;
        a.BufferIndex.store(index + n, std::memory_order_relaxed);
    }

    const double bytesPerSecond = 2.0 * a.Channels * a.SampleRate;
    const int unplayed = a.BufferSilent ? 0 : a.BufferSize - a.BufferIndex;
    AudioDeviceClock device;
    device.EndPts = a.Clock - unplayed / bytesPerSecond;
    device.BlockSeconds = streamBytes / bytesPerSecond;
    device.CallbackTime = callbackTime;
    {
        std::lock_guard lock(a.DeviceMutex);
        a.DeviceClock = device;
    }
    if (st.Settings.AudioTap)
        st.Settings.AudioTap(reinterpret_cast<const int16_t*>(deviceBuffer), deviceBytes / 2, a.Channels,
                             a.SampleRate, callbackTime);
}

bool OpenAudioComponent(PlaybackState& st, int streamIndex) {
    auto& a = st.Audio;
    AVStream* stream = st.Input->streams[streamIndex];
    a.Codec = OpenDecoder(st, stream);
    if (!a.Codec)
        return false;

    a.Channels = PlaybackChannels(a.Codec->ch_layout.nb_channels);
    a.SampleRate = a.Codec->sample_rate;
    SDL_AudioSpec wanted{};
    wanted.freq = a.SampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(a.Channels);
    wanted.samples = AudioDeviceSamples;
    wanted.callback = audioCallback;
    wanted.userdata = &st;
    SDL_AudioSpec obtained{};
    a.Device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (a.Device == 0) {
        st.Player.ReportError(std::string("SDL_OpenAudio() failed: ") + SDL_GetError(), false);
        CloseDecoder(a.Codec);
        return false;
    }
    a.DeviceBufferSize = static_cast<int>(obtained.size);
    a.SourceFormat = AV_SAMPLE_FMT_S16;
    a.Stream = stream;
    a.StreamIndex = streamIndex;
    a.StreamDurationUs = stream->duration != AV_NOPTS_VALUE
                             ? av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000000})
                             : -1;
    a.Buffer.assign(AudioBufferBytes, 0);
    a.Ring.assign(SampleRingSize, 0);
    a.BufferSize = 0;
    a.BufferIndex = 0;
    a.DriftAvgCoef = std::exp(std::log(0.01) / 20);
    a.DriftThreshold = 2.0 * AudioDeviceSamples / a.SampleRate;
    a.Queue.Start();
    stream->discard = AVDISCARD_DEFAULT;
    SDL_PauseAudioDevice(a.Device, 0);
    return true;
}

void CloseAudioComponent(PlaybackState& st) {
    auto& a = st.Audio;
    if (a.StreamIndex < 0)
        return;
    a.Queue.Abort();
    SDL_CloseAudioDevice(a.Device); // returns once the callback has finished
    a.Device = 0;
    a.Queue.FlushAll();
    a.Converter.reset();
    av_channel_layout_uninit(&a.SourceLayout);
    a.Stream->discard = AVDISCARD_ALL;
    CloseDecoder(a.Codec);
    a.Stream = nullptr;
    a.StreamIndex = -1;
    a.StreamDurationUs = -1;
}
