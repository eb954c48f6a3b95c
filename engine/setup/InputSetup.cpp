// Opening an input: the container, its programs, the seek to the start time,
// and the per-stream settings the output later takes as its defaults.
#include "engine/FFmpegException.h"
#include "loop/PictureFit.h"
#include "media/AVProbe.h"
#include "media/DisplayRotation.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/PipeInput.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"
#include "setup/CodecLookup.h"
#include "task/FFmpegTask.h"

#include <cmath>
#include <mutex>
#include <optional>
#include <utility>

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

// Puts a demuxer option into `options` when `format` (raw or device input) has it.
void AddDemuxerOption(const AVInputFormat* format, AVDictionary** options, const char* name,
                      const std::string& value) {
    if (!format || !format->priv_class || value.empty())
        return;
    const AVClass* cls = format->priv_class;
    if (av_opt_find(&cls, name, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ))
        av_dict_set(options, name, value.c_str(), 0);
}

// Raw and device inputs take size, rate and layout from the settings, as the
// old libraries' format parameters gave them.
void AddFormatParameters(const TEngineSettings& s, const AVInputFormat* format, AVDictionary** options) {
    AddDemuxerOption(format, options, "sample_rate", std::to_string(s.AudioSampleRate));
    AddDemuxerOption(format, options, "channels", std::to_string(s.AudioChannels));
    if (s.FrameRate.num && s.FrameRate.den)
        AddDemuxerOption(format, options, "framerate",
                         std::to_string(s.FrameRate.num) + "/" + std::to_string(s.FrameRate.den));
    if (s.FrameWidth > 0 && s.FrameHeight > 0)
        AddDemuxerOption(format, options, "video_size",
                         std::to_string(s.FrameWidth) + "x" + std::to_string(s.FrameHeight));
    if (s.FramePixFmt != AV_PIX_FMT_NONE)
        AddDemuxerOption(format, options, "pixel_format", av_get_pix_fmt_name(s.FramePixFmt));
    if (s.VideoChannel)
        AddDemuxerOption(format, options, "channel", std::to_string(s.VideoChannel));
    AddDemuxerOption(format, options, "standard", s.TvStd);
    if (s.LoopInput)
        AddDemuxerOption(format, options, "loop", "1");
}

// Keeps only the streams of program `id`; false when the input has no such program.
bool KeepProgram(AVFormatContext* ctx, int id) {
    AVProgram* kept = nullptr;
    for (unsigned i = 0; i < ctx->nb_programs; ++i)
        if (ctx->programs[i]->id == id)
            kept = ctx->programs[i];
    if (!kept)
        return false;
    for (unsigned i = 0; i < ctx->nb_streams; ++i)
        ctx->streams[i]->discard = AVDISCARD_ALL;
    for (unsigned i = 0; i < ctx->nb_programs; ++i)
        if (ctx->programs[i] != kept)
            ctx->programs[i]->discard = AVDISCARD_ALL;
    kept->discard = AVDISCARD_DEFAULT;
    for (unsigned i = 0; i < kept->nb_stream_indexes; ++i)
        ctx->streams[kept->stream_index[i]]->discard = AVDISCARD_DEFAULT;
    return true;
}

// True when the context `prepared` (allocated, settings applied, not opened)
// and `openOptions` would open the input as a probe's Open with
// `probeFormat` (forced format name, empty: detected) did: the same forced
// format or none, and no container option away from its default.
bool OpensLikeTheProbe(const std::string& probeFormat, const AVInputFormat* format, AVFormatContext* prepared,
                       const AVDictionary* openOptions) {
    if (format != (probeFormat.empty() ? nullptr : av_find_input_format(probeFormat.c_str())))
        return false;
    if (av_dict_count(openOptions) > 0)
        return false;
    char* changed = nullptr;
    if (av_opt_serialize(prepared, AV_OPT_FLAG_DECODING_PARAM, AV_OPT_SERIALIZE_SKIP_DEFAULTS, &changed, '=',
                         ',') < 0)
        return false;
    const bool none = !changed || !*changed;
    av_free(changed);
    return none;
}

} // namespace

