// The yardstick for the engine's speed: the least a program written straight on
// the libraries must do to turn one video and one audio stream into another
// file. Decode, scale when the size or format differs, convert the samples when
// the encoder wants other ones, cut them into encoder frames through a FIFO,
// encode and write interleaved. One codec thread everywhere, every buffer made
// once. The encoder gets the same tuning the engine gives it, so that the
// comparison weighs the engine's own work, not a different encoder setting.
// Nothing else: no options, no sync, no progress.
#pragma once

#include "media/GenericOptions.h"
#include "media/LibraryPointers.h"
#include "setup/EncoderTuning.h"

#include <algorithm>
#include <stdexcept>
#include <string>

extern "C" {
#include <libavutil/opt.h>
}

struct TBareSettings {
    std::string VideoEncoder;
    int Width = 0;
    int Height = 0;
    AVRational FrameRate{25, 1};
    int64_t VideoBitRate = 0;
    int ScalerFlags = SWS_BICUBIC;
    std::string AudioEncoder;
    int SampleRate = 44100;
    int Channels = 2;
    AVSampleFormat SampleFormat = AV_SAMPLE_FMT_NONE;
    int64_t AudioBitRate = 0;
};

class TBareTranscode {
public:
    TBareTranscode(const std::string& in, const std::string& out, const TBareSettings& settings)
        : settings_(settings) {
        OpenInput(in);
        OpenOutput(out);
    }

    void Run() {
        PacketPtr packet(av_packet_alloc());
        Check(packet != nullptr, "packet");
        while (av_read_frame(input_.get(), packet.get()) >= 0) {
            if (packet->stream_index == videoIndex_)
                Decode(videoDecoder_.get(), packet.get());
            else if (packet->stream_index == audioIndex_)
                Decode(audioDecoder_.get(), packet.get());
            av_packet_unref(packet.get());
        }
        Decode(videoDecoder_.get(), nullptr);
        Decode(audioDecoder_.get(), nullptr);
        EncodeAudioFrames(true);
        Encode(videoEncoder_.get(), videoStream_, nullptr);
        Encode(audioEncoder_.get(), audioStream_, nullptr);
        Check(av_write_trailer(output_.get()) >= 0, "trailer");
    }

    ~TBareTranscode() {
        if (output_ && output_->pb)
            avio_closep(&output_->pb);
    }

    const AVCodecContext* VideoEncoder() const { return videoEncoder_.get(); }
    const AVCodecContext* AudioEncoder() const { return audioEncoder_.get(); }

private:
    static void Check(bool ok, const char* what) {
        if (!ok)
            throw std::runtime_error(std::string("bare transcode: ") + what);
    }

    static PlainCodecContextPtr OpenDecoder(const AVStream* stream) {
        const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
        Check(codec != nullptr, "decoder");
        PlainCodecContextPtr ctx(avcodec_alloc_context3(codec));
        Check(ctx && avcodec_parameters_to_context(ctx.get(), stream->codecpar) >= 0, "decoder context");
        ctx->pkt_timebase = stream->time_base;
        ctx->thread_count = 1;
        Check(avcodec_open2(ctx.get(), codec, nullptr) >= 0, "decoder open");
        return ctx;
    }

