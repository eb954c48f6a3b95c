// The body of one task's run: read packets from the input that is furthest
// behind, decode what is re-encoded, hand frames and copied packets to the
// outputs, then flush the codecs and write the trailers.
#include "engine/FFmpegException.h"
#include "engine/FormatText.h"
#include "loop/VideoFilterGraph.h"
#include "media/FFmpegLogger.h"
#include "media/TextHelpers.h"
#include "task/FFmpegTask.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <thread>

extern "C" {
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
}

namespace {

constexpr auto NoPacketWait = std::chrono::milliseconds(10);
constexpr int64_t RateSlack = 1000; // µs ahead of the clock that needs no wait
// Rate emulation waits in steps of at most this, so that a stop is not held
// up by a stream whose next packet lies far ahead (sparse subtitles).
constexpr int64_t RateWaitStep = 50000; // µs

int FrameLimit(const TEngineSettings& s, AVMediaType type) {
    switch (type) {
    case AVMEDIA_TYPE_VIDEO:
        return s.MaxVideoFrames;
    case AVMEDIA_TYPE_AUDIO:
        return s.MaxAudioFrames;
    default:
        return s.MaxDataFrames;
    }
}

// A picture's time from the filter graph, µs; the stream's time when it has none.
int64_t FilteredTime(const TOutputStream& ost, const AVFrame* frame, int64_t fallback) {
    return FilteredPictureTime(ost, frame, fallback);
}

// False for a picture or samples that start at or past the end of the
// recording time; the last samples before the end are cut there. The packets'
// decoding times alone let pictures through that B-frames reorder past the end.
bool KeepBeforeRecordingEnd(const TEngineSettings& s, const TInputStream& ist, AVFrame* frame) {
    // Unlimited, or an end beyond any timestamp.
    if (s.RecordingTime == UnlimitedRecordingTime ||
        s.RecordingTime > INT64_MAX - std::max<int64_t>(s.StartTime, 0))
        return true;
    const int64_t end = s.StartTime + s.RecordingTime;
    if (ist.Pts >= end)
        return false;
    if (ist.Decoder->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0) {
        const int64_t before = av_rescale(end - ist.Pts, frame->sample_rate, AV_TIME_BASE);
        if (before <= 0)
            return false;
        frame->nb_samples = static_cast<int>(std::min<int64_t>(frame->nb_samples, before));
    }
    return true;
}

// False for samples that end at or before the recording start; the samples of
// a frame that lie before the start are cut off, so that a clip starts on the
// sample asked for. After the seek to the start, decoding begins with the
// frame that holds it (for coded audio a whole codec frame, up to tens of ms
// earlier); the frame's timestamp says how much of it is early.
bool KeepFromRecordingStart(const TEngineSettings& s, TInputStream& ist, AVFrame* frame) {
    if (ist.Pts >= s.StartTime || ist.Decoder->codec_type != AVMEDIA_TYPE_AUDIO || frame->sample_rate <= 0)
        return true; // pictures before the start are dropped whole further on
    const int64_t early =
        av_rescale_rnd(s.StartTime - ist.Pts, frame->sample_rate, AV_TIME_BASE, AV_ROUND_NEAR_INF);
    if (early >= frame->nb_samples)
        return false;
    if (early > 0) {
        if (av_frame_make_writable(frame) < 0)
            throw FFmpegException("Out of memory");
        const auto format = static_cast<AVSampleFormat>(frame->format);
        const int kept = frame->nb_samples - static_cast<int>(early);
        av_samples_copy(frame->extended_data, frame->extended_data, 0, static_cast<int>(early), kept,
                        frame->ch_layout.nb_channels, format);
        frame->nb_samples = kept;
    }
    ist.Pts = s.StartTime;
    return true;
}

} // namespace

