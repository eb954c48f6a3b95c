// Run preparation: stream copy or encoding for every mapped output stream,
// the codecs opened, two-pass logs, metadata maps, chapters and the headers.
#include "engine/CodecThreads.h"
#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "loop/PictureFit.h"
#include "loop/VideoFilterGraph.h"
#include "media/DisplayRotation.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "media/TextHelpers.h"
#include "setup/PassTwoTrial.h"
#include "task/FFmpegTask.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <string_view>

#include <unistd.h>

extern "C" {
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace {

constexpr const char* DefaultPassLogPrefix = "ffmpeg2pass";
constexpr size_t MaxPassLogName = 1023;
constexpr int AudioFifoBytes = 1024;
constexpr int SdpBufferSize = 2048;

constexpr const char* OwnStatsOption = "stats";
// Beside its statistics file such an encoder (libx264) keeps one of its own
// macroblock tree under this suffix.
constexpr const char* OwnStatsCompanionSuffix = ".mbtree";

// The default pass-log prefix of a task reading `sourceName`: the process and
// the source are in the name, so tasks of different sources (or instances of
// the program) running their passes at once never share statistics, while the
// first and the second pass of one source, two tasks of this process, still
// find each other. It stays in the working folder, like the fixed name did.
std::string DefaultPassLogPrefixOf(const std::string& sourceName) {
    uint32_t hash = 2166136261u; // FNV-1a: short and stable across runs
    for (const unsigned char c : sourceName) {
        hash ^= c;
        hash *= 16777619u;
    }
    return FormatText("%s-%d-%08x", DefaultPassLogPrefix, static_cast<int>(::getpid()), hash);
}

// The threads an opened video codec runs on, for the verbose log: what the
// library made of the count asked for.
void LogCodecThreads(const TFFBaseComponent* sender, const AVCodecContext& ctx, const char* role, int file,
                     int stream) {
    if (ctx.codec_type != AVMEDIA_TYPE_VIDEO || !ctx.codec)
        return;
    const char* kind = ctx.thread_count == 1                       ? "no"
                       : ctx.active_thread_type == FF_THREAD_FRAME ? "frame"
                       : ctx.active_thread_type == FF_THREAD_SLICE ? "slice"
                                                                   : "the codec's own";
    GetLogger().LogFmt(sender, llVerbose, "Stream #%d.%d: video %s %s, %d thread(s), %s threading", file,
                       stream, role, ctx.codec->name, ctx.thread_count, kind);
}

bool KeepsOwnStatsFile(const AVCodec* encoder) {
    if (!encoder || !encoder->priv_class)
        return false;
    const AVClass* cls = encoder->priv_class;
    return av_opt_find(&cls, OwnStatsOption, nullptr, 0, AV_OPT_SEARCH_FAKE_OBJ) != nullptr;
}

// Pass-2 statistics lines of the libraries' own MPEG-family rate control:
// "in:.. out:.. type:.. q:.. itex:.. ptex:.. mv:.. misc:.. ...;".
constexpr const char* TypeField = " type:";
constexpr const char* QualityField = " q:";
constexpr const char* IntraBitsField = " itex:";
constexpr const char* InterBitsField = " ptex:";
constexpr const char* MotionBitsField = " mv:";
constexpr const char* OtherBitsField = " misc:";
constexpr int MacroblockSize = 16;
constexpr int DefaultLargestLambda = 31 * FF_QP2LAMBDA;

// The number after `name` in the entry [line, end); false when it is not there.
bool StatsField(const char* line, const char* end, const char* name, double& value) {
    const char* at = std::strstr(line, name);
    if (!at || at >= end)
        return false;
    value = std::atof(at + std::strlen(name));
    return true;
}

// The largest quantizer (as lambda) the rate control gives a picture type, derived as the library does.
double LargestLambda(const AVCodecContext* enc, int type) {
    int64_t lmax = DefaultLargestLambda;
    av_opt_get_int(const_cast<AVCodecContext*>(enc), "lmax", AV_OPT_SEARCH_CHILDREN, &lmax);
    double lambda = static_cast<double>(lmax);
    if (type == AV_PICTURE_TYPE_I)
        lambda = static_cast<int>(lambda * std::fabs(enc->i_quant_factor) + enc->i_quant_offset + 0.5);
    else if (type == AV_PICTURE_TYPE_B)
        lambda = static_cast<int>(lambda * std::fabs(enc->b_quant_factor) + enc->b_quant_offset + 0.5);
    return std::clamp(lambda, 1.0, static_cast<double>(FF_LAMBDA_MAX));
}

// True when the pass-1 statistics show that even the largest quantizer cannot
// bring the pictures within the bit rate: the bits no quantizer saves (motion
// vectors and headers) plus the texture bits scaled to the largest quantizer
// of each picture type exceed it. The library's rate control refuses such a
// second pass ("requested bitrate is too low", or "bitrate too low for this
// video" when only the texture tips it over) and then frees one of its objects
// twice while cleaning up, bringing the whole program down, so the run must
// not open the encoder at all. The sums follow the library's: one entry per
// picture plus one padding entry per B-frame.
bool PassTwoBitRateTooLow(const AVCodecContext* enc, const char* stats) {
    if (!stats || !std::strstr(stats, OtherBitsField) || enc->bit_rate <= 0 || !enc->time_base.num)
        return false;
    double leastBits = 0.0;
    int64_t entries = 0;
    for (const char* line = stats; line && *line;) {
        const char* end = std::strchr(line, ';');
        double motion = 0, other = 0, type = 0, quality = 0, intra = 0, inter = 0;
        if (end && StatsField(line, end, MotionBitsField, motion) &&
            StatsField(line, end, OtherBitsField, other)) {
            leastBits += motion + other;
            if (StatsField(line, end, TypeField, type) && StatsField(line, end, QualityField, quality) &&
                StatsField(line, end, IntraBitsField, intra) && StatsField(line, end, InterBitsField, inter))
                leastBits += quality * (intra + inter + 1) / LargestLambda(enc, static_cast<int>(type));
            ++entries;
        }
        line = end ? end + 1 : nullptr;
    }
    if (entries == 0)
        return false;
    const int64_t macroblocks = static_cast<int64_t>((enc->width + MacroblockSize - 1) / MacroblockSize) *
                                ((enc->height + MacroblockSize - 1) / MacroblockSize);
    entries += enc->max_b_frames;
    leastBits += static_cast<double>(enc->max_b_frames) * static_cast<double>(macroblocks + 10);
    const double fps = 1.0 / av_q2d(enc->time_base) / std::max(enc->ticks_per_frame, 1);
    const double availableBits = static_cast<double>(enc->bit_rate) * static_cast<double>(entries) / fps;
    return availableBits < leastBits;
}

// The stream metadata tag of older muxers and demuxers for a display turn.
constexpr const char* RotateTag = "rotate";

// False when memory runs out.
bool CopyDisplayMatrix(const AVStream* from, AVStream* to) {
    size_t size = 0;
    const uint8_t* matrix = av_stream_get_side_data(from, AV_PKT_DATA_DISPLAYMATRIX, &size);
    if (!matrix || av_stream_get_side_data(to, AV_PKT_DATA_DISPLAYMATRIX, nullptr))
        return true;
    uint8_t* copy = av_stream_new_side_data(to, AV_PKT_DATA_DISPLAYMATRIX, size);
    if (!copy)
        return false;
    std::memcpy(copy, matrix, size);
    return true;
}

bool ValidRate(AVRational r) {
    return r.num > 0 && r.den > 0;
}

// The time base a copied stream is written in: one frame (or sample) of the
// source codec when the source container's clock is finer than a millisecond.
AVRational CopyTimeBase(const AVStream* source) {
    const AVCodecParameters* par = source->codecpar;
    AVRational codecTimeBase{0, 1};
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        AVRational rate = ValidRate(source->avg_frame_rate) ? source->avg_frame_rate : source->r_frame_rate;
        if (ValidRate(rate))
            codecTimeBase = av_inv_q(rate);
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0) {
        codecTimeBase = AVRational{1, par->sample_rate};
    }
    if (codecTimeBase.num && av_q2d(codecTimeBase) > av_q2d(source->time_base) &&
        av_q2d(source->time_base) < 1.0 / 1000)
        return codecTimeBase;
    return source->time_base;
}

// The coded picture buffer the encoder works to (buffer size and rates) on the
// output stream: muxers size their buffers from it, and the MPEG program stream
// declares it in its system header, where VCD, SVCD and DVD players read how
// much to buffer. Encoders that export it give it as coded side data; for other
// video encoders it is made from the rate-control settings when a buffer size
// is set.
// Returns false when memory runs out.
bool CarryCodedPictureBuffer(AVStream* stream, const AVCodecContext* enc) {
    if (av_stream_get_side_data(stream, AV_PKT_DATA_CPB_PROPERTIES, nullptr))
        return true;
    for (int i = 0; i < enc->nb_coded_side_data; ++i) {
        const AVPacketSideData& side = enc->coded_side_data[i];
        if (side.type != AV_PKT_DATA_CPB_PROPERTIES)
            continue;
        uint8_t* data = av_stream_new_side_data(stream, side.type, side.size);
        if (!data)
            return false;
        std::memcpy(data, side.data, side.size);
        return true;
    }
    // Audio buffers are the format's own size, whatever "bufsize" says.
    if (enc->codec_type != AVMEDIA_TYPE_VIDEO || enc->rc_buffer_size <= 0)
        return true;
    size_t size = 0;
    AVCPBProperties* props = av_cpb_properties_alloc(&size);
    if (!props)
        return false;
    props->max_bitrate = enc->rc_max_rate;
    props->min_bitrate = enc->rc_min_rate;
    props->avg_bitrate = enc->bit_rate;
    props->buffer_size = enc->rc_buffer_size;
    if (av_stream_add_side_data(stream, AV_PKT_DATA_CPB_PROPERTIES, reinterpret_cast<uint8_t*>(props), size) <
        0) {
        av_free(props);
        return false;
    }
    return true;
}

// The MPEG-4 family keeps no track title of its own; players show the
// handler's name in its place, so a title goes there.
void CarryTrackTitle(const AVOutputFormat* format, AVStream* stream) {
    static constexpr std::string_view HandlerNamed[] = {"mp4", "mov", "ipod", "psp", "3gp", "3g2"};
    const AVDictionaryEntry* title = av_dict_get(stream->metadata, "title", nullptr, 0);
    if (!title ||
        std::find(std::begin(HandlerNamed), std::end(HandlerNamed), format->name) == std::end(HandlerNamed))
        return;
    av_dict_set(&stream->metadata, "handler_name", title->value, 0);
}

} // namespace

