// The progress report of a run: the status line and the progress event.
#include "engine/FormatText.h"
#include "media/FFmpegLogger.h"
#include "task/FFmpegTask.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/intreadwrite.h>
#include <libavutil/time.h>
}

namespace {

constexpr double NoPositionYet = static_cast<double>(NoProgressTime) / AV_TIME_BASE; // seconds
constexpr double MinimumTime = 0.01;
constexpr int HistogramDigits = 32;
constexpr double PeakSquared = 255.0 * 255.0;
// Quality statistics side data: quality (32 bits), picture type, error count,
// two reserved bytes, then one 64-bit error per plane.
constexpr size_t StatsErrorCountOffset = 5;
constexpr size_t StatsErrorsOffset = 8;

double Psnr(double normalisedError) {
    return -10.0 * std::log10(normalisedError);
}

// "PSNR=Y:.. U:.. V:.. *:.. ": of the last picture, or of all of them on the last report.
std::string PsnrText(const TOutputStream& ost, bool last) {
    const AVCodecContext* enc = ost.Encoder;
    const std::array<uint64_t, 3>& errors = last ? ost.ErrorSum : ost.LastError;
    const double pictures = last ? static_cast<double>(std::max<int64_t>(ost.FrameNumber, 1)) : 1.0;
    const char planes[] = {'Y', 'U', 'V'};
    std::string text = "PSNR=";
    double errorSum = 0.0;
    double scaleSum = 0.0;
    for (int j = 0; j < 3; ++j) {
        double scale = static_cast<double>(enc->width) * enc->height * PeakSquared * pictures;
        if (j)
            scale /= 4; // 4:2:0 chroma planes
        errorSum += static_cast<double>(errors[j]);
        scaleSum += scale;
        text += FormatText("%c:%2.2f ", planes[j], Psnr(static_cast<double>(errors[j]) / scale));
    }
    return text + FormatText("*:%2.2f ", Psnr(errorSum / scaleSum));
}

} // namespace

void TCustomFFmpeg::RecordPictureErrors(TOutputStream& ost, const uint8_t* stats, size_t size) {
    if (!stats || size < StatsErrorsOffset)
        return;
    const size_t count = std::min<size_t>(
        {stats[StatsErrorCountOffset], ost.LastError.size(), (size - StatsErrorsOffset) / sizeof(uint64_t)});
    for (size_t j = 0; j < count; ++j) {
        ost.LastError[j] = AV_RL64(stats + StatsErrorsOffset + j * sizeof(uint64_t));
        ost.ErrorSum[j] += ost.LastError[j];
    }
}

void TCustomFFmpeg::Report(int fileIndex, bool last) {
    if (outputs_.empty())
        return;
    AVFormatContext* first = outputs_[0]->Context.get();
    int64_t totalSize = 0;
    if (first->pb) {
        totalSize = avio_size(first->pb);
        if (totalSize <= 0)
            totalSize = avio_tell(first->pb);
    }

    // The run has come as far as its slowest stream. An audio or video stream
    // that has written nothing yet counts as at its start: a video encoder
    // holds its first pictures back (look-ahead) while the audio is written,
    // and a time taken from the audio alone would fall back once the first
    // picture comes. Sparse streams (subtitles) count once they have written.
    double time = NoPositionYet;
    for (const TOutputStream& ost : outputStreams_) {
        const AVMediaType type = ost.Encoder->codec_type;
        const bool waitedFor =
            ost.PacketsWritten == 0 && (type == AVMEDIA_TYPE_AUDIO || type == AVMEDIA_TYPE_VIDEO);
        if ((waitedFor || ost.PositionSeconds > 0) && ost.PositionSeconds < time)
            time = ost.PositionSeconds;
    }
    if (time < MinimumTime)
        time = MinimumTime;
    // Whatever the streams do, a run's progress only moves forward.
    if (time < NoPositionYet)
        time = counters_.ReportedSeconds = std::max(time, counters_.ReportedSeconds);

    int frameNumber = -1;
    int fps = -1;
    float quality = -1.0f;
    std::string line;
    for (const TOutputStream& ost : outputStreams_) {
        if (!ost.Active || ost.Encoder->codec_type != AVMEDIA_TYPE_VIDEO)
            continue;
        if (frameNumber < 0) {
            if (ost.FrameNumber == 0 && !last)
                return; // nothing to show before the first picture
            frameNumber = static_cast<int>(ost.FrameNumber);
            const double elapsed = static_cast<double>(av_gettime() - counters_.RunStartTime) / AV_TIME_BASE;
            fps = elapsed > 1 ? static_cast<int>(frameNumber / elapsed + 0.5) : 0;
            quality = ost.StreamCopy ? -1.0f : ost.LastQuality;
            line += FormatText("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, quality);
            if (last)
                line += "L";
            if (settings_.QpHist) {
                const long qp = std::lround(quality);
                if (qp >= 0 && qp < static_cast<long>(counters_.QpHistogram.size()))
                    ++counters_.QpHistogram[qp];
                for (int j = 0; j < HistogramDigits; ++j)
                    line += FormatText(
                        "%X", static_cast<int>(std::lround(std::log2(counters_.QpHistogram[j] + 1.0))));
            }
            if (settings_.DoPsnr && (ost.Encoder->flags & AV_CODEC_FLAG_PSNR))
                line += PsnrText(ost, last);
        } else {
            line += FormatText("q=%2.1f ", ost.StreamCopy ? -1.0f : ost.LastQuality);
        }
    }
    const double bitrate = totalSize * 8 / time / 1000.0;
    line += FormatText("size=%8.0fkB ", totalSize / 1024.0);
    // The placeholder is no time, and a bit rate over it no rate.
    line += time < NoPositionYet ? FormatText("time=%0.2f bitrate=%6.1fkbits/s", time, bitrate)
                                 : std::string("time=N/A bitrate=N/A");
    if (counters_.DupFrames || counters_.DropFrames)
        line += FormatText(" dup=%d drop=%d", counters_.DupFrames, counters_.DropFrames);

    if (OnProgress || settings_.Verbose > 0 || last) {
        if (counters_.DupDropFlag && settings_.Verbose >= 0 && OnProgress) {
            GetLogger().Log(logSender_, llVerbose, line);
            counters_.DupDropFlag = false;
        }
        if (OnProgress) {
            TProgressInfo info;
            info.FileIndex = last ? -1 : fileIndex;
            info.FrameNumber = frameNumber;
            info.FPS = fps;
            info.Quality = quality;
            info.BitRate = static_cast<float>(bitrate);
            info.TotalSize = totalSize;
            info.CurrentDuration = static_cast<int64_t>(time * AV_TIME_BASE);
            info.TotalDuration = settings_.ExpectedDuration;
            OnProgress(info);
        } else if (settings_.Verbose >= 0) {
            GetLogger().Log(logSender_, llVerbose, line);
        }
    }
    if (last && settings_.Verbose >= 0) {
        const double sum =
            static_cast<double>(counters_.VideoBytes + counters_.AudioBytes + globalHeaderBytes_);
        GetLogger().LogFmt(logSender_, llVerbose,
                           "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                           counters_.VideoBytes / 1024.0, counters_.AudioBytes / 1024.0,
                           globalHeaderBytes_ / 1024.0, sum > 0 ? (totalSize - sum) * 100.0 / sum : 0.0);
    }
}
