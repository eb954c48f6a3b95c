// Opening an output: the container format, the streams the settings ask for,
// container metadata, and the file opened for writing.
#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"
#include "setup/CodecLookup.h"
#include "setup/EncoderLimits.h"
#include "setup/EncoderTuning.h"
#include "task/FFmpegTask.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

extern "C" {
#include <libavutil/opt.h>
}

namespace {

constexpr size_t MaxContextFileName = 1023;

// Stream kinds present in the opened inputs (only the first when joining).
struct TInputKinds {
    bool Video = false, Audio = false, Subtitle = false;
};

TInputKinds InputKinds(const std::vector<TInputFile>& inputs, bool join) {
    TInputKinds kinds;
    size_t count = join ? std::min<size_t>(inputs.size(), 1) : inputs.size();
    for (size_t f = 0; f < count; ++f) {
        const AVFormatContext* ctx = inputs[f].Context.get();
        for (unsigned i = 0; i < ctx->nb_streams; ++i) {
            switch (ctx->streams[i]->codecpar->codec_type) {
            case AVMEDIA_TYPE_VIDEO:
                kinds.Video = true;
                break;
            case AVMEDIA_TYPE_AUDIO:
                kinds.Audio = true;
                break;
            case AVMEDIA_TYPE_SUBTITLE:
                kinds.Subtitle = true;
                break;
            default:
                break;
            }
        }
    }
    return kinds;
}

// A context for an output stream: the encoder's own (so private options have
// somewhere to go) or a bare one of the right kind when there is no encoder.
CodecContextPtr AllocStreamContext(const AVCodec* encoder, AVCodecID id, AVMediaType type) {
    CodecContextPtr ctx(avcodec_alloc_context3(encoder));
    if (!ctx)
        throw FFmpegException("avcodec_alloc_context failed");
    ctx->codec_type = type;
    if (!encoder)
        ctx->codec_id = id;
    ctx->thread_count = 1;
    return ctx;
}

// The encoder named by the settings (lookup failures raise their text) or the
// format's guess for the file name.
const AVCodec* ChooseEncoder(const std::string& name, AVMediaType type, int strictness,
                             const AVFormatContext* oc, AVCodecID& id) {
    if (!name.empty()) {
        TCodecLookup lookup = FindCodecByName(name, type, cdEncoder, strictness);
        if (!lookup.Ok())
            throw FFmpegException(lookup.Error);
        id = lookup.Codec->id;
        return lookup.Codec;
    }
    id = av_guess_codec(oc->oformat, nullptr, oc->url, nullptr, type);
    return id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_encoder(id);
}

AVRational SampleAspect(float aspect, int width, int height) {
    double value = width && height ? aspect * height / width : aspect * 3.0 / 4.0;
    return av_d2q(value, 255);
}

AVPixelFormat ChoosePixelFormat(const AVCodec* encoder, AVPixelFormat wanted, int strictness) {
    if (!encoder || !encoder->pix_fmts)
        return wanted == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : wanted;
    const bool mjpeg = encoder->id == AV_CODEC_ID_MJPEG;
    for (const AVPixelFormat* p = encoder->pix_fmts; *p != AV_PIX_FMT_NONE; ++p) {
        if (*p != wanted)
            continue;
        // MJPEG is full-range by its standard; limited-range YUV only when not strict.
        if (mjpeg &&
            (wanted == AV_PIX_FMT_YUV420P || wanted == AV_PIX_FMT_YUV422P || wanted == AV_PIX_FMT_YUV444P) &&
            strictness >= 0)
            break;
        return wanted;
    }
    return encoder->pix_fmts[0];
}

// "start,end,q/start,end,q...": q below 1 is a quality factor -q/100, else a quantizer.
void ParseRcOverride(AVCodecContext* ctx, const std::string& text) {
    if (text.empty())
        return;
    std::vector<RcOverride> entries;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find('/', pos);
        std::string entry = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        int start = 0, stop = 0, q = 0;
        if (std::sscanf(entry.c_str(), "%d,%d,%d", &start, &stop, &q) != 3)
            throw FFmpegException("error parsing rc_override");
        RcOverride o{};
        o.start_frame = start;
        o.end_frame = stop;
        if (q > 0) {
            o.qscale = q;
            o.quality_factor = 1.0f;
        } else {
            o.qscale = 0;
            o.quality_factor = -q / 100.0f;
        }
        entries.push_back(o);
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
    auto* array = static_cast<RcOverride*>(av_malloc_array(entries.size(), sizeof(RcOverride)));
    if (!array)
        throw FFmpegException("error parsing rc_override");
    std::copy(entries.begin(), entries.end(), array);
    ctx->rc_override = array; // freed with the context
    ctx->rc_override_count = static_cast<int>(entries.size());
}

uint16_t* CopyMatrix(const std::vector<uint16_t>& matrix) {
    if (matrix.empty())
        return nullptr;
    auto* copy = static_cast<uint16_t*>(av_malloc(sizeof(uint16_t) * 64));
    if (copy)
        std::copy_n(matrix.begin(), std::min<size_t>(matrix.size(), 64), copy);
    return copy; // freed with the context
}

void SetStreamLanguage(AVStream* st, std::string& language) {
    if (!language.empty())
        av_dict_set(&st->metadata, "language", language.c_str(), 0);
    language.clear();
}

bool ContainsLayout(const AVChannelLayout* list, const AVChannelLayout& layout) {
    for (const AVChannelLayout* l = list; l->nb_channels; ++l)
        if (!av_channel_layout_compare(l, &layout))
            return true;
    return false;
}

// Sets `name` on the muxer's private options when it has that option.
void SetMuxerInt(AVFormatContext* oc, const char* name, int64_t value) {
    if (oc->priv_data && av_opt_find(oc->priv_data, name, nullptr, 0, 0))
        av_opt_set_int(oc->priv_data, name, value, 0);
}

std::string IsoTime(int64_t seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&t, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S.000000Z", &utc);
    return text;
}

} // namespace