int TCustomFFmpeg::StopInterrupt(void* opaque) {
    const auto* task = static_cast<const TCustomFFmpeg*>(opaque);
    if (task->openInterrupt_ && task->openInterrupt_->Expired())
        return 1;
    const TRunControl* control = task->runControl_;
    return control && control->StopRequested() ? 1 : 0;
}

int TCustomFFmpeg::ReadInputPacket(TInputFile& input, AVPacket* pkt) {
    if (input.ReadAhead.empty())
        return av_read_frame(input.Context.get(), pkt);
    av_packet_move_ref(pkt, input.ReadAhead.front().get());
    input.ReadAhead.pop_front();
    return 0;
}

void TCustomFFmpeg::TranscodeLoop(TRunControl& control) {
    // Input reads may be cut short by a stop from here until the run ends.
    runControl_ = &control;
    struct ControlReset {
        const TRunControl*& Control;
        ~ControlReset() { Control = nullptr; }
    } controlReset{runControl_};
    passLogsToRemove_.clear();
    PrepareRun();
    counters_ = TRunCounters{};
    counters_.RunStartTime = counters_.LastReportTime = av_gettime();
    encodedPacket_.reset(av_packet_alloc());
    decodedFrame_.reset(av_frame_alloc());
    filteredFrame_.reset(av_frame_alloc());
    croppedFrame_.reset(av_frame_alloc());
    PacketPtr packet(av_packet_alloc());
    if (!encodedPacket_ || !decodedFrame_ || !filteredFrame_ || !croppedFrame_ || !packet)
        throw FFmpegException("Out of memory");

    // Index of each input's first stream in the input stream entries.
    std::vector<int> firstStream(inputs_.size(), 0);
    for (size_t f = 1; f < inputs_.size(); ++f)
        firstStream[f] = firstStream[f - 1] + static_cast<int>(inputs_[f - 1].Context->nb_streams);
    std::vector<char> ended(inputs_.size(), 0);
    std::vector<char> noPacket(inputs_.size(), 0);

    while (!control.StopRequested()) {
        control.PausePoint();
        const int fileIndex = ChooseInputFile(ended, noPacket);
        if (fileIndex < 0) {
            if (std::find(noPacket.begin(), noPacket.end(), 1) != noPacket.end()) {
                std::fill(noPacket.begin(), noPacket.end(), 0);
                std::this_thread::sleep_for(NoPacketWait);
                continue;
            }
            break;
        }
        if (settings_.FileSizeLimit > 0 && outputs_[0]->Context->pb &&
            avio_tell(outputs_[0]->Context->pb) > settings_.FileSizeLimit)
            break;

        TInputFile& input = inputs_[fileIndex];
        int ret = ReadInputPacket(input, packet.get());
        if (ret == AVERROR(EAGAIN)) {
            noPacket[fileIndex] = 1;
            continue;
        }
        if (ret < 0) {
            ended[fileIndex] = 1;
            if (settings_.OptShortest)
                break;
            continue;
        }
        std::fill(noPacket.begin(), noPacket.end(), 0);
        if (settings_.DoPktDump)
            av_pkt_dump_log2(nullptr, AV_LOG_INFO, packet.get(), settings_.DoHexDump,
                             input.Context->streams[packet->stream_index]);

        // Packets of streams no output uses are dropped.
        if (packet->stream_index >= static_cast<int>(input.Context->nb_streams)) {
            av_packet_unref(packet.get());
            continue;
        }
        const int istIndex = firstStream[fileIndex] + packet->stream_index;
        TInputStream& ist = inputStreams_[istIndex];
        if (ist.Discard) {
            av_packet_unref(packet.get());
            continue;
        }
        AdjustPacketTimestamps(input, ist, packet.get());

        if (settings_.RecordingTime != UnlimitedRecordingTime && packet->dts != AV_NOPTS_VALUE &&
            av_rescale_q(packet->dts, ist.Stream->time_base, AV_TIME_BASE_Q) >=
                settings_.StartTime + settings_.RecordingTime) {
            ist.IsPastRecordingTime = true;
            av_packet_unref(packet.get());
            continue;
        }

        if (!ProcessPacket(istIndex, packet.get(), control)) {
            const std::string message =
                FormatText("Error while decoding stream #%d.%d (%s)", ist.FileIndex, ist.StreamIndex,
                           StreamTypeName(ist.Stream->codecpar->codec_type).c_str());
            if (settings_.ExitOnError)
                throw FFmpegException(message);
            if (settings_.Verbose >= 0)
                GetLogger().Log(logSender_, llVerbose, message);
        }
        av_packet_unref(packet.get());

        if (av_gettime() - counters_.LastReportTime > reportInterval_) {
            Report(fileIndex, false);
            counters_.LastReportTime = av_gettime();
        }
    }

    // Drain the decoders, and through them the encoders.
    for (size_t i = 0; i < inputStreams_.size(); ++i)
        if (inputStreams_[i].DecodingNeeded)
            ProcessPacket(static_cast<int>(i), nullptr, control);
    FlushBitstreamFilters();
    WriteTrailers();
    // A stopped or failed second pass keeps its statistics for another try.
    if (!control.StopRequested())
        RemovePassLogs();
    Report(-1, true);
    if (!control.StopRequested())
        RefuseEmptyOutputs();
}

