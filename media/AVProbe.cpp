#include "media/AVProbe.h"

#include "media/DisplayRotation.h"
#include "media/FFmpegLoader.h"
#include "media/FileHelpers.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

#include <sys/stat.h>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/mathematics.h>
#include <libavutil/parseutils.h>
}

namespace {

constexpr AVRational kMicroseconds{1, AV_TIME_BASE};

int32_t ClampToInt32(int64_t value) {
    return static_cast<int32_t>(
        std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Fills the six fields both stream records begin with.
template <typename Info> void FillCommonStreamFields(AVStream* st, Info& info) {
    info.Language = MetadataValue(st->metadata, "language", "");
    info.CodecName = CodecDisplayName(st->codecpar, false);
    // A zero time base would make every conversion below divide by zero.
    if (st->time_base.den == 0)
        st->time_base.den = st->time_base.num;
    if (st->time_base.den == 0)
        st->time_base.den = 1;
    info.StartTime = st->start_time;
    info.Duration = st->duration;
    if (st->start_time != AV_NOPTS_VALUE)
        info.StartTimeUs = av_rescale_q(st->start_time, st->time_base, kMicroseconds);
    if (st->duration != AV_NOPTS_VALUE)
        info.DurationUs = av_rescale_q(st->duration, st->time_base, kMicroseconds);
}

// The whole number a text begins with ("2009-05-01" gives 2009, "3/12" gives 3); 0 when none.
int32_t LeadingNumber(const std::string& text) {
    int64_t value = 0;
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && value < std::numeric_limits<int32_t>::max();
         ++i)
        value = value * 10 + (text[i] - '0');
    return ClampToInt32(value);
}

} // namespace

int64_t TCustomAVProbe::CreationTimestamp(const AVFormatContext* ctx) {
    const std::string text = MetadataValue(ctx->metadata, "creation_time", "");
    int64_t us = 0;
    if (text.empty() || av_parse_time(&us, text.c_str(), 0) < 0)
        return 0;
    return us / AV_TIME_BASE;
}

void ProbedInputClose::operator()(AVFormatContext* ctx) const {
    CloseInputContext(&ctx);
}

std::optional<TCustomAVProbe::FileStamp> TCustomAVProbe::StampOf(const std::string& fileName) {
    struct stat st {};
    if (::stat(fileName.c_str(), &st) != 0)
        return std::nullopt;
    FileStamp stamp;
    stamp.Device = st.st_dev;
    stamp.Inode = st.st_ino;
    // A pipe or a device is the same source as long as it is the same node;
    // its size and times move with every write.
    stamp.Regular = S_ISREG(st.st_mode);
    if (stamp.Regular) {
        stamp.Size = st.st_size;
        stamp.ChangeSeconds = st.st_mtim.tv_sec;
        stamp.ChangeNanoseconds = st.st_mtim.tv_nsec;
    }
    return stamp;
}

TCustomAVProbe::TCustomAVProbe(TFFBaseComponent* owner) : TFFBaseComponent(owner) {}

TCustomAVProbe::~TCustomAVProbe() = default;

void TCustomAVProbe::CheckLibraries() const {
    auto& loader = FFmpegLoader();
    if (!loader.IsBound(libAVCodec))
        throw std::runtime_error("LibAVCodec not loaded.");
    if (!loader.IsBound(libAVFormat))
        throw std::runtime_error("LibAVFormat not loaded.");
    if (!loader.IsBound(libAVUtil))
        throw std::runtime_error("LibAVUtil not loaded.");
    if (!loader.IsBound(libSWScale))
        throw std::runtime_error("LibSwScale not loaded.");
}

void TCustomAVProbe::SetLastError(TLogLevel level, const std::string& message) {
    GetLogger().Log(this, level, message);
    lastError_ = message;
}

bool TCustomAVProbe::Open(const std::string& fileName, const std::string& formatName) {
    CheckLibraries();
    Close();

    const AVInputFormat* format = nullptr;
    if (!formatName.empty()) {
        format = av_find_input_format(formatName.c_str());
        if (!format) {
            lastError_ = "Unknown input format: " + formatName;
            return false;
        }
    }

    AVFormatContext* ctx = avformat_alloc_context();
    if (!ctx) {
        SetLastError(llError, LibraryErrorText(fileName, AVERROR(ENOMEM)));
        return false;
    }
    ctx->flags |= AVFMT_FLAG_NONBLOCK;
    // Taken before the open: a file replaced meanwhile then differs from it (TakeInput).
    std::optional<FileStamp> stamp = StampOf(fileName);
    // Kept with the context: the readers ask the callback on every read, through
    // the relay, which a new owner of the input points elsewhere.
    opening_ =
        std::make_unique<TOpenInterrupt>(std::chrono::milliseconds(openTimeout_.load()), &openCancels_);
    const TOpenInterrupt& opening = *opening_;
    relay_ = std::make_unique<TInterruptRelay>();
    relay_->SetTarget(opening.Callback());
    // On failure the open frees the context itself.
    int ret = OpenSourceInput(&ctx, pipe_, fileName, format, nullptr, relay_->Callback());
    if (ret < 0) {
        SetLastError(llError,
                     opening.Expired() ? opening.FailureText(fileName) : LibraryErrorText(fileName, ret));
        Close();
        return false;
    }
    owned_.reset(ctx);
    context_ = ctx;

    ret = avformat_find_stream_info(ctx, nullptr);
    if (opening.Expired()) {
        SetLastError(llError, opening.FailureText(fileName));
        Close();
        return false;
    }
    if (ret < 0) {
        lastError_ = fileName + ": could not find codec parameters";
        Close();
        return false;
    }
    Refresh();
    formatName_ = formatName;
    openedName_ = fileName;
    openedStamp_ = std::move(stamp);
    return true;
}

std::optional<TProbedInput> TCustomAVProbe::TakeInput(const std::string& fileName) {
    if (!owned_ || fileName != openedName_ || !openedStamp_ || StampOf(fileName) != openedStamp_)
        return std::nullopt;
    TProbedInput input;
    // The limits of the probe's open go with the probe.
    relay_->SetTarget({});
    input.Interrupt = std::move(relay_);
    input.Pipe = std::move(pipe_);
    // Not blocking is the probe's own way of reading; the new owner reads as
    // after an open of its own.
    owned_->flags &= ~AVFMT_FLAG_NONBLOCK;
    input.Context = std::move(owned_);
    input.FileName = openedName_;
    input.FormatName = formatName_;
    Close();
    return input;
}

void TCustomAVProbe::Attach(AVFormatContext* context) {
    CheckLibraries();
    Close();
    context_ = context;
    Refresh();
}

void TCustomAVProbe::ForgetContext() {
    context_ = nullptr;
    owned_.reset();
    pipe_.reset();
    relay_.reset();
    opening_.reset();
    openedName_.clear();
    openedStamp_.reset();
}

void TCustomAVProbe::Close() {
    ForgetContext();
    formatName_.clear();
    Refresh();
}

void TCustomAVProbe::Refresh() {
    fileSize_ = -1;
    streamCount_ = programCount_ = -1;
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
    firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
    if (!context_)
        return;

    // A context without its own I/O, or on a stream that cannot tell its size, counts as 0.
    int64_t containerSize = 0;
    if (context_->pb && !(context_->iformat && (context_->iformat->flags & AVFMT_NOFILE)))
        containerSize = std::max<int64_t>(avio_size(context_->pb), 0);
    if (containerSize > 0) {
        fileSize_ = containerSize;
    } else {
        std::string fileName;
        GetFileName(fileName);
        int64_t onDisk = fileName.empty() ? -1 : FileSizeOf(fileName);
        fileSize_ = onDisk >= 0 ? onDisk : containerSize;
    }

    streamCount_ = static_cast<int32_t>(context_->nb_streams);
    programCount_ = static_cast<int32_t>(context_->nb_programs);
    audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
    for (unsigned i = 0; i < context_->nb_streams; ++i) {
        const int index = static_cast<int>(i);
        switch (context_->streams[i]->codecpar->codec_type) {
        case AVMEDIA_TYPE_VIDEO:
            ++videoStreamCount_;
            if (firstVideoStream_ < 0)
                firstVideoStream_ = index;
            break;
        case AVMEDIA_TYPE_AUDIO:
            ++audioStreamCount_;
            if (firstAudioStream_ < 0)
                firstAudioStream_ = index;
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            ++subtitleStreamCount_;
            if (firstSubtitleStream_ < 0)
                firstSubtitleStream_ = index;
            break;
        default:
            break;
        }
    }
}

void TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info) {
    info = TFileStreamInfo{};
    if (!context_) {
        SetLastError(llWarning, "file not loaded.");
        return;
    }
    info.StartTime = context_->start_time == AV_NOPTS_VALUE ? -1 : context_->start_time;
    info.Duration = context_->duration == AV_NOPTS_VALUE ? -1 : context_->duration;
    info.BitRate = ClampToInt32(context_->bit_rate);
    info.Timestamp = CreationTimestamp(context_);
    info.Year = LeadingNumber(MetadataValue(context_->metadata, "date", ""));
    if (info.Year == 0)
        info.Year = LeadingNumber(MetadataValue(context_->metadata, "year", ""));
    info.Track = LeadingNumber(MetadataValue(context_->metadata, "track", ""));
    const AVDictionary* m = context_->metadata;
    info.Title = MetadataValue(m, "title", "");
    // Formats that keep no "author" name the same person "artist".
    info.Author = MetadataValue(m, "author", MetadataValue(m, "artist", ""));
    info.Copyright = MetadataValue(m, "copyright", "");
    info.Comment = MetadataValue(m, "comment", "");
    info.Album = MetadataValue(m, "album", "");
    info.Genre = MetadataValue(m, "genre", "");
}