bool TCustomFFmpeg::OpenInputFile(const std::string& fileName, TCustomAVProbe* probe) {
    return OpenInput(fileName, probe, nullptr);
}

bool TCustomFFmpeg::OpenInputFile(const std::string& fileName, std::optional<TProbedInput>& offered) {
    return OpenInput(fileName, nullptr, &offered);
}

bool TCustomFFmpeg::OpenInput(const std::string& fileName, TCustomAVProbe* probe,
                              std::optional<TProbedInput>* offered) {
    TEngineSettings& s = settings_;
    errorText_.clear();

    // The forced codec names belong to this input whatever happens to it.
    struct ForcedNamesReset {
        TEngineSettings& S;
        ~ForcedNamesReset() {
            S.VideoCodecName.clear();
            S.AudioCodecName.clear();
            S.SubtitleCodecName.clear();
            S.PgmYuvInput = false;
        }
    } forcedNamesReset{s};

    const AVInputFormat* format = nullptr;
    if (!s.FileFormat.empty()) {
        format = av_find_input_format(s.FileFormat.c_str());
        if (!format)
            throw FFmpegException("Unknown input format: \"" + s.FileFormat + "\"");
        s.FileFormat.clear();
    }

    AVFormatContext* raw = avformat_alloc_context();
    if (!raw)
        throw FFmpegException("avformat_alloc_context failed");
    // Owns the context until OpenSourceInput takes it over.
    FormatContextPtr unopened(raw);

    DictionaryHolder formatOptions;
    AddFormatParameters(s, format, formatOptions.Address());
    ApplyStoredOptions(*options_, raw, AV_OPT_FLAG_DECODING_PARAM, formatOptions.Address());

    auto strictness = [this](AVMediaType type) {
        return options_->CodecContext(type)->strict_std_compliance;
    };
    const AVMediaType kinds[] = {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_AUDIO, AVMEDIA_TYPE_SUBTITLE};
    const std::string* names[] = {&s.VideoCodecName, &s.AudioCodecName, &s.SubtitleCodecName};
    const AVCodec* forced[3] = {};
    for (int k = 0; k < 3; ++k) {
        TCodecLookup lookup = FindCodecByName(*names[k], kinds[k], cdDecoder, strictness(kinds[k]));
        if (!lookup.Ok()) {
            errorText_ = lookup.Error;
            return false;
        }
        forced[k] = lookup.Codec;
    }
    if (s.PgmYuvInput)
        forced[0] = avcodec_find_decoder(AV_CODEC_ID_PGMYUV);
    if (forced[0]) {
        raw->video_codec_id = forced[0]->id;
        raw->video_codec = forced[0];
    }
    if (forced[1]) {
        raw->audio_codec_id = forced[1]->id;
        raw->audio_codec = forced[1];
    }
    if (forced[2]) {
        raw->subtitle_codec_id = forced[2]->id;
        raw->subtitle_codec = forced[2];
    }

    // Reads of the input give up when the run is asked to stop, and while it
    // opens, once the opening runs out of time or is cancelled (see StopInterrupt).
    const AVIOInterruptCB interrupt{&TCustomFFmpeg::StopInterrupt, this};
    const TOpenInterrupt opening(openLimit_, openCancels_);
    openInterrupt_ = &opening;
    struct OpeningEnd {
        const TOpenInterrupt*& Opening;
        ~OpeningEnd() { Opening = nullptr; }
    } openingEnd{openInterrupt_};
    auto openFailure = [&](int ret) {
        return opening.Expired() ? opening.FailureText(fileName) : LibraryErrorText(fileName, ret);
    };

    TInputFile input;
    // A program choice changes which streams the stream information is read
    // for, and forced decoders change how it is read.
    std::optional<TProbedInput> probed;
    if (!s.ProgramId && !forced[0] && !forced[1] && !forced[2]) {
        if (probe && OpensLikeTheProbe(probe->FormatName(), format, raw, formatOptions.Get()))
            probed = probe->TakeInput(fileName);
        else if (offered && *offered && (*offered)->FileName == fileName &&
                 OpensLikeTheProbe((*offered)->FormatName, format, raw, formatOptions.Get()))
            probed = std::exchange(*offered, std::nullopt);
    }
    int ret = 0;
    if (probed) {
        // The context and its I/O ask the relay: from now on they answer to
        // this task's stop, like those of an input it opened itself.
        input.Interrupt = std::move(probed->Interrupt);
        input.Interrupt->SetTarget(interrupt);
        input.PipeIO = std::move(probed->Pipe);
        input.Context.reset(probed->Context.release());
    } else {
        unopened.release(); // OpenSourceInput frees the context when it fails
        ret = OpenSourceInput(&raw, input.PipeIO, fileName, format, formatOptions.Address(), interrupt);
        if (ret < 0) {
            errorText_ = openFailure(ret);
            return false;
        }
        input.Context.reset(raw);
    }
    input.FileName = fileName;
    AVFormatContext* ctx = input.Context.get();

    if (s.ProgramId) {
        bool found = KeepProgram(ctx, s.ProgramId);
        s.ProgramId = 0;
        if (!found) {
            errorText_ = "Specified program id not found";
            return false;
        }
    }

    // A probe's input comes with its stream information.
    if (!probed) {
        {
            std::lock_guard lock(CodecLock());
            ret = avformat_find_stream_info(ctx, nullptr);
        }
        // Stream information read from a source that went silent is not worth keeping.
        if (opening.Expired()) {
            errorText_ = openFailure(ret);
            return false;
        }
        if (ret < 0 && s.Verbose >= 0) {
            errorText_ = fileName + ": could not find codec parameters";
            GetLogger().Log(logSender_, llVerbose, errorText_);
            return false;
        }
    }

    int64_t position = s.StartTime;
    if (ctx->start_time != AV_NOPTS_VALUE)
        position += ctx->start_time;
    if (s.StartTime != 0) {
        ret = av_seek_frame(ctx, -1, position, AVSEEK_FLAG_BACKWARD);
        input.SeekedToStart = ret >= 0;
        if (ret < 0 && s.Verbose > 0)
            GetLogger().LogFmt(logSender_, llVerbose, "%s: could not seek to position %0.3f",
                               fileName.c_str(), static_cast<double>(position) / AV_TIME_BASE);
    }
    s.StartTime = 0;

    input.Streams.resize(ctx->nb_streams);
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        const AVCodecParameters* par = st->codecpar;
        TInputStreamSetup& setup = input.Streams[i];
        if (par->codec_type < 0 || par->codec_type >= AVMEDIA_TYPE_NB)
            throw FFmpegException("invalid codec_type");

        const AVCodec* forcedDecoder = nullptr;
        if (par->codec_type == AVMEDIA_TYPE_VIDEO)
            forcedDecoder = forced[0];
        else if (par->codec_type == AVMEDIA_TYPE_AUDIO)
            forcedDecoder = forced[1];
        else if (par->codec_type == AVMEDIA_TYPE_SUBTITLE)
            forcedDecoder = forced[2];
        setup.ForcedDecoder = forcedDecoder;

        const AVCodec* decoder = forcedDecoder ? forcedDecoder : avcodec_find_decoder(par->codec_id);
        setup.Decoder.reset(avcodec_alloc_context3(decoder));
        if (!setup.Decoder)
            throw FFmpegException("avcodec_alloc_context failed");
        AVCodecContext* dec = setup.Decoder.get();
        if (avcodec_parameters_to_context(dec, par) < 0)
            throw FFmpegException("avcodec_alloc_context failed");
        dec->pkt_timebase = st->time_base;
        dec->thread_count = 1;

        switch (par->codec_type) {
        case AVMEDIA_TYPE_VIDEO: {
            ApplyStoredOptions(*options_, dec, AVMEDIA_TYPE_VIDEO, decoder,
                               AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_DECODING_PARAM,
                               setup.OpenOptions.Address());
            // Sizes and aspects are those of the picture as shown: turned upright
            // when the stream's display matrix says so.
            const bool sideways = TurnsSideways(DisplayRotationDegrees(st));
            s.FrameWidth = sideways ? dec->height : dec->width;
            s.FrameHeight = sideways ? dec->width : dec->height;
            AVRational sar = st->sample_aspect_ratio.num ? st->sample_aspect_ratio : dec->sample_aspect_ratio;
            bool haveAspect = sar.num != 0 && sar.den != 0;
            if (haveAspect && sideways)
                sar = av_inv_q(sar);
            // Either side may be zero; their product of a damaged header could overflow.
            if (s.FrameWidth != 0 && s.FrameHeight != 0)
                s.FrameAspectRatio = haveAspect
                                         ? static_cast<float>(s.FrameWidth * av_q2d(sar) / s.FrameHeight)
                                         : static_cast<float>(s.FrameWidth) / s.FrameHeight;
            else
                s.FrameAspectRatio = haveAspect ? static_cast<float>(av_q2d(sar)) : 4.0f / 3.0f;
            s.FrameAspectChosen = false;
            s.FramePixFmt = dec->pix_fmt == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : dec->pix_fmt;
            if (dec->lowres) {
                s.FrameWidth >>= dec->lowres;
                s.FrameHeight >>= dec->lowres;
            }
            AVRational containerRate = st->r_frame_rate;
            AVRational codecRate = st->avg_frame_rate;
            if (codecRate.num && codecRate.den && containerRate.den &&
                av_cmp_q(codecRate, containerRate) != 0 && s.Verbose >= 0)
                GetLogger().LogFmt(logSender_, llInfo,
                                   "Seems stream %d codec frame rate differs from container frame rate: "
                                   "%2.2f (%d/%d) -> %2.2f (%d/%d)",
                                   static_cast<int>(i), av_q2d(codecRate), codecRate.num, codecRate.den,
                                   av_q2d(containerRate), containerRate.num, containerRate.den);
            s.FrameRate = containerRate;
            if (s.VideoDisable)
                st->discard = AVDISCARD_ALL;
            else if (s.VideoDiscard)
                st->discard = static_cast<AVDiscard>(s.VideoDiscard);
            break;
        }
        case AVMEDIA_TYPE_AUDIO:
            ApplyStoredOptions(*options_, dec, AVMEDIA_TYPE_AUDIO, decoder,
                               AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_DECODING_PARAM,
                               setup.OpenOptions.Address());
            s.AudioChannelLayout =
                dec->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? dec->ch_layout.u.mask : 0;
            s.AudioChannels = dec->ch_layout.nb_channels;
            s.AudioSampleRate = dec->sample_rate;
            s.AudioSampleFmt = dec->sample_fmt;
            if (s.AudioDisable)
                st->discard = AVDISCARD_ALL;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            if (s.SubtitleDisable)
                st->discard = AVDISCARD_ALL;
            break;
        default: // data, attachments: only counted
            break;
        }
    }

    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > s.ExpectedDuration)
        s.ExpectedDuration = ctx->duration;

    input.TimestampOffset = s.InputTimestampOffset - (s.CopyTimestamps ? 0 : position);
    input.TimestampScale = s.InputTimestampScale;
    s.InputTimestampScale = {};

    if (s.Verbose >= 0)
        av_dump_format(ctx, static_cast<int>(inputs_.size()), ToLibraryFileName(fileName).c_str(), 0);

    inputs_.push_back(std::move(input));
    s.VideoChannel = 0;
    return true;
}