void TCustomFFmpeg::PrepareRun() {
    FreeRunTables();
    globalHeaderBytes_ = 0;
    BuildInputStreams();
    CheckStreamMaps();
    MapOutputStreams();
    if (settings_.DeinterlaceAuto)
        ChooseDeinterlacing();
    PrepareSubtitleBurn();
    for (size_t i = 0; i < outputStreams_.size(); ++i)
        SetupOutputStream(outputStreams_[i], static_cast<int>(i));
    OpenEncoders();
    OpenDecoders();
    InitInputTimestamps();
    ApplyMetaDataMaps();
    CopyChapters();
    WriteHeaders();
    LogStreamMapping();
}

void TCustomFFmpeg::SetupOutputStream(TOutputStream& ost, int globalIndex) {
    TInputStream& ist = inputStreams_[ost.SourceIndex];
    TOutputStreamSetup& setup = SetupOf(ost);
    AVCodecContext* enc = setup.Codec.get();
    const AVCodecContext* dec = ist.Decoder;

    av_dict_copy(&ost.Stream->metadata, ist.Stream->metadata, AV_DICT_DONT_OVERWRITE);
    CarryTrackTitle(outputs_[ost.FileIndex]->Context->oformat, ost.Stream);
    ost.Stream->disposition = ist.Stream->disposition;
    enc->chroma_sample_location = dec->chroma_sample_location;

    if (setup.StreamCopy) {
        SetupStreamCopy(ost, setup, ist);
        return;
    }
    // Encoded pictures are turned upright: no turn is left for players to make.
    if (enc->codec_type == AVMEDIA_TYPE_VIDEO)
        av_dict_set(&ost.Stream->metadata, RotateTag, nullptr, 0);
    ost.EncodingNeeded = true;
    ist.DecodingNeeded = true;
    switch (enc->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        SetupVideoEncoding(ost, ist);
        break;
    case AVMEDIA_TYPE_AUDIO:
        SetupAudioEncoding(ost, ist);
        break;
    case AVMEDIA_TYPE_SUBTITLE: {
        // Pictures cannot become text nor text pictures.
        const AVCodecDescriptor* in = avcodec_descriptor_get(dec->codec_id);
        const AVCodecDescriptor* out = avcodec_descriptor_get(enc->codec_id);
        const int kinds = AV_CODEC_PROP_BITMAP_SUB | AV_CODEC_PROP_TEXT_SUB;
        if (in && out && (in->props & kinds) && (out->props & kinds) &&
            (in->props & kinds) != (out->props & kinds))
            throw FFmpegException(
                "Subtitle encoding currently only possible from text to text or bitmap to bitmap");
        // Picture subtitles are drawn on the source's canvas.
        if (!enc->width) {
            enc->width = dec->width;
            enc->height = dec->height;
        }
        break;
    }
    default:
        throw FFmpegException("invalid codec_type of output stream");
    }
    if (enc->flags & (AV_CODEC_FLAG_PASS1 | AV_CODEC_FLAG_PASS2))
        SetupPassLog(ost, setup, globalIndex);
}

