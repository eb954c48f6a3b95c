// Audio output: volume, sync by dropping or inserting samples, conversion to
// the encoder's layout, rate and format, and encoding whole frames from a FIFO.
#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "media/FFmpegLogger.h"
#include "task/FFmpegTask.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace {

constexpr double SyncThresholdSamples = 50.0;
constexpr int VolumeUnity = 256;

// Makes `frame` hold at least `samples` samples of `format` and `layout`.
void EnsureFrame(FramePtr& frame, AVSampleFormat format, const AVChannelLayout& layout, int rate,
                 int samples) {
    if (frame && frame->nb_samples >= samples && frame->format == format &&
        !av_channel_layout_compare(&frame->ch_layout, &layout))
        return;
    frame.reset(av_frame_alloc());
    if (!frame)
        throw FFmpegException("Out of memory in do_audio_out");
    frame->format = format;
    frame->sample_rate = rate;
    frame->nb_samples = samples;
    if (av_channel_layout_copy(&frame->ch_layout, &layout) < 0 || av_frame_get_buffer(frame.get(), 0) < 0)
        throw FFmpegException("Out of memory in do_audio_out");
}

// True when `swr` was made for input like `frame`.
bool ResamplerTakes(SwrContext* swr, const AVFrame& frame) {
    int64_t format = AV_SAMPLE_FMT_NONE;
    int64_t rate = 0;
    AVChannelLayout layout{};
    const bool same = av_opt_get_int(swr, "in_sample_fmt", 0, &format) >= 0 && format == frame.format &&
                      av_opt_get_int(swr, "in_sample_rate", 0, &rate) >= 0 && rate == frame.sample_rate &&
                      av_opt_get_chlayout(swr, "in_chlayout", 0, &layout) >= 0 &&
                      !av_channel_layout_compare(&layout, &frame.ch_layout);
    av_channel_layout_uninit(&layout);
    return same;
}

// Moves what the converter still holds (its filter's delay, some samples at a
// rate change) into `fifo` at the end of the stream; without it a resampled
// output ends short by that much.
void DrainResampler(SwrContext* swr, AVAudioFifo* fifo, FramePtr& scratch, const AVCodecContext* enc) {
    for (;;) {
        const int capacity = swr_get_out_samples(swr, 0);
        if (capacity <= 0)
            return;
        EnsureFrame(scratch, enc->sample_fmt, enc->ch_layout, enc->sample_rate, capacity);
        const int converted = swr_convert(swr, scratch->extended_data, capacity, nullptr, 0);
        if (converted <= 0)
            return;
        if (av_audio_fifo_write(fifo, reinterpret_cast<void**>(scratch->extended_data), converted) <
            converted)
            throw FFmpegException("av_fifo_realloc2() failed");
    }
}

} // namespace

void TCustomFFmpeg::ApplyVolume(AVFrame* frame) const {
    const int volume = settings_.AudioVolume;
    const int channels = frame->ch_layout.nb_channels;
    const bool planar = av_sample_fmt_is_planar(static_cast<AVSampleFormat>(frame->format));
    const int planes = planar ? channels : 1;
    const int perPlane = planar ? frame->nb_samples : frame->nb_samples * channels;
    for (int p = 0; p < planes; ++p) {
        switch (av_get_packed_sample_fmt(static_cast<AVSampleFormat>(frame->format))) {
        case AV_SAMPLE_FMT_S16: {
            auto* s = reinterpret_cast<int16_t*>(frame->extended_data[p]);
            for (int i = 0; i < perPlane; ++i)
                s[i] = static_cast<int16_t>(std::clamp((s[i] * volume + 128) >> 8, -32768, 32767));
            break;
        }
        case AV_SAMPLE_FMT_FLT: {
            auto* s = reinterpret_cast<float*>(frame->extended_data[p]);
            const float gain = static_cast<float>(volume) / VolumeUnity;
            for (int i = 0; i < perPlane; ++i)
                s[i] = std::clamp(s[i] * gain, -1.0f, 1.0f);
            break;
        }
        case AV_SAMPLE_FMT_DBL: {
            auto* s = reinterpret_cast<double*>(frame->extended_data[p]);
            const double gain = static_cast<double>(volume) / VolumeUnity;
            for (int i = 0; i < perPlane; ++i)
                s[i] = std::clamp(s[i] * gain, -1.0, 1.0);
            break;
        }
        case AV_SAMPLE_FMT_S32: { // 24- and 32-bit sources
            auto* s = reinterpret_cast<int32_t*>(frame->extended_data[p]);
            for (int i = 0; i < perPlane; ++i)
                s[i] = static_cast<int32_t>(
                    std::clamp<int64_t>((int64_t{s[i]} * volume + 128) >> 8, INT32_MIN, INT32_MAX));
            break;
        }
        case AV_SAMPLE_FMT_U8: {
            uint8_t* s = frame->extended_data[p];
            for (int i = 0; i < perPlane; ++i)
                s[i] = static_cast<uint8_t>(std::clamp((((s[i] - 128) * volume + 128) >> 8) + 128, 0, 255));
            break;
        }
        default:
            return; // 64-bit integer samples pass unchanged
        }
    }
}