void TCustomFFmpeg::RefuseEmptyOutputs() {
    // A damaged input whose streams give no frame ends like a good one; an output
    // without a single packet is no conversion, whatever the headers say.
    std::vector<int64_t> packets(outputs_.size(), 0);
    for (const TOutputStream& ost : outputStreams_)
        packets[ost.FileIndex] += ost.PacketsWritten;
    std::string empty;
    for (size_t f = 0; f < outputs_.size(); ++f) {
        if (packets[f] > 0)
            continue;
        const char* url = outputs_[f]->Context->url ? outputs_[f]->Context->url : "";
        GetLogger().LogFmt(logSender_, llWarning, "Nothing was encoded into output file #%d (%s)",
                           static_cast<int>(f), url);
        if (empty.empty())
            empty = url;
    }
    if (!empty.empty())
        throw FFmpegException("Nothing was encoded: the input gave no frame for " + empty);
}

void TCustomFFmpeg::RemovePassLogs() {
    for (const std::string& name : passLogsToRemove_)
        if (std::remove(name.c_str()) != 0 && errno != ENOENT)
            GetLogger().LogFmt(logSender_, llWarning, "Cannot remove pass log file %s", name.c_str());
    passLogsToRemove_.clear();
}

int TCustomFFmpeg::ChooseInputFile(const std::vector<char>& ended, const std::vector<char>& noPacket) const {
    int fileIndex = -1;
    double inputMin = 1e100;
    double outputMin = 1e100;
    for (const TOutputStream& ost : outputStreams_) {
        const TInputStream& ist = inputStreams_[ost.SourceIndex];
        if (ist.IsPastRecordingTime || noPacket[ist.FileIndex])
            continue;
        if (ost.FrameNumber >= FrameLimit(settings_, ost.Encoder->codec_type))
            return -1;
        const double inputPosition = static_cast<double>(ist.Pts) / AV_TIME_BASE;
        if (ended[ist.FileIndex])
            continue;
        if (inputPosition < inputMin) {
            inputMin = inputPosition;
            if (settings_.InputSync)
                fileIndex = ist.FileIndex;
        }
        if (ost.PositionSeconds < outputMin) {
            outputMin = ost.PositionSeconds;
            if (!settings_.InputSync)
                fileIndex = ist.FileIndex;
        }
    }
    return fileIndex;
}