int TCustomAVProbe::SelectStream(int streamIndex, int mediaType) {
    if (!context_) {
        SetLastError(llWarning, "file not loaded.");
        return -1;
    }
    const bool audio = mediaType == AVMEDIA_TYPE_AUDIO;
    if (streamIndex < 0) {
        streamIndex = audio ? firstAudioStream_ : firstVideoStream_;
        if (streamIndex < 0) {
            SetLastError(llError, audio ? "no audio stream." : "no video stream.");
            return -1;
        }
    } else if (streamIndex >= streamCount_) {
        SetLastError(llError, "stream index #" + std::to_string(streamIndex) + " is invalid.");
        return -1;
    }
    if (context_->streams[streamIndex]->codecpar->codec_type != mediaType) {
        SetLastError(llError, "stream #" + std::to_string(streamIndex) +
                                  (audio ? " is not audio stream." : " is not video stream."));
        return -1;
    }
    return streamIndex;
}

void TCustomAVProbe::GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info) {
    info = TAudioStreamInfo{};
    const int index = SelectStream(streamIndex, AVMEDIA_TYPE_AUDIO);
    if (index < 0)
        return;
    AVStream* st = context_->streams[index];
    FillCommonStreamFields(st, info);
    const AVCodecParameters* par = st->codecpar;
    info.BitRate = ClampToInt32(par->bit_rate);
    info.Channels = par->ch_layout.nb_channels;
    info.SampleRate = par->sample_rate;
    info.SampleFormat = par->format;
}