void TCustomFFmpeg::DoAudioOut(TOutputStream& ost, TInputStream& ist, AVFrame* samples) {
    AVCodecContext* enc = ost.Encoder;
    const AVSampleFormat inFormat = static_cast<AVSampleFormat>(samples->format);
    const bool convert = ost.AudioResample || inFormat != enc->sample_fmt ||
                         samples->sample_rate != enc->sample_rate ||
                         av_channel_layout_compare(&samples->ch_layout, &enc->ch_layout) != 0;
    // Decoded audio may change its layout, rate or format mid-stream; a converter
    // made for the old input would read planes the new frames do not have.
    if (ost.Resampler && !ResamplerTakes(ost.Resampler.get(), *samples))
        ost.Resampler.reset();
    if (convert && !ost.Resampler) {
        SwrContext* swr = nullptr;
        if (swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &samples->ch_layout,
                                inFormat, samples->sample_rate, 0, nullptr) < 0 ||
            swr_init(swr) < 0) {
            swr_free(&swr);
            throw FFmpegException(FormatText("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                             samples->ch_layout.nb_channels, samples->sample_rate,
                                             enc->ch_layout.nb_channels, enc->sample_rate));
        }
        ost.Resampler.reset(swr);
    }

    const double sourceTime = static_cast<double>(ist.Pts - settings_.StartTime) / AV_TIME_BASE;
    const int64_t waiting = av_audio_fifo_size(ost.Fifo.get());
    const uint8_t** input = const_cast<const uint8_t**>(samples->extended_data);
    int inputSamples = samples->nb_samples;
    // Dropped samples move copies of the plane pointers, never the frame's own:
    // the next output stream fed by this frame needs all of it. Made only on a drop.
    std::vector<const uint8_t*> shifted;
    int silence = 0;
    if (settings_.AudioSyncMethod != 0) {
        const double delta = sourceTime * enc->sample_rate - static_cast<double>(ost.SyncOpts + waiting);
        if (std::fabs(delta) > SyncThresholdSamples) {
            const int inputDelta = static_cast<int>(delta * samples->sample_rate / enc->sample_rate);
            if (ist.IsStart || std::fabs(delta) > settings_.AudioDriftThreshold * enc->sample_rate) {
                if (inputDelta < 0) {
                    const int drop = std::min(-inputDelta, inputSamples);
                    if (settings_.Verbose > 2)
                        GetLogger().LogFmt(logSender_, llVerbose, "discarding %d audio samples", drop);
                    const int bytes = av_get_bytes_per_sample(inFormat);
                    const bool planar = av_sample_fmt_is_planar(inFormat);
                    const int channels = samples->ch_layout.nb_channels;
                    shifted.assign(input, input + (planar ? channels : 1));
                    for (const uint8_t*& plane : shifted)
                        plane += static_cast<ptrdiff_t>(drop) * bytes * (planar ? 1 : channels);
                    input = shifted.data();
                    inputSamples -= drop;
                    if (inputSamples <= 0)
                        return;
                } else {
                    silence = inputDelta;
                    if (settings_.Verbose > 2)
                        GetLogger().LogFmt(logSender_, llVerbose, "adding %d audio samples of silence",
                                           silence);
                }
                ist.IsStart = false;
            } else if (settings_.AudioSyncMethod >= 2 && ost.Resampler) {
                const int compensation = static_cast<int>(
                    std::clamp(std::lround(delta), -static_cast<long>(settings_.AudioSyncMethod),
                               static_cast<long>(settings_.AudioSyncMethod)));
                if (settings_.Verbose > 2)
                    GetLogger().LogFmt(logSender_, llVerbose,
                                       "compensating audio timestamp drift:%f compensation:%d in:%d", delta,
                                       compensation, enc->sample_rate);
                swr_set_compensation(ost.Resampler.get(), compensation, enc->sample_rate);
            }
        }
    } else {
        ost.SyncOpts = std::llround(sourceTime * enc->sample_rate) - waiting;
    }

    if (silence > 0) {
        EnsureFrame(ost.ConvertedAudio, enc->sample_fmt, enc->ch_layout, enc->sample_rate,
                    static_cast<int>(av_rescale(silence, enc->sample_rate, samples->sample_rate)) + 1);
        const int count = static_cast<int>(av_rescale(silence, enc->sample_rate, samples->sample_rate));
        av_samples_set_silence(ost.ConvertedAudio->extended_data, 0, count, enc->ch_layout.nb_channels,
                               enc->sample_fmt);
        if (av_audio_fifo_write(ost.Fifo.get(), reinterpret_cast<void**>(ost.ConvertedAudio->extended_data),
                                count) < count)
            throw FFmpegException("av_fifo_realloc2() failed");
    }

    if (ost.Resampler) {
        const int capacity = swr_get_out_samples(ost.Resampler.get(), inputSamples);
        EnsureFrame(ost.ConvertedAudio, enc->sample_fmt, enc->ch_layout, enc->sample_rate,
                    std::max(capacity, 1));
        const int converted = swr_convert(ost.Resampler.get(), ost.ConvertedAudio->extended_data, capacity,
                                          input, inputSamples);
        if (converted < 0) {
            if (settings_.ExitOnError)
                throw FFmpegException("av_audio_convert() failed");
            GetLogger().Log(logSender_, llError, "av_audio_convert() failed");
            return;
        }
        if (av_audio_fifo_write(ost.Fifo.get(), reinterpret_cast<void**>(ost.ConvertedAudio->extended_data),
                                converted) < converted)
            throw FFmpegException("av_fifo_realloc2() failed");
    } else if (av_audio_fifo_write(ost.Fifo.get(), reinterpret_cast<void**>(const_cast<uint8_t**>(input)),
                                   inputSamples) < inputSamples) {
        throw FFmpegException("av_fifo_realloc2() failed");
    }
    EncodeAudioFromFifo(ost, false);
}