int TCustomFFmpeg::OpenOutputFile(const std::string& fileName, bool join) {
    TEngineSettings& s = settings_;
    errorText_.clear();
    filterFlag_ = !s.VideoFilters.empty();

    const std::string libraryName = ToLibraryFileName(fileName);
    const AVOutputFormat* format = nullptr;
    if (!s.FileFormat.empty()) {
        format = av_guess_format(s.FileFormat.c_str(), nullptr, nullptr);
        if (!format)
            errorText_ = "Requested output format '" + s.FileFormat + "' is not a suitable output format";
    } else {
        format = av_guess_format(nullptr, fileName.c_str(), nullptr);
        if (!format)
            errorText_ = "Unable to find a suitable output format for '" + fileName + "'";
    }
    s.FileFormat.clear();
    if (!format)
        return -1;
    // Opening the output truncates it: an output that is one of the inputs
    // would destroy the source before it is read.
    for (const TInputFile& input : inputs_) {
        if (SameFile(fileName, input.FileName)) {
            errorText_ = "Output file '" + fileName + "' is the input file '" + input.FileName + "'";
            return -1;
        }
    }

    auto output = std::make_unique<TOutputFile>();
    output->FileName = fileName;
    output->LogSender = logSender_;
    output->MarkIncomplete = markIncompleteOutputs_;
    AVFormatContext* raw = nullptr;
    if (avformat_alloc_output_context2(&raw, format, nullptr, nullptr) < 0 || !raw)
        throw FFmpegException("avformat_alloc_context failed");
    output->Context.reset(raw);
    AVFormatContext* oc = raw;
    oc->url = av_strdup(libraryName.substr(0, MaxContextFileName).c_str());

    bool useVideo = s.VideoStreamCopy || format->video_codec != AV_CODEC_ID_NONE || !s.VideoCodecName.empty();
    bool useAudio = s.AudioStreamCopy || format->audio_codec != AV_CODEC_ID_NONE || !s.AudioCodecName.empty();
    bool useSubtitle =
        s.SubtitleStreamCopy || format->subtitle_codec != AV_CODEC_ID_NONE || !s.SubtitleCodecName.empty();
    if (!inputs_.empty()) {
        TInputKinds kinds = InputKinds(inputs_, join);
        useVideo = useVideo && kinds.Video;
        useAudio = useAudio && kinds.Audio;
        useSubtitle = useSubtitle && kinds.Subtitle;
    }
    useVideo = useVideo && !s.VideoDisable;
    useAudio = useAudio && !s.AudioDisable;
    useSubtitle = useSubtitle && !s.SubtitleDisable;
    if (!ResolveTrackPicks(format->name, useVideo, useAudio, useSubtitle))
        return -1;

    struct TStreamStep {
        bool Wanted;
        void (TCustomFFmpeg::*Create)(TOutputFile&);
        const char* Failure;
    };
    const TStreamStep steps[] = {
        {useVideo, &TCustomFFmpeg::NewVideoStream, "new_video_stream fail: "},
        {useAudio, &TCustomFFmpeg::NewAudioStream, "new_audio_stream fail: "},
        {useSubtitle, &TCustomFFmpeg::NewSubtitleStream, "new_subtitle_stream fail: "},
    };
    for (const TStreamStep& step : steps) {
        if (!step.Wanted)
            continue;
        try {
            (this->*step.Create)(*output);
        } catch (const FFmpegException& e) {
            errorText_ = step.Failure + std::string(e.what());
            return -1;
        }
    }

    ApplyOutputMetadata(*output);

    if ((format->flags & AVFMT_NEEDNUMBER) && !av_filename_number_test(libraryName.c_str())) {
        errorText_ = LibraryErrorText(fileName, AVERROR(EDOM));
        return -1;
    }
    if (!(format->flags & AVFMT_NOFILE)) {
        int ret = OpenOutputIO(oc, libraryName);
        if (ret < 0) {
            errorText_ = LibraryErrorText(fileName, ret);
            return -1;
        }
        output->FileOpen = true;
    }

    oc->max_delay = static_cast<int>(s.MuxMaxDelay * AV_TIME_BASE);
    SetMuxerInt(oc, "preload", static_cast<int64_t>(s.MuxPreload * AV_TIME_BASE));
    SetMuxerInt(oc, "loop", s.LoopOutput);
    oc->flags |= AVFMT_FLAG_NONBLOCK;
    ApplyStoredOptions(*options_, oc, AV_OPT_FLAG_ENCODING_PARAM, output->HeaderOptions.Address());

    s.StreamIds = {};
    outputs_.push_back(std::move(output));
    return static_cast<int>(outputs_.size());
}