void TCustomFFmpeg::AdjustPacketTimestamps(TInputFile& input, TInputStream& ist, AVPacket* pkt) {
    const AVRational tb = ist.Stream->time_base;
    const int64_t offset = av_rescale_q(input.TimestampOffset, AV_TIME_BASE_Q, tb);
    if (pkt->dts != AV_NOPTS_VALUE)
        pkt->dts += offset;
    if (pkt->pts != AV_NOPTS_VALUE)
        pkt->pts += offset;
    const double scale = ist.StreamIndex < MaxStreams ? input.TimestampScale[ist.StreamIndex] : 0.0;
    if (scale != 0.0) {
        if (pkt->dts != AV_NOPTS_VALUE)
            pkt->dts = std::llround(pkt->dts * scale);
        if (pkt->pts != AV_NOPTS_VALUE)
            pkt->pts = std::llround(pkt->pts * scale);
    }

    // A container that allows jumps in its clock: fold a jump into the input's offset.
    if (pkt->dts == AV_NOPTS_VALUE || ist.NextPts == AV_NOPTS_VALUE ||
        !(input.Context->iformat->flags & AVFMT_TS_DISCONT) || settings_.CopyTimestamps)
        return;
    const int64_t packetTime = av_rescale_q(pkt->dts, tb, AV_TIME_BASE_Q);
    const int64_t delta = packetTime - ist.NextPts;
    if (std::llabs(delta) > static_cast<int64_t>(settings_.DtsDeltaThreshold * AV_TIME_BASE) ||
        packetTime + 1 < ist.Pts) {
        input.TimestampOffset -= delta;
        const int64_t shift = av_rescale_q(delta, AV_TIME_BASE_Q, tb);
        pkt->dts -= shift;
        if (pkt->pts != AV_NOPTS_VALUE)
            pkt->pts -= shift;
        if (settings_.Verbose >= 3)
            GetLogger().LogFmt(logSender_, llVerbose, "timestamp discontinuity %d, new offset= %d",
                               static_cast<int>(delta), static_cast<int>(input.TimestampOffset));
    }
}

bool TCustomFFmpeg::ProcessPacket(int istIndex, const AVPacket* pkt, TRunControl& control) {
    TInputStream& ist = inputStreams_[istIndex];
    if (ist.NextPts == AV_NOPTS_VALUE)
        ist.NextPts = ist.Pts;
    if (pkt && pkt->dts != AV_NOPTS_VALUE)
        ist.NextPts = ist.Pts = av_rescale_q(pkt->dts, ist.Stream->time_base, AV_TIME_BASE_Q);

    if (ist.DecodingNeeded)
        return DecodeAndOutput(istIndex, pkt, control);

    // Not decoded: advance the clock by one packet's worth.
    const AVCodecParameters* par = ist.Stream->codecpar;
    ist.Pts = ist.NextPts;
    if (pkt && pkt->duration > 0)
        ist.NextPts += av_rescale_q(pkt->duration, ist.Stream->time_base, AV_TIME_BASE_Q);
    else if (par->codec_type == AVMEDIA_TYPE_AUDIO && par->sample_rate > 0 && par->frame_size > 0)
        ist.NextPts += static_cast<int64_t>(AV_TIME_BASE) * par->frame_size / par->sample_rate;
    else if (par->codec_type == AVMEDIA_TYPE_VIDEO && ist.Stream->avg_frame_rate.num)
        ist.NextPts += av_rescale_q(1, av_inv_q(ist.Stream->avg_frame_rate), AV_TIME_BASE_Q);

    if (!pkt)
        return true;
    if (settings_.RateEmulation)
        EmulateRate(ist, control);
    if (!CopiedFromHere(ist, pkt))
        return true;
    for (TOutputStream& ost : outputStreams_)
        if (ost.SourceIndex == istIndex && ost.StreamCopy)
            DoStreamCopy(ost, ist, pkt);
    return true;
}