void TCustomFFmpeg::SetupStreamCopy(TOutputStream& ost, TOutputStreamSetup& setup, const TInputStream& ist) {
    const AVCodecParameters* in = ist.Stream->codecpar;
    AVCodecParameters* out = ost.Stream->codecpar;
    const uint32_t optionTag = setup.Codec->codec_tag;

    switch (in->codec_type) {
    case AVMEDIA_TYPE_VIDEO:
        if (OnHook)
            throw FFmpegException("-vcodec copy and CustomHook are incompatible (frames are not decoded)");
        if (!settings_.FrameHooks.empty())
            throw FFmpegException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
        if (preview_.Flags() != 0)
            throw FFmpegException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
        break;
    case AVMEDIA_TYPE_AUDIO:
        if (settings_.AudioVolume != 256)
            throw FFmpegException("-acodec copy and -vol are incompatible (frames are not decoded)");
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        break;
    default:
        throw FFmpegException("invalid codec_type of output stream");
    }

    if (avcodec_parameters_copy(out, in) < 0)
        throw FFmpegException("icodec.extradata_size is invalid (too large)");
    if (optionTag) {
        out->codec_tag = optionTag;
    } else {
        // Keep the source's tag only where the output format would map it back to the same codec.
        const AVCodecTag* const* tags = outputs_[ost.FileIndex]->Context->oformat->codec_tag;
        unsigned int formatTag = 0;
        if (!(!tags || av_codec_get_id(tags, in->codec_tag) == in->codec_id ||
              !av_codec_get_tag2(tags, in->codec_id, &formatTag)))
            out->codec_tag = 0;
    }
    ost.Stream->time_base = CopyTimeBase(ist.Stream);

    if (in->codec_type == AVMEDIA_TYPE_VIDEO) {
        // The aspect chosen when the stream was created, which is of the picture
        // as shown; muxers insist that both layers agree.
        const bool sideways = TurnsSideways(DisplayRotationDegrees(ist.Stream));
        if (ost.Stream->sample_aspect_ratio.num && sideways)
            ost.Stream->sample_aspect_ratio = av_inv_q(ost.Stream->sample_aspect_ratio);
        if (ost.Stream->sample_aspect_ratio.num)
            out->sample_aspect_ratio = ost.Stream->sample_aspect_ratio;
        else
            ost.Stream->sample_aspect_ratio = out->sample_aspect_ratio;
        // Copied pictures stay as stored, so the turn that shows them upright goes along.
        if (!CopyDisplayMatrix(ist.Stream, ost.Stream))
            throw FFmpegException(LibraryErrorText(outputs_[ost.FileIndex]->FileName, AVERROR(ENOMEM)));
        ost.Stream->avg_frame_rate = ist.Stream->avg_frame_rate;
        ost.Stream->r_frame_rate = ist.Stream->r_frame_rate;
    } else if (in->codec_type == AVMEDIA_TYPE_AUDIO) {
        if ((in->block_align == 1 && in->codec_id == AV_CODEC_ID_MP3) || in->codec_id == AV_CODEC_ID_AC3)
            out->block_align = 0;
    }
}