void TCustomFFmpeg::ApplyOutputMetadata(TOutputFile& output) {
    TEngineSettings& s = settings_;
    AVFormatContext* oc = output.Context.get();
    if (s.RecordingTimestamp != 0)
        av_dict_set(&oc->metadata, "creation_time", IsoTime(s.RecordingTimestamp).c_str(), 0);
    // From the last entry to the first, each replacing: of two entries with one key the earlier wins.
    for (auto it = s.Metadata.rbegin(); it != s.Metadata.rend(); ++it)
        av_dict_set(&oc->metadata, it->first.c_str(), it->second.c_str(), 0);
    s.Metadata.clear();
}

TOutputStreamSetup& TCustomFFmpeg::NewStream(TOutputFile& output, AVMediaType type,
                                             const std::string& codecName, bool streamCopy, uint32_t codecTag,
                                             std::vector<std::string>& bitstreamFilters) {
    AVStream* st = avformat_new_stream(output.Context.get(), nullptr);
    if (!st)
        throw FFmpegException("Could not alloc stream");
    if (st->index < MaxStreams)
        st->id = settings_.StreamIds[st->index];
    output.Streams.emplace_back();
    TOutputStreamSetup& setup = output.Streams.back();
    setup.Stream = st;
    setup.BitstreamFilters = std::move(bitstreamFilters);
    bitstreamFilters.clear();

    // Without a name the format's own codec of that kind is taken; stream copy needs no encoder.
    AVCodecID id = AV_CODEC_ID_NONE;
    const AVCodec* encoder = nullptr;
    if (!streamCopy) {
        encoder = ChooseEncoder(codecName, type, options_->CodecContext(type)->strict_std_compliance,
                                output.Context.get(), id);
        if (const AVCodec* substitute = SubstituteEncoder(output.Context->oformat, encoder)) {
            GetLogger().LogFmt(logSender_, llWarning, "%s cannot carry %s, using %s instead",
                               output.Context->oformat->name, encoder->name, substitute->name);
            encoder = substitute;
            id = substitute->id;
        }
    }
    setup.Codec = AllocStreamContext(encoder, id, type);
    setup.Encoder = encoder;
    if (codecTag)
        setup.Codec->codec_tag = codecTag;
    return setup;
}