void TCustomFFmpeg::EncodeAudioFromFifo(TOutputStream& ost, bool flush) {
    AVCodecContext* enc = ost.Encoder;
    AVAudioFifo* fifo = ost.Fifo.get();
    if (!fifo)
        return;
    if (flush && ost.Resampler)
        DrainResampler(ost.Resampler.get(), fifo, ost.ConvertedAudio, enc);
    const bool variable =
        enc->frame_size <= 1 || (enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    const bool shortLast = variable || (enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME);
    for (;;) {
        int available = av_audio_fifo_size(fifo);
        int take = variable ? available : enc->frame_size;
        if (available <= 0 || (!flush && available < take))
            return;
        const int frameSamples = flush && !shortLast ? enc->frame_size : std::min(take, available);
        const int read = std::min(available, frameSamples);
        EnsureFrame(ost.AudioFrame, enc->sample_fmt, enc->ch_layout, enc->sample_rate, frameSamples);
        if (av_frame_make_writable(ost.AudioFrame.get()) < 0)
            throw FFmpegException("Out of memory in do_audio_out");
        AVFrame* frame = ost.AudioFrame.get();
        frame->nb_samples = frameSamples;
        if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(frame->extended_data), read) < read)
            throw FFmpegException("Audio encoding failed");
        if (read < frameSamples) // the last frame padded with silence
            av_samples_set_silence(frame->extended_data, read, frameSamples - read,
                                   enc->ch_layout.nb_channels, enc->sample_fmt);
        frame->pts = ost.SyncOpts;
        SendToEncoder(ost, frame);
        ost.SyncOpts += read;
        ++ost.FrameNumber;
    }
}