void TCustomFFmpeg::SetupVideoEncoding(TOutputStream& ost, TInputStream& ist) {
    const AVCodecContext* dec = ist.Decoder;
    AVCodecContext* enc = ost.Encoder;
    if (dec->pix_fmt == AV_PIX_FMT_NONE)
        throw FFmpegException("Video pixel format is unknown, stream cannot be encoded");

    const TEngineSettings& s = settings_;
    ost.TopBand = s.FrameTopBand;
    ost.BottomBand = s.FrameBottomBand;
    ost.LeftBand = s.FrameLeftBand;
    ost.RightBand = s.FrameRightBand;
    ost.VideoCrop = ost.TopBand || ost.BottomBand || ost.LeftBand || ost.RightBand;

    // The bands are of the picture as shown; a turned picture goes through the graph.
    const TPictureSource source = PictureSourceOf(ist, dec->width, dec->height, dec->sample_aspect_ratio);
    const int croppedWidth = UprightWidth(source) - ost.LeftBand - ost.RightBand;
    const int croppedHeight = UprightHeight(source) - ost.TopBand - ost.BottomBand;
    ost.VideoResample =
        croppedWidth != enc->width || croppedHeight != enc->height || dec->pix_fmt != enc->pix_fmt;
    ost.FrameWidth = enc->width;
    ost.FrameHeight = enc->height;
    const TPictureRect picture = PlacedPicture(ost, source, enc->sample_aspect_ratio);
    const bool letterbox = picture.Width != enc->width || picture.Height != enc->height;
    // Slices of a picture on the task's share of the cores, like its codecs.
    const int scalerThreads = CodecThreadCount(*enc, nullptr, codecThreadShare_, s.CodecThreads);
    // Deinterlacing is a filter of the graph in this library generation.
    const bool useGraph =
        filterFlag_ || s.DoDeinterlace || source.Rotation != 0 || letterbox || trackPicks_.BurnText;
    if (ost.VideoResample && !useGraph) {
        ost.TempPicture.reset(av_frame_alloc());
        if (!ost.TempPicture)
            throw FFmpegException("Cannot allocate temp picture, check pix fmt");
        ost.TempPicture->format = enc->pix_fmt;
        ost.TempPicture->width = enc->width;
        ost.TempPicture->height = enc->height;
        if (av_frame_get_buffer(ost.TempPicture.get(), 0) < 0)
            throw FFmpegException("Cannot allocate temp picture, check pix fmt");

        ost.Scaler.reset(sws_alloc_context());
        SwsContext* sws = ost.Scaler.get();
        if (!sws)
            throw FFmpegException("Cannot get resampling context");
        av_opt_set_int(sws, "srcw", croppedWidth, 0);
        av_opt_set_int(sws, "srch", croppedHeight, 0);
        av_opt_set_int(sws, "src_format", dec->pix_fmt, 0);
        av_opt_set_int(sws, "dstw", enc->width, 0);
        av_opt_set_int(sws, "dsth", enc->height, 0);
        av_opt_set_int(sws, "dst_format", enc->pix_fmt, 0);
        av_opt_set_int(sws, "sws_flags", options_->ScalerFlags(), 0);
        av_opt_set_int(sws, "threads", scalerThreads, 0);
        ApplyStoredOptions(*options_, sws, AV_OPT_FLAG_VIDEO_PARAM);
        if (sws_init_context(sws, nullptr, nullptr) < 0)
            throw FFmpegException("Cannot get resampling context");
    }
    ost.OriginalWidth = dec->width;
    ost.OriginalHeight = dec->height;
    ost.ResampleWidth = croppedWidth;
    ost.ResampleHeight = croppedHeight;
    ost.ResamplePixFmt = dec->pix_fmt;

    ost.Deinterlace = s.DoDeinterlace;
    ost.DeinterlaceParity = s.DeinterlaceParity;
    if (useGraph)
        BuildVideoFilterGraph(ost, source, dec->pix_fmt, ist.Stream->time_base, enc, VideoFilterText(),
                              options_->ScalerFlags(), scalerThreads, TextSubtitleBurn());

    const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(enc->pix_fmt);
    if (desc && dec->bits_per_raw_sample)
        enc->bits_per_raw_sample = std::min(dec->bits_per_raw_sample, desc->comp[0].depth);
}