void TCustomFFmpeg::NewVideoStream(TOutputFile& output) {
    TEngineSettings& s = settings_;
    AVFormatContext* oc = output.Context.get();
    AVCodecContext* videoOptions = options_->CodecContext(AVMEDIA_TYPE_VIDEO);
    TOutputStreamSetup& setup = NewStream(output, AVMEDIA_TYPE_VIDEO, s.VideoCodecName, s.VideoStreamCopy,
                                          s.VideoCodecTag, s.VideoBitstreamFilters);
    AVStream* st = setup.Stream;
    const AVCodec* encoder = setup.Encoder;
    AVCodecContext* ctx = setup.Codec.get();
    if ((s.VideoGlobalHeader & 1) ||
        (s.VideoGlobalHeader == 0 && (oc->oformat->flags & AVFMT_GLOBALHEADER))) {
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        videoOptions->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }
    if (s.VideoGlobalHeader & 2) {
        ctx->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
        videoOptions->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    }

    if (s.VideoStreamCopy) {
        setup.StreamCopy = true;
        st->sample_aspect_ratio = SampleAspect(s.FrameAspectRatio, s.FrameWidth, s.FrameHeight);
    } else {
        ApplyStoredOptions(*options_, ctx, AVMEDIA_TYPE_VIDEO, encoder,
                           AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM, setup.OpenOptions.Address());
        AVRational rate = s.FrameRate.num && s.FrameRate.den ? s.FrameRate : AVRational{25, 1};
        if (!s.ForceFps) {
            const AVRational accepted = AcceptedFrameRate(encoder, rate, ctx->strict_std_compliance);
            if (av_cmp_q(accepted, rate))
                GetLogger().LogFmt(logSender_, llWarning,
                                   "Frame rate %d/%d is not supported by %s, using %d/%d instead", rate.num,
                                   rate.den, encoder->name, accepted.num, accepted.den);
            rate = accepted;
        }
        ctx->time_base = av_inv_q(rate);
        ctx->framerate = rate;
        st->time_base = ctx->time_base;
        st->avg_frame_rate = rate;
        ctx->width = s.FrameWidth;
        ctx->height = s.FrameHeight;
        if (FitFrameSize(encoder, ctx->width, ctx->height))
            GetLogger().LogFmt(logSender_, llWarning,
                               "Frame size %dx%d is not supported by %s, using %dx%d instead", s.FrameWidth,
                               s.FrameHeight, encoder->name, ctx->width, ctx->height);
        // The pixel aspect the output really shows: the picture is fitted to it.
        ctx->sample_aspect_ratio = st->sample_aspect_ratio =
            CodedSampleAspect(oc->oformat, encoder, SampleAspect(s.FrameAspectRatio, ctx->width, ctx->height),
                              ctx->width, ctx->height);
        ctx->pix_fmt = ChoosePixelFormat(encoder, s.FramePixFmt, ctx->strict_std_compliance);
        if (s.IntraOnly)
            ctx->gop_size = 0;
        ApplyEncoderTuning(ctx, encoder, *options_, rate, s.IntraOnly);
        if (s.VideoQScale != 0.0f || s.SameQuality) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = static_cast<int>(FF_QP2LAMBDA * s.VideoQScale);
        }
        ctx->intra_matrix = CopyMatrix(s.IntraMatrix);
        ctx->inter_matrix = CopyMatrix(s.InterMatrix);
        ParseRcOverride(ctx, s.VideoRcOverrideString);
        ctx->rc_initial_buffer_occupancy = ctx->rc_buffer_size * 3 / 4;
        ctx->intra_dc_precision = s.IntraDcPrecision - 8;
        if (s.DoPsnr)
            ctx->flags |= AV_CODEC_FLAG_PSNR;
        if (s.DoPass == 1)
            ctx->flags |= AV_CODEC_FLAG_PASS1;
        else if (s.DoPass == 2)
            ctx->flags |= AV_CODEC_FLAG_PASS2;
    }

    SetStreamLanguage(st, s.VideoLanguage);
    s.VideoDisable = false;
    s.VideoCodecName.clear();
    s.VideoStreamCopy = false;
    s.FramePixFmt = AV_PIX_FMT_NONE;
}