bool TCustomFFmpeg::CopiedFromHere(const TInputStream& ist, const AVPacket* pkt) const {
    // Opened at a clip start: the seek put reading at the key frame at or before
    // it, and a copy can only begin at a key frame, so it begins there.
    if (settings_.StartTime == 0 && inputs_[ist.FileIndex].SeekedToStart)
        return true;
    // By presentation time: with B-frames the first key frame is decoded before
    // time 0, yet shown at it.
    const int64_t shown =
        pkt->pts != AV_NOPTS_VALUE ? av_rescale_q(pkt->pts, ist.Stream->time_base, AV_TIME_BASE_Q) : ist.Pts;
    return shown >= settings_.StartTime;
}

bool TCustomFFmpeg::DecodeAndOutput(int istIndex, const AVPacket* pkt, TRunControl& control) {
    TInputStream& ist = inputStreams_[istIndex];
    AVCodecContext* dec = ist.Decoder;
    if (dec->codec_type == AVMEDIA_TYPE_SUBTITLE) {
        if (!pkt)
            return true;
        AVSubtitle subtitle{};
        int got = 0;
        const int ret = avcodec_decode_subtitle2(dec, &subtitle, &got, const_cast<AVPacket*>(pkt));
        if (ret < 0)
            return false;
        if (!got)
            return true;
        struct SubtitleFree {
            AVSubtitle& S;
            ~SubtitleFree() { avsubtitle_free(&S); }
        } release{subtitle};
        if (KeepBurnedSubtitle(ist, subtitle))
            return true;
        if (ist.Pts < settings_.StartTime)
            return true;
        for (TOutputStream& ost : outputStreams_)
            if (ost.SourceIndex == istIndex && ost.EncodingNeeded)
                DoSubtitleOut(ost, ist, subtitle);
        return true;
    }

    // At the end (no packet) a failing decoder still lets the encoders give
    // out what they hold back (look-ahead, B-frames) further down.
    int ret = avcodec_send_packet(dec, pkt);
    if (ret < 0 && ret != AVERROR_EOF && ret != AVERROR(EAGAIN) && pkt)
        return false;
    AVFrame* frame = decodedFrame_.get();
    for (int frames = 0;; ++frames) {
        ret = avcodec_receive_frame(dec, frame);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            break;
        if (ret < 0 && !pkt)
            break;
        if (ret < 0)
            return false;
        if (pkt && frames == 1)
            WarnMultipleFrames(ist);
        if (frame->best_effort_timestamp != AV_NOPTS_VALUE)
            ist.Pts = av_rescale_q(frame->best_effort_timestamp, ist.Stream->time_base, AV_TIME_BASE_Q);
        else
            ist.Pts = ist.NextPts;
        if (dec->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0)
            ist.NextPts =
                ist.Pts + static_cast<int64_t>(AV_TIME_BASE) * frame->nb_samples / frame->sample_rate;
        else if (dec->codec_type == AVMEDIA_TYPE_VIDEO && ist.Stream->avg_frame_rate.num)
            ist.NextPts = ist.Pts + av_rescale_q(1 + frame->repeat_pict, av_inv_q(ist.Stream->avg_frame_rate),
                                                 AV_TIME_BASE_Q);
        OutputDecodedFrame(istIndex, frame, control);
        av_frame_unref(frame);
    }
    if (!pkt) {
        // Filters that hold pictures back (deinterlacing) give them up at the end.
        for (TOutputStream& ost : outputStreams_) {
            if (ost.SourceIndex != istIndex || !ost.FilterGraph ||
                av_buffersrc_add_frame(ost.FilterSource, nullptr) < 0)
                continue;
            while (av_buffersink_get_frame(ost.FilterSink, filteredFrame_.get()) >= 0) {
                DoVideoOut(ost, ist, filteredFrame_.get(), FilteredTime(ost, filteredFrame_.get(), ist.Pts),
                           control);
                av_frame_unref(filteredFrame_.get());
            }
        }
        for (TOutputStream& ost : outputStreams_)
            if (ost.SourceIndex == istIndex && ost.EncodingNeeded &&
                ost.Encoder->codec_type == AVMEDIA_TYPE_VIDEO)
                FlushWaitingPicture(ost, ist, control);
        FlushEncoders(istIndex);
    }
    return true;
}