    void OpenInput(const std::string& in) {
        AVFormatContext* raw = nullptr;
        Check(avformat_open_input(&raw, in.c_str(), nullptr, nullptr) >= 0, "input open");
        input_.reset(raw);
        Check(avformat_find_stream_info(raw, nullptr) >= 0, "stream info");
        videoIndex_ = av_find_best_stream(raw, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
        audioIndex_ = av_find_best_stream(raw, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        Check(videoIndex_ >= 0 && audioIndex_ >= 0, "input streams");
        videoTimeBase_ = raw->streams[videoIndex_]->time_base;
        videoDecoder_ = OpenDecoder(raw->streams[videoIndex_]);
        audioDecoder_ = OpenDecoder(raw->streams[audioIndex_]);
    }

    AVStream* AddStream(PlainCodecContextPtr& ctx) {
        if (output_->oformat->flags & AVFMT_GLOBALHEADER)
            ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        Check(avcodec_open2(ctx.get(), ctx->codec, nullptr) >= 0, "encoder open");
        AVStream* stream = avformat_new_stream(output_.get(), nullptr);
        Check(stream && avcodec_parameters_from_context(stream->codecpar, ctx.get()) >= 0, "stream");
        stream->time_base = ctx->time_base;
        stream->sample_aspect_ratio = ctx->sample_aspect_ratio;
        return stream;
    }

    void OpenOutput(const std::string& out) {
        AVFormatContext* raw = nullptr;
        Check(avformat_alloc_output_context2(&raw, nullptr, nullptr, out.c_str()) >= 0, "output format");
        output_.reset(raw);

        const AVCodec* video = avcodec_find_encoder_by_name(settings_.VideoEncoder.c_str());
        Check(video != nullptr, "video encoder");
        videoEncoder_.reset(avcodec_alloc_context3(video));
        AVCodecContext* venc = videoEncoder_.get();
        Check(venc != nullptr, "video encoder context");
        venc->width = settings_.Width;
        venc->height = settings_.Height;
        venc->pix_fmt = video->pix_fmts ? video->pix_fmts[0] : AV_PIX_FMT_YUV420P;
        venc->time_base = av_inv_q(settings_.FrameRate);
        venc->framerate = settings_.FrameRate;
        venc->bit_rate = settings_.VideoBitRate;
        venc->sample_aspect_ratio = AVRational{1, 1};
        venc->rc_initial_buffer_occupancy = venc->rc_buffer_size * 3 / 4;
        venc->chroma_sample_location = videoDecoder_->chroma_sample_location;
        venc->thread_count = 1;
        const OptionContextSet noTaskOptions;
        ApplyEncoderTuning(venc, video, noTaskOptions, settings_.FrameRate, false);
        videoStream_ = AddStream(videoEncoder_);

        const AVCodec* audio = avcodec_find_encoder_by_name(settings_.AudioEncoder.c_str());
        Check(audio != nullptr, "audio encoder");
        audioEncoder_.reset(avcodec_alloc_context3(audio));
        AVCodecContext* aenc = audioEncoder_.get();
        Check(aenc != nullptr, "audio encoder context");
        aenc->sample_fmt = settings_.SampleFormat;
        aenc->sample_rate = settings_.SampleRate;
        av_channel_layout_default(&aenc->ch_layout, settings_.Channels);
        aenc->bit_rate = settings_.AudioBitRate;
        aenc->time_base = AVRational{1, settings_.SampleRate};
        aenc->thread_count = 1;
        audioStream_ = AddStream(audioEncoder_);

        Check(avio_open(&raw->pb, out.c_str(), AVIO_FLAG_WRITE) >= 0, "output open");
        Check(avformat_write_header(raw, nullptr) >= 0, "header");

        videoFrame_.reset(av_frame_alloc());
        audioFrame_.reset(av_frame_alloc());
        decoded_.reset(av_frame_alloc());
        encoded_.reset(av_packet_alloc());
        Check(videoFrame_ && audioFrame_ && decoded_ && encoded_, "frames");
        const AVCodecContext* vdec = videoDecoder_.get();
        if (vdec->width != venc->width || vdec->height != venc->height || vdec->pix_fmt != venc->pix_fmt) {
            scaler_.reset(sws_getContext(vdec->width, vdec->height, vdec->pix_fmt, venc->width, venc->height,
                                         venc->pix_fmt, settings_.ScalerFlags, nullptr, nullptr, nullptr));
            Check(scaler_ != nullptr, "scaler");
            videoFrame_->format = venc->pix_fmt;
            videoFrame_->width = venc->width;
            videoFrame_->height = venc->height;
            Check(av_frame_get_buffer(videoFrame_.get(), 0) >= 0, "scaled picture");
        }

        AVCodecContext* adec = audioDecoder_.get(); // swr_alloc_set_opts2 takes its layouts as non-const
        if (adec->sample_fmt != aenc->sample_fmt || adec->sample_rate != aenc->sample_rate ||
            av_channel_layout_compare(&adec->ch_layout, &aenc->ch_layout)) {
            SwrContext* swr = nullptr;
            Check(swr_alloc_set_opts2(&swr, &aenc->ch_layout, aenc->sample_fmt, aenc->sample_rate,
                                      &adec->ch_layout, adec->sample_fmt, adec->sample_rate, 0, nullptr) >= 0,
                  "resampler");
            resampler_.reset(swr);
            Check(swr_init(swr) >= 0, "resampler init");
        }
        fifo_.reset(av_audio_fifo_alloc(aenc->sample_fmt, aenc->ch_layout.nb_channels, aenc->frame_size * 2));
        Check(fifo_ != nullptr, "fifo");
        audioFrame_->format = aenc->sample_fmt;
        audioFrame_->sample_rate = aenc->sample_rate;
        audioFrame_->nb_samples = aenc->frame_size;
        Check(av_channel_layout_copy(&audioFrame_->ch_layout, &aenc->ch_layout) >= 0 &&
                  av_frame_get_buffer(audioFrame_.get(), 0) >= 0,
              "audio frame");
    }

    void Decode(AVCodecContext* decoder, const AVPacket* packet) {
        Check(avcodec_send_packet(decoder, packet) >= 0, "decode");
        while (avcodec_receive_frame(decoder, decoded_.get()) >= 0) {
            if (decoder == videoDecoder_.get())
                OutputVideo(decoded_.get());
            else
                OutputAudio(decoded_.get());
            av_frame_unref(decoded_.get());
        }
    }

    void OutputVideo(AVFrame* picture) {
        AVCodecContext* enc = videoEncoder_.get();
        const int64_t pts = av_rescale_q(picture->best_effort_timestamp, videoTimeBase_, enc->time_base);
        AVFrame* frame = picture;
        if (scaler_) {
            Check(av_frame_make_writable(videoFrame_.get()) >= 0, "scaled picture");
            sws_scale(scaler_.get(), picture->data, picture->linesize, 0, picture->height, videoFrame_->data,
                      videoFrame_->linesize);
            frame = videoFrame_.get();
        }
        frame->pts = pts;
        frame->pict_type = AV_PICTURE_TYPE_NONE;
        Encode(enc, videoStream_, frame);
    }

    void OutputAudio(AVFrame* samples) {
        if (!resampler_) {
            Check(av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(samples->extended_data),
                                      samples->nb_samples) == samples->nb_samples,
                  "fifo");
        } else {
            const int capacity = swr_get_out_samples(resampler_.get(), samples->nb_samples);
            if (capacity > convertedCapacity_) {
                converted_.reset(av_frame_alloc());
                Check(converted_ != nullptr, "converted samples");
                converted_->format = audioEncoder_->sample_fmt;
                converted_->nb_samples = capacity;
                Check(av_channel_layout_copy(&converted_->ch_layout, &audioEncoder_->ch_layout) >= 0 &&
                          av_frame_get_buffer(converted_.get(), 0) >= 0,
                      "converted samples");
                convertedCapacity_ = capacity;
            }
            const int count =
                swr_convert(resampler_.get(), converted_->extended_data, capacity,
                            const_cast<const uint8_t**>(samples->extended_data), samples->nb_samples);
            Check(count >= 0, "resample");
            Check(av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(converted_->extended_data),
                                      count) == count,
                  "fifo");
        }
        EncodeAudioFrames(false);
    }