void TCustomFFmpeg::SetupAudioEncoding(TOutputStream& ost, TInputStream& ist) {
    AVCodecContext* enc = ost.Encoder;
    const AVCodecContext* dec = ist.Decoder;
    const int channels = std::max(1, enc->ch_layout.nb_channels);
    const int bytesPerSample = std::max(1, av_get_bytes_per_sample(enc->sample_fmt));
    ost.Fifo.reset(av_audio_fifo_alloc(enc->sample_fmt, channels,
                                       std::max(1, AudioFifoBytes / (bytesPerSample * channels))));
    if (!ost.Fifo)
        throw FFmpegException("av_fifo_alloc fail");
    ost.AudioResample = dec->sample_rate != enc->sample_rate || settings_.AudioSyncMethod > 1;
    if (dec->bits_per_raw_sample)
        enc->bits_per_raw_sample = std::min(dec->bits_per_raw_sample, bytesPerSample * 8);
}

void TCustomFFmpeg::SetupPassLog(TOutputStream& ost, TOutputStreamSetup& setup, int globalIndex) {
    const bool defaultName = settings_.PassLogFileName.empty();
    const std::string prefix =
        defaultName ? DefaultPassLogPrefixOf(inputs_.empty() ? std::string() : inputs_[0].FileName)
                    : settings_.PassLogFileName;
    std::string name = (prefix + "-" + std::to_string(globalIndex) + ".log").substr(0, MaxPassLogName);
    ost.PassLogFileName = name;
    AVCodecContext* enc = setup.Codec.get();
    // Encoders that keep their own statistics file (libx264) would otherwise
    // write it under a fixed name in the working folder, where two tasks
    // overwrite each other's; they get the pass log name instead.
    const bool ownStatsFile = KeepsOwnStatsFile(setup.Encoder);
    if (ownStatsFile)
        av_dict_set(setup.OpenOptions.Address(), OwnStatsOption, name.c_str(), AV_DICT_DONT_OVERWRITE);
    if (enc->flags & AV_CODEC_FLAG_PASS1) {
        if (ownStatsFile)
            return;
        ost.PassLogFile.reset(std::fopen(name.c_str(), "wb"));
        if (!ost.PassLogFile)
            throw FFmpegException(FormatText("Cannot write log file %s for pass-1 encoding", name.c_str()));
        return;
    }
    int64_t size = 0;
    int ret = ReadWholeFile(name, setup.PassStats, size);
    if (ret == AVERROR(ENOMEM))
        throw FFmpegException(
            FormatText("Could not allocate file buffer: Error reading log file \"%s\" for pass-2 encoding",
                       name.c_str()));
    if (ret != 0 || setup.PassStats.empty())
        throw FFmpegException(
            FormatText("Cannot read file: Error reading log file \"%s\" for pass-2 encoding", name.c_str()));
    enc->stats_in = setup.PassStats.data();
    // Default-named logs are ours to tidy once this second pass has ended; a
    // name the user gave is theirs to keep.
    if (defaultName) {
        passLogsToRemove_.push_back(name);
        if (ownStatsFile)
            passLogsToRemove_.push_back(name + OwnStatsCompanionSuffix);
    }
}

