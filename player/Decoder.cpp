#include "player/Decoder.h"

#include "media/FFmpegLoader.h"

int PlaybackChannels(int streamChannels) {
    return streamChannels == 1 || streamChannels == 2 ? streamChannels : 2;
}

CodecContextPtr OpenDecoder(PlaybackState& st, AVStream* stream) {
    const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
    CodecContextPtr ctx(avcodec_alloc_context3(codec));
    if (!codec || !ctx || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0) {
        st.Player.ReportError("avcodec_open() failed.", false);
        return nullptr;
    }
    ctx->pkt_timebase = stream->time_base;
    ctx->workaround_bugs = 1;
    ctx->err_recognition = AV_EF_CAREFUL;
    ctx->error_concealment = 3;
    ctx->thread_count = 1;
    ctx->lowres = 0;
    ctx->idct_algo = FF_IDCT_AUTO;
    ctx->skip_frame = AVDISCARD_DEFAULT;
    ctx->skip_idct = AVDISCARD_DEFAULT;
    ctx->skip_loop_filter = AVDISCARD_DEFAULT;
    ctx->flags2 &= ~AV_CODEC_FLAG2_FAST;
    ctx->debug = 0;

    AVDictionary* options = nullptr;
    if (ctx->codec_type == AVMEDIA_TYPE_AUDIO && PlaybackChannels(ctx->ch_layout.nb_channels) == 2 &&
        ctx->ch_layout.nb_channels != 2) {
        // Decoders that can mix down do it themselves; the converter does it for the rest.
        av_dict_set(&options, "downmix", "stereo", 0);
    }
    int result;
    {
        std::lock_guard lock(CodecLock());
        result = avcodec_open2(ctx.get(), codec, &options);
    }
    av_dict_free(&options);
    if (result < 0) {
        st.Player.ReportError("avcodec_open() failed.", false);
        return nullptr;
    }
    return ctx;
}

void CloseDecoder(CodecContextPtr& codec) {
    if (!codec)
        return;
    std::lock_guard lock(CodecLock());
    codec.reset();
}