    void EncodeAudioFrames(bool flush) {
        AVCodecContext* enc = audioEncoder_.get();
        for (;;) {
            const int available = av_audio_fifo_size(fifo_.get());
            if (available <= 0 || (!flush && available < enc->frame_size))
                return;
            const int take = std::min(available, enc->frame_size);
            AVFrame* frame = audioFrame_.get();
            Check(av_frame_make_writable(frame) >= 0, "audio frame");
            frame->nb_samples = enc->frame_size;
            av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), take);
            if (take < enc->frame_size)
                av_samples_set_silence(frame->extended_data, take, enc->frame_size - take,
                                       enc->ch_layout.nb_channels, enc->sample_fmt);
            frame->pts = audioSamples_;
            audioSamples_ += take;
            Encode(enc, audioStream_, frame);
        }
    }

    void Encode(AVCodecContext* enc, AVStream* stream, const AVFrame* frame) {
        Check(avcodec_send_frame(enc, frame) >= 0, "encode");
        AVPacket* pkt = encoded_.get();
        while (avcodec_receive_packet(enc, pkt) >= 0) {
            av_packet_rescale_ts(pkt, enc->time_base, stream->time_base);
            pkt->stream_index = stream->index;
            Check(av_interleaved_write_frame(output_.get(), pkt) >= 0, "write");
        }
    }

    TBareSettings settings_;
    InputClosePtr input_;
    FormatContextPtr output_;
    int videoIndex_ = -1;
    int audioIndex_ = -1;
    AVRational videoTimeBase_{1, 1};
    PlainCodecContextPtr videoDecoder_;
    PlainCodecContextPtr audioDecoder_;
    PlainCodecContextPtr videoEncoder_;
    PlainCodecContextPtr audioEncoder_;
    AVStream* videoStream_ = nullptr; // owned by output_
    AVStream* audioStream_ = nullptr; // owned by output_
    SwsPtr scaler_;
    SwrPtr resampler_;
    AudioFifoPtr fifo_;
    FramePtr decoded_;
    FramePtr videoFrame_; // scaler output
    FramePtr converted_;  // resampler output, grown on demand
    int convertedCapacity_ = 0;
    FramePtr audioFrame_; // one encoder frame taken from the FIFO
    PacketPtr encoded_;
    int64_t audioSamples_ = 0;
};