void TCustomFFmpeg::OpenEncoders() {
    for (TOutputStream& ost : outputStreams_) {
        if (!ost.EncodingNeeded)
            continue;
        TOutputStreamSetup& setup = SetupOf(ost);
        AVCodecContext* enc = setup.Codec.get();
        const std::string type = StreamTypeName(enc->codec_type);
        const AVCodec* codec = setup.Encoder ? setup.Encoder : avcodec_find_encoder(enc->codec_id);
        if (!codec) {
            std::string message = FormatText("Encoder (codec id %d) not found for output stream #%d.%d (%s)",
                                             enc->codec_id, ost.FileIndex, ost.Index, type.c_str());
            LogStreamMapping();
            GetLogger().Log(logSender_, llError, message);
            throw FFmpegException(message);
        }
        if (enc->codec_type == AVMEDIA_TYPE_SUBTITLE) {
            // Text subtitle encoders need the style header their decoder makes when it opens.
            TInputStream& source = inputStreams_[ost.SourceIndex];
            OpenDecoder(source);
            if (source.Decoder->subtitle_header && !enc->subtitle_header) {
                enc->subtitle_header =
                    static_cast<uint8_t*>(av_mallocz(source.Decoder->subtitle_header_size + 1));
                if (!enc->subtitle_header)
                    throw FFmpegException(
                        LibraryErrorText(outputs_[ost.FileIndex]->FileName, AVERROR(ENOMEM)));
                std::memcpy(enc->subtitle_header, source.Decoder->subtitle_header,
                            source.Decoder->subtitle_header_size);
                enc->subtitle_header_size = source.Decoder->subtitle_header_size;
            }
            if (!enc->time_base.num)
                enc->time_base = AV_TIME_BASE_Q;
        }
        // The MPEG family's rate control brings the whole process down when it
        // refuses a second pass: what it would refuse must not reach it. The
        // plain cases are seen in the statistics; the others in a trial open.
        const bool guarded = (enc->flags & AV_CODEC_FLAG_PASS2) && UsesMpegRateControl(codec);
        bool refused = guarded && (enc->bit_rate <= 0 || PassTwoBitRateTooLow(enc, enc->stats_in));
        if (refused)
            GetLogger().Log(logSender_, llError, "requested bitrate is too low");
        int ret = AVERROR(EINVAL);
        if (!refused) {
            ApplyCodecThreads(*enc, CodecThreadCount(*enc, codec, codecThreadShare_, settings_.CodecThreads));
            std::lock_guard lock(CodecLock());
            const TPassTwoTrial trial =
                guarded ? TryPassTwoOpen(enc, codec, setup.OpenOptions.Get()) : TPassTwoTrial::Opened;
            if (trial == TPassTwoTrial::Refused) {
                refused = true;
                GetLogger().Log(logSender_, llError, "the rate control refuses the second pass");
            } else {
                if (trial == TPassTwoTrial::Untried)
                    GetLogger().Log(logSender_, llWarning, "the second pass could not be tried first");
                ret = avcodec_open2(enc, codec, setup.OpenOptions.Address());
            }
        }
        if (ret < 0) {
            std::string message =
                refused
                    ? FormatText("Error while opening encoder for output stream #%d.%d (%s) - the bit rate "
                                 "is too low for the second pass of this video, or its pass-1 statistics "
                                 "do not fit it.",
                                 ost.FileIndex, ost.Index, type.c_str())
                    : FormatText(
                          "Error while opening encoder for output stream #%d.%d (%s) - maybe incorrect "
                          "parameters such as bit_rate, rate, width or height. Please check error log "
                          "message to find out more detail information.",
                          ost.FileIndex, ost.Index, type.c_str());
            LogStreamMapping();
            GetLogger().Log(logSender_, llError, message);
            throw FFmpegException(message);
        }
        openedEncoders_.push_back(enc);
        LogCodecThreads(logSender_, *enc, "encoder", ost.FileIndex, ost.Index);
        if (avcodec_parameters_from_context(ost.Stream->codecpar, enc) < 0)
            throw FFmpegException(FormatText("Error while opening encoder for output stream #%d.%d (%s)",
                                             ost.FileIndex, ost.Index, type.c_str()));
        if (!CarryCodedPictureBuffer(ost.Stream, enc))
            throw FFmpegException(LibraryErrorText(outputs_[ost.FileIndex]->FileName, AVERROR(ENOMEM)));
        ost.Stream->time_base = enc->time_base;
        globalHeaderBytes_ += enc->extradata_size;
    }
}