void TCustomAVProbe::GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info) {
    info = TVideoStreamInfo{};
    const int index = SelectStream(streamIndex, AVMEDIA_TYPE_VIDEO);
    if (index < 0)
        return;
    AVStream* st = context_->streams[index];
    FillCommonStreamFields(st, info);
    const AVCodecParameters* par = st->codecpar;
    info.BitRate = ClampToInt32(par->bit_rate);
    info.Height = par->height;
    info.Width = par->width;
    if (par->height > 0) {
        // An unknown sample aspect ratio means square pixels.
        AVRational sar = par->sample_aspect_ratio;
        double ratio = sar.num > 0 && sar.den > 0 ? av_q2d(sar) : 1.0;
        info.DisplayAspect = static_cast<float>(ratio * par->width / par->height);
    }
    info.PixelFormat = par->format;
    info.FrameRateNum = st->r_frame_rate.num;
    info.FrameRateDen = st->r_frame_rate.den;
    info.Rotation = DisplayRotationDegrees(st);
}

void TCustomAVProbe::GetFileName(std::string& fileName) const {
    fileName = context_ && context_->url ? FromLibraryFileName(context_->url) : std::string();
}

void TCustomAVProbe::GetFormatName(std::string& name) const {
    name = context_ && context_->iformat && context_->iformat->name ? context_->iformat->name : "";
}

void TCustomAVProbe::GetFormatLongName(std::string& name) const {
    name = context_ && context_->iformat && context_->iformat->long_name ? context_->iformat->long_name : "";
}

void TAVProbe::Refresh() {
    TCustomAVProbe::Refresh();
    defaultStream_ = FirstVideoStream() >= 0 ? FirstVideoStream() : FirstAudioStream();
    defaultStartTime_ = 0;
    const AVFormatContext* ctx = Context();
    if (!ctx)
        return;
    int64_t start = defaultStream_ >= 0 ? ctx->streams[defaultStream_]->start_time : ctx->start_time;
    defaultStartTime_ = start == AV_NOPTS_VALUE ? 0 : start;
}
