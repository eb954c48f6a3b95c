// The progress report of a run: the status line and the progress event.
#include "engine/FFmpegTask.h"
#include "engine/FormatText.h"
#include "media/FFmpegLogger.h"

extern "C" {
#include <libavutil/time.h>
}

namespace {

constexpr double NoPositionYet = 1e10; // seconds
constexpr double MinimumTime = 0.01;

} // namespace

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

    double time = NoPositionYet;
    for (const TOutputStream& ost : outputStreams_)
        if (ost.PositionSeconds > 0 && ost.PositionSeconds < time)
            time = ost.PositionSeconds;
    if (time < MinimumTime)
        time = MinimumTime;

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
            const double elapsed = static_cast<double>(av_gettime() - runStartTime_) / AV_TIME_BASE;
            fps = elapsed > 1 ? static_cast<int>(frameNumber / elapsed + 0.5) : 0;
            quality = ost.StreamCopy ? -1.0f : ost.LastQuality;
            line += FormatText("frame=%5d fps=%3d q=%3.1f ", frameNumber, fps, quality);
            if (last)
                line += "L";
        } else {
            line += FormatText("q=%2.1f ", ost.StreamCopy ? -1.0f : ost.LastQuality);
        }
    }
    const double bitrate = totalSize * 8 / time / 1000.0;
    line += FormatText("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s", totalSize / 1024.0, time, bitrate);
    if (dupFrames_ || dropFrames_)
        line += FormatText(" dup=%d drop=%d", dupFrames_, dropFrames_);

    if (OnProgress || settings_.Verbose > 0 || last) {
        if (dupDropFlag_ && settings_.Verbose >= 0 && OnProgress) {
            GetLogger().Log(logSender_, llVerbose, line);
            dupDropFlag_ = false;
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
        const double sum = static_cast<double>(videoBytes_ + audioBytes_ + globalHeaderBytes_);
        GetLogger().LogFmt(logSender_, llVerbose,
                           "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead %f%%\r\n",
                           videoBytes_ / 1024.0, audioBytes_ / 1024.0, globalHeaderBytes_ / 1024.0,
                           sum > 0 ? (totalSize - sum) * 100.0 / sum : 0.0);
    }
}