void TCustomFFmpeg::OpenDecoders() {
    for (TInputStream& ist : inputStreams_)
        if (ist.DecodingNeeded)
            OpenDecoder(ist);
}

void TCustomFFmpeg::OpenDecoder(TInputStream& ist) {
    TInputStreamSetup& setup = inputs_[ist.FileIndex].Streams[ist.StreamIndex];
    AVCodecContext* dec = setup.Decoder.get();
    if (avcodec_is_open(dec))
        return;
    const std::string type = StreamTypeName(dec->codec_type);
    const AVCodec* codec = setup.ForcedDecoder ? setup.ForcedDecoder : avcodec_find_decoder(dec->codec_id);
    if (!codec) {
        std::string message = FormatText("Decoder (codec id %d) not found for input stream #%d.%d (%s)",
                                         dec->codec_id, ist.FileIndex, ist.StreamIndex, type.c_str());
        GetLogger().Log(logSender_, llError, message);
        throw FFmpegException(message);
    }
    ApplyCodecThreads(*dec, CodecThreadCount(*dec, codec, codecThreadShare_, settings_.CodecThreads));
    int ret;
    {
        std::lock_guard lock(CodecLock());
        ret = avcodec_open2(dec, codec, setup.OpenOptions.Address());
    }
    if (ret < 0) {
        std::string message = FormatText("Error while opening decoder for input stream #%d.%d (%s)",
                                         ist.FileIndex, ist.StreamIndex, type.c_str());
        GetLogger().Log(logSender_, llError, message);
        throw FFmpegException(message);
    }
    openedDecoders_.push_back(dec);
    LogCodecThreads(logSender_, *dec, "decoder", ist.FileIndex, ist.StreamIndex);
}

void TCustomFFmpeg::InitInputTimestamps() {
    for (TInputStream& ist : inputStreams_) {
        AVRational rate = ist.Stream->avg_frame_rate;
        ist.Pts = ValidRate(rate)
                      ? -static_cast<int64_t>(ist.Decoder->has_b_frames * AV_TIME_BASE / av_q2d(rate))
                      : 0;
        ist.NextPts = AV_NOPTS_VALUE;
        ist.IsStart = true;
    }
}

void TCustomFFmpeg::ApplyMetaDataMaps() {
    for (const TMetaDataMap& map : settings_.MetaDataMaps) {
        if (map.OutFile < 0 || map.OutFile >= static_cast<int>(outputs_.size()))
            throw FFmpegException(FormatText("Invalid output file index %d map_meta_data(%d,%d)", map.OutFile,
                                             map.OutFile, map.InFile));
        if (map.InFile < 0 || map.InFile >= static_cast<int>(inputs_.size()))
            throw FFmpegException(FormatText("Invalid input file index %d map_meta_data(%d,%d)", map.InFile,
                                             map.OutFile, map.InFile));
        av_dict_copy(&outputs_[map.OutFile]->Context->metadata, inputs_[map.InFile].Context->metadata,
                     AV_DICT_DONT_OVERWRITE);
    }
}

