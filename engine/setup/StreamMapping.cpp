// Run preparation, first part: the run tables and the choice of a source
// stream for every output stream, by the stream maps or automatically.
#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "media/TextHelpers.h"
#include "task/FFmpegTask.h"

#include <algorithm>

extern "C" {
#include <libavutil/time.h>
}

namespace {

// How many frames a stream delivers per second, as far as its parameters tell.
// It stands for the frames read while the stream information was gathered
// (all streams are read over the same span), which current libraries keep to
// themselves; a cover picture counts as one frame.
double FrameRateEstimate(const AVStream* st) {
    if (st->disposition & AV_DISPOSITION_ATTACHED_PIC)
        return 0.0;
    double seconds = st->duration != AV_NOPTS_VALUE ? st->duration * av_q2d(st->time_base) : 0.0;
    if (st->nb_frames > 0 && seconds > 0.0)
        return st->nb_frames / seconds;
    const AVCodecParameters* par = st->codecpar;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        AVRational rate =
            st->avg_frame_rate.num && st->avg_frame_rate.den ? st->avg_frame_rate : st->r_frame_rate;
        return rate.den ? av_q2d(rate) : 0.0;
    }
    if (par->codec_type == AVMEDIA_TYPE_AUDIO)
        return par->sample_rate / static_cast<double>(par->frame_size > 0 ? par->frame_size : 1024);
    return 0.0;
}

bool InProgram(const AVFormatContext* ctx, int programId, int streamIndex) {
    for (unsigned p = 0; p < ctx->nb_programs; ++p) {
        const AVProgram* program = ctx->programs[p];
        if (program->id != programId)
            continue;
        for (unsigned i = 0; i < program->nb_stream_indexes; ++i)
            if (static_cast<int>(program->stream_index[i]) == streamIndex)
                return true;
    }
    return false;
}

// The stream of the first input picked for an output stream of `type`; -1: none.
int PickedStream(const TTrackPicks& picks, AVMediaType type) {
    if (type == AVMEDIA_TYPE_AUDIO)
        return picks.AudioStream;
    if (type == AVMEDIA_TYPE_SUBTITLE)
        return picks.KeepSubtitleStream;
    return -1;
}

} // namespace

void TCustomFFmpeg::BuildInputStreams() {
    const int64_t now = settings_.RateEmulation ? av_gettime() : 0;
    for (size_t f = 0; f < inputs_.size(); ++f) {
        TInputFile& input = inputs_[f];
        for (unsigned i = 0; i < input.Context->nb_streams; ++i) {
            TInputStream ist;
            ist.FileIndex = static_cast<int>(f);
            ist.StreamIndex = static_cast<int>(i);
            ist.Stream = input.Context->streams[i];
            ist.Decoder = input.Streams[i].Decoder.get();
            ist.StartTime = now;
            inputStreams_.push_back(ist);
        }
    }
    for (size_t f = 0; f < outputs_.size(); ++f) {
        TOutputFile& output = *outputs_[f];
        for (size_t i = 0; i < output.Streams.size(); ++i) {
            TOutputStream ost;
            ost.FileIndex = static_cast<int>(f);
            ost.Index = static_cast<int>(i);
            ost.Stream = output.Streams[i].Stream;
            ost.Encoder = output.Streams[i].Codec.get();
            ost.StreamCopy = output.Streams[i].StreamCopy;
            outputStreams_.push_back(std::move(ost));
        }
    }
}

