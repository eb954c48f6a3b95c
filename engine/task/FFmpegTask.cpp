#include "task/FFmpegTask.h"

#include "engine/FFmpegException.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"

#include <cstdio>
#include <mutex>

TCustomFFmpeg::TCustomFFmpeg(int maxFiles)
    : maxFiles_(maxFiles), options_(std::make_unique<OptionContextSet>(TEngineSettings{}.ScalerFlags)) {}

TCustomFFmpeg::~TCustomFFmpeg() {
    ReleaseEngineState();
}

void TCustomFFmpeg::ResetEngineState() {
    settings_ = TEngineSettings{};
    InitOptionContexts(*options_, settings_.ScalerFlags);
    errorText_.clear();
    filterFlag_ = false;
}

void TCustomFFmpeg::ReleaseEngineState() {
    FreeRunTables();
    openedEncoders_.clear();
    openedDecoders_.clear();
    // Outputs before inputs: an output stream's codec may still refer to input data.
    outputs_.clear();
    inputs_.clear();
    FreeOptionContexts(*options_);
    settings_.FrameHooks.clear();
    hookState_.Frame.reset();
    hookState_.SpareFrame.reset();
    vstatsFile_.reset();
    ResetConverter(hookState_.Converter);
    preview_.Release();
}

void TCustomFFmpeg::AddStreamToLastOutput(AVMediaType type) {
    if (outputs_.empty())
        throw FFmpegException("At least one output file must be specified");
    TOutputFile& output = *outputs_.back();
    switch (type) {
    case AVMEDIA_TYPE_VIDEO:
        NewVideoStream(output);
        break;
    case AVMEDIA_TYPE_AUDIO:
        NewAudioStream(output);
        break;
    case AVMEDIA_TYPE_SUBTITLE:
        NewSubtitleStream(output);
        break;
    default:
        throw FFmpegException("invalid codec_type");
    }
}

std::vector<AVRational> TCustomFFmpeg::InputVideoFrameRates() const {
    std::vector<AVRational> rates;
    for (const TInputFile& input : inputs_) {
        for (unsigned i = 0; i < input.Context->nb_streams; ++i) {
            const AVStream* st = input.Context->streams[i];
            if (st->codecpar->codec_type != AVMEDIA_TYPE_VIDEO)
                continue;
            rates.push_back(st->r_frame_rate.num ? st->r_frame_rate : st->avg_frame_rate);
        }
    }
    return rates;
}

void TCustomFFmpeg::WriteTrailers() {
    for (auto& output : outputs_) {
        int ret = av_write_trailer(output->Context.get());
        if (ret < 0)
            throw FFmpegException(LibraryErrorText(output->FileName, ret));
        output->Ended = true;
    }
}

void TCustomFFmpeg::CloseOpenedCodecs() {
    std::lock_guard lock(CodecLock());
    for (AVCodecContext* c : openedEncoders_)
        avcodec_close(c);
    for (AVCodecContext* c : openedDecoders_)
        avcodec_close(c);
    openedEncoders_.clear();
    openedDecoders_.clear();
}

void TCustomFFmpeg::FreeRunTables() {
    outputStreams_.clear();
    inputStreams_.clear();
}

TOutputFile::~TOutputFile() {
    CloseFile();
}

void TOutputFile::CloseFile() {
    if (!FileOpen)
        return;
    CloseOutputIO(Context.get());
    FileOpen = false;
    const int64_t size = FileSizeOf(FileName);
    // Nothing was written: leave no empty file behind.
    if (size == 0) {
        std::remove(FileName.c_str());
        return;
    }
    if (size < 0 || !Begun || Ended || !MarkIncomplete)
        return;
    const std::string kept = FileName + IncompleteSuffix;
    if (std::rename(FileName.c_str(), kept.c_str()) == 0)
        GetLogger().LogFmt(LogSender, llWarning, "%s is incomplete; what was written is kept as %s",
                           FileName.c_str(), kept.c_str());
}