void TCustomFFmpeg::CopyChapters() {
    const TEngineSettings& s = settings_;
    for (const TInputFile& input : inputs_) {
        const AVFormatContext* is = input.Context.get();
        for (auto& output : outputs_) {
            AVFormatContext* os = output->Context.get();
            for (unsigned c = 0; c < is->nb_chapters; ++c) {
                const AVChapter* in = is->chapters[c];
                const int64_t offset =
                    av_rescale_q(s.StartTime - input.TimestampOffset, AV_TIME_BASE_Q, in->time_base);
                const int64_t span = s.RecordingTime == UnlimitedRecordingTime
                                         ? INT64_MAX
                                         : av_rescale_q(s.RecordingTime, AV_TIME_BASE_Q, in->time_base);
                if (in->end < offset)
                    continue;
                if (span != INT64_MAX && in->start > span + offset)
                    break;
                auto* out = static_cast<AVChapter*>(av_mallocz(sizeof(AVChapter)));
                if (!out)
                    throw FFmpegException(LibraryErrorText(output->FileName, AVERROR(ENOMEM)));
                out->id = in->id;
                out->time_base = in->time_base;
                out->start = std::max<int64_t>(0, in->start - offset);
                out->end = std::min(span, in->end - offset);
                av_dict_copy(&out->metadata, in->metadata, 0);
                int count = static_cast<int>(os->nb_chapters);
                if (av_dynarray_add_nofree(&os->chapters, &count, out) < 0) {
                    av_dict_free(&out->metadata);
                    av_free(out);
                    throw FFmpegException(LibraryErrorText(output->FileName, AVERROR(ENOMEM)));
                }
                os->nb_chapters = static_cast<unsigned>(count);
            }
        }
    }
}

void TCustomFFmpeg::WriteHeaders() {
    bool allRtp = !outputs_.empty();
    for (size_t i = 0; i < outputs_.size(); ++i) {
        TOutputFile& output = *outputs_[i];
        output.Begun = true;
        int ret = avformat_write_header(output.Context.get(), output.HeaderOptions.Address());
        if (ret < 0) {
            std::string message =
                FormatText("Could not write header for output file #%d (incorrect codec parameters ?)",
                           static_cast<int>(i));
            GetLogger().Log(logSender_, llError, message);
            throw FFmpegException(message);
        }
        allRtp = allRtp && std::string(output.Context->oformat->name) == "rtp";
    }
    if (allRtp) {
        std::vector<AVFormatContext*> contexts;
        for (auto& output : outputs_)
            contexts.push_back(output->Context.get());
        char sdp[SdpBufferSize] = {};
        av_sdp_create(contexts.data(), static_cast<int>(contexts.size()), sdp, sizeof sdp);
        GetLogger().Log(logSender_, llInfo, std::string("SDP:\r\n") + sdp);
    }
}

void TCustomFFmpeg::DumpOutput(int index) {
    AVFormatContext* oc = outputs_[index]->Context.get();
    av_dump_format(oc, index, oc->url, 1);
}

void TCustomFFmpeg::LogStreamMapping() {
    for (size_t i = 0; i < outputs_.size(); ++i)
        DumpOutput(static_cast<int>(i));
    if (settings_.Verbose < 0)
        return;
    GetLogger().Log(logSender_, llVerbose, "Stream mapping:");
    for (const TOutputStream& ost : outputStreams_) {
        if (ost.SourceIndex < 0)
            continue;
        const TInputStream& source = inputStreams_[ost.SourceIndex];
        const std::string type = StreamTypeName(ost.Encoder->codec_type);
        std::string line = FormatText("  Stream #%d.%d -> #%d.%d (%s)", source.FileIndex, source.StreamIndex,
                                      ost.FileIndex, ost.Index, type.c_str());
        if (ost.SyncIndex != ost.SourceIndex) {
            const TInputStream& sync = inputStreams_[ost.SyncIndex];
            line += FormatText(" [sync #%d.%d (%s)]", sync.FileIndex, sync.StreamIndex,
                               StreamTypeName(sync.Stream->codecpar->codec_type).c_str());
        }
        GetLogger().Log(logSender_, llVerbose, line);
    }
}

std::string TCustomFFmpeg::VideoFilterText() const {
    return filterFlag_ ? settings_.VideoFilters : std::string();
}