void TCustomFFmpeg::WarnMultipleFrames(TInputStream& ist) {
    if (settings_.Verbose > 1 || (settings_.Verbose > 0 && !ist.ShowedMultiPacketWarning))
        GetLogger().LogFmt(logSender_, llError, "Multiple frames in a packet from stream %d",
                           ist.StreamIndex);
    ist.ShowedMultiPacketWarning = true;
}

void TCustomFFmpeg::OutputDecodedFrame(int istIndex, AVFrame* frame, TRunControl& control) {
    TInputStream& ist = inputStreams_[istIndex];
    if (!KeepBeforeRecordingEnd(settings_, ist, frame) || !KeepFromRecordingStart(settings_, ist, frame))
        return;
    if (ist.Decoder->codec_type == AVMEDIA_TYPE_VIDEO) {
        ++counters_.FrameCounter;
        frame = PreprocessVideo(ist, frame);
        BurnPictureSubtitle(ist, frame);
    }
    if (ist.Decoder->codec_type == AVMEDIA_TYPE_AUDIO && settings_.AudioVolume != 256)
        ApplyVolume(frame);
    if (settings_.RateEmulation)
        EmulateRate(ist, control);
    // Pictures before the start go on to the video outputs: the last of them is
    // the one on screen at the start.
    if (ist.Pts < settings_.StartTime && ist.Decoder->codec_type != AVMEDIA_TYPE_VIDEO)
        return;

    for (TOutputStream& ost : outputStreams_) {
        if (ost.SourceIndex != istIndex || !ost.EncodingNeeded)
            continue;
        switch (ost.Encoder->codec_type) {
        case AVMEDIA_TYPE_AUDIO:
            DoAudioOut(ost, ist, frame);
            break;
        case AVMEDIA_TYPE_VIDEO:
            if (!ost.FilterGraph) {
                DoVideoOut(ost, ist, frame, ist.Pts, control);
                break;
            }
            if (VideoFilterGraphOutdated(ost, frame))
                RebuildVideoFilterGraph(ost, ist, frame, control);
            if (av_buffersrc_write_frame(ost.FilterSource, frame) < 0)
                break;
            while (av_buffersink_get_frame(ost.FilterSink, filteredFrame_.get()) >= 0) {
                DoVideoOut(ost, ist, filteredFrame_.get(), FilteredTime(ost, filteredFrame_.get(), ist.Pts),
                           control);
                av_frame_unref(filteredFrame_.get());
            }
            break;
        case AVMEDIA_TYPE_SUBTITLE:
            break;
        default:
            throw FFmpegException("invalid codec_type");
        }
    }
}

void TCustomFFmpeg::EmulateRate(const TInputStream& ist, const TRunControl& control) const {
    for (;;) {
        const int64_t ahead = ist.Pts - (av_gettime() - ist.StartTime);
        if (ahead <= RateSlack || control.StopRequested())
            return;
        av_usleep(static_cast<unsigned>(std::min(ahead, RateWaitStep)));
    }
}

void TCustomFFmpeg::FlushEncoders(int istIndex) {
    for (TOutputStream& ost : outputStreams_) {
        if (ost.SourceIndex != istIndex || !ost.EncodingNeeded)
            continue;
        if (ost.Encoder->codec_type == AVMEDIA_TYPE_AUDIO)
            EncodeAudioFromFifo(ost, true);
        if (ost.Encoder->codec_type == AVMEDIA_TYPE_AUDIO || ost.Encoder->codec_type == AVMEDIA_TYPE_VIDEO)
            SendToEncoder(ost, nullptr);
    }
}