void TCustomFFmpeg::CheckStreamMaps() {
    for (size_t f = 0; f < outputs_.size(); ++f) {
        if (outputs_[f]->Streams.empty()) {
            DumpOutput(static_cast<int>(f));
            throw FFmpegException(
                FormatText("Output file #%d does not contain any stream", static_cast<int>(f)));
        }
    }
    const auto& maps = settings_.StreamMaps;
    if (maps.empty())
        return;
    if (maps.size() != outputStreams_.size())
        throw FFmpegException("Number of stream maps must match number of output streams");
    auto exists = [this](int file, int stream) {
        return file >= 0 && file < static_cast<int>(inputs_.size()) && stream >= 0 &&
               stream < static_cast<int>(inputs_[file].Context->nb_streams);
    };
    for (const TStreamMap& map : maps) {
        if (!exists(map.FileIndex, map.StreamIndex))
            throw FFmpegException(
                FormatText("Could not find input stream #%d.%d", map.FileIndex, map.StreamIndex));
        if (!exists(map.SyncFileIndex, map.SyncStreamIndex))
            throw FFmpegException(
                FormatText("Could not find sync stream #%d.%d", map.SyncFileIndex, map.SyncStreamIndex));
    }
}

void TCustomFFmpeg::MapOutputStreams() {
    // Index of an input's first stream in the input stream entries.
    std::vector<int> firstStream(inputs_.size() + 1, 0);
    for (size_t f = 0; f < inputs_.size(); ++f)
        firstStream[f + 1] = firstStream[f] + static_cast<int>(inputs_[f].Context->nb_streams);

    const auto& maps = settings_.StreamMaps;
    const int programId = settings_.ProgramId;
    for (size_t n = 0; n < outputStreams_.size(); ++n) {
        TOutputStream& ost = outputStreams_[n];
        const AVMediaType type = ost.Encoder->codec_type;
        int source = -1;
        int sync = -1;
        if (!maps.empty()) {
            const TStreamMap& map = maps[n];
            source = firstStream[map.FileIndex] + map.StreamIndex;
            sync = firstStream[map.SyncFileIndex] + map.SyncStreamIndex;
            const TInputStream& ist = inputStreams_[source];
            const AVMediaType inType = ist.Stream->codecpar->codec_type;
            if (inType != type)
                throw FFmpegException(FormatText("Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)",
                                                 map.FileIndex, map.StreamIndex,
                                                 StreamTypeName(inType).c_str(), ost.FileIndex, ost.Index,
                                                 StreamTypeName(type).c_str()));
        } else if (const int picked = PickedStream(trackPicks_, type); picked >= 0) {
            source = firstStream[0] + picked;
            sync = source;
        } else {
            // Of several audio tracks, those marked as the source's default come first.
            auto candidate = [&](const TInputStream& ist) {
                return ist.Discard && ist.Stream->discard != AVDISCARD_ALL &&
                       ist.Stream->codecpar->codec_type == type &&
                       (!programId ||
                        InProgram(inputs_[ist.FileIndex].Context.get(), programId, ist.StreamIndex));
            };
            const bool defaultFirst =
                type == AVMEDIA_TYPE_AUDIO &&
                std::any_of(inputStreams_.begin(), inputStreams_.end(), [&](const TInputStream& ist) {
                    return candidate(ist) && (ist.Stream->disposition & AV_DISPOSITION_DEFAULT);
                });
            double best = -1.0;
            for (size_t j = 0; j < inputStreams_.size(); ++j) {
                const TInputStream& ist = inputStreams_[j];
                if (!candidate(ist))
                    continue;
                if (defaultFirst && !(ist.Stream->disposition & AV_DISPOSITION_DEFAULT))
                    continue;
                double frames = FrameRateEstimate(ist.Stream);
                if (frames > best) {
                    best = frames;
                    source = static_cast<int>(j);
                }
            }
            if (source < 0 && !programId) {
                for (size_t j = 0; j < inputStreams_.size(); ++j) {
                    const TInputStream& ist = inputStreams_[j];
                    if (ist.Stream->discard != AVDISCARD_ALL && ist.Stream->codecpar->codec_type == type)
                        source = static_cast<int>(j);
                }
            }
            if (source < 0) {
                DumpOutput(ost.FileIndex);
                throw FFmpegException(
                    FormatText("Could not find input stream matching output stream #%d.%d (%s)",
                               ost.FileIndex, ost.Index, StreamTypeName(type).c_str()));
            }
            sync = source;
        }
        inputStreams_[source].Discard = false;
        ost.SourceIndex = source;
        ost.SyncIndex = sync;
    }
}