void TCustomFFmpeg::NewAudioStream(TOutputFile& output) {
    TEngineSettings& s = settings_;
    AVFormatContext* oc = output.Context.get();
    AVCodecContext* audioOptions = options_->CodecContext(AVMEDIA_TYPE_AUDIO);
    TOutputStreamSetup& setup = NewStream(output, AVMEDIA_TYPE_AUDIO, s.AudioCodecName, s.AudioStreamCopy,
                                          s.AudioCodecTag, s.AudioBitstreamFilters);
    AVStream* st = setup.Stream;
    const AVCodec* encoder = setup.Encoder;
    AVCodecContext* ctx = setup.Codec.get();
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) {
        ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        audioOptions->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    }

    if (s.AudioStreamCopy) {
        setup.StreamCopy = true;
        av_channel_layout_default(&ctx->ch_layout, s.AudioChannels);
        ctx->sample_rate = s.AudioSampleRate;
    } else {
        ApplyStoredOptions(*options_, ctx, AVMEDIA_TYPE_AUDIO, encoder,
                           AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM, setup.OpenOptions.Address());
        if (s.AudioQScale > -99999.0f) {
            ctx->flags |= AV_CODEC_FLAG_QSCALE;
            ctx->global_quality = static_cast<int>(FF_QP2LAMBDA * s.AudioQScale);
        }
        av_channel_layout_uninit(&ctx->ch_layout);
        const int channels = AcceptedChannels(encoder, s.AudioChannels);
        if (channels != s.AudioChannels)
            GetLogger().LogFmt(logSender_, llWarning, "%d channels are not supported by %s, using %d instead",
                               s.AudioChannels, encoder->name, channels);
        if (s.AudioChannelLayout && av_popcount64(s.AudioChannelLayout) == channels)
            av_channel_layout_from_mask(&ctx->ch_layout, s.AudioChannelLayout);
        else
            av_channel_layout_default(&ctx->ch_layout, channels);
        // Encoders of this generation list their layouts: take a listed one of the same size.
        if (encoder && encoder->ch_layouts && !ContainsLayout(encoder->ch_layouts, ctx->ch_layout)) {
            for (const AVChannelLayout* l = encoder->ch_layouts; l->nb_channels; ++l) {
                if (l->nb_channels == channels) {
                    av_channel_layout_copy(&ctx->ch_layout, l);
                    break;
                }
            }
        }

        ctx->sample_fmt = s.AudioSampleFmt;
        if (encoder && encoder->sample_fmts) {
            const AVSampleFormat* f = encoder->sample_fmts;
            while (*f != AV_SAMPLE_FMT_NONE && *f != ctx->sample_fmt)
                ++f;
            if (*f == AV_SAMPLE_FMT_NONE)
                ctx->sample_fmt = encoder->sample_fmts[0];
        }

        ctx->sample_rate = AcceptedSampleRate(encoder, oc->oformat, s.AudioSampleRate);
        if (ctx->sample_rate != s.AudioSampleRate)
            GetLogger().LogFmt(logSender_, llWarning,
                               "Requested sampling rate unsupported using closest supported (%d)",
                               ctx->sample_rate);
        const int64_t bitRate =
            AcceptedBitRate(encoder, ctx->sample_rate, ctx->ch_layout.nb_channels, ctx->bit_rate);
        if (bitRate != ctx->bit_rate) {
            GetLogger().LogFmt(logSender_, llWarning,
                               "Bit rate %" PRId64 " is not supported by %s at %d Hz, using %" PRId64
                               " instead",
                               ctx->bit_rate, encoder->name, ctx->sample_rate, bitRate);
            ctx->bit_rate = bitRate;
        }
        if (encoder && MuxerCallsExperimental(oc->oformat, encoder->id)) {
            GetLogger().LogFmt(logSender_, llWarning,
                               "%s in %s is written with experimental features allowed", encoder->name,
                               oc->oformat->name);
            oc->strict_std_compliance = FF_COMPLIANCE_EXPERIMENTAL;
        }
        // The time base follows the rate actually encoded, so that sample counts are timestamps.
        ctx->time_base = AVRational{1, ctx->sample_rate > 0 ? ctx->sample_rate : 1};
        st->time_base = ctx->time_base;
    }

    SetStreamLanguage(st, s.AudioLanguage);
    s.AudioDisable = false;
    s.AudioCodecName.clear();
    s.AudioStreamCopy = false;
}

void TCustomFFmpeg::NewSubtitleStream(TOutputFile& output) {
    TEngineSettings& s = settings_;
    TOutputStreamSetup& setup =
        NewStream(output, AVMEDIA_TYPE_SUBTITLE, s.SubtitleCodecName, s.SubtitleStreamCopy,
                  s.SubtitleCodecTag, s.SubtitleBitstreamFilters);
    const AVCodec* encoder = setup.Encoder;
    setup.StreamCopy = s.SubtitleStreamCopy;
    AVCodecContext* ctx = setup.Codec.get();
    // Subtitle encoders get the stored subtitle options like audio and video encoders do.
    if (!setup.StreamCopy)
        ApplyStoredOptions(*options_, ctx, AVMEDIA_TYPE_SUBTITLE, encoder,
                           AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM,
                           setup.OpenOptions.Address());

    SetStreamLanguage(setup.Stream, s.SubtitleLanguage);
    s.SubtitleDisable = false;
    s.SubtitleCodecName.clear();
    s.SubtitleStreamCopy = false;
}
