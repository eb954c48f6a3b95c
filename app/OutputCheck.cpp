#include "app/OutputCheck.h"

#include "engine/FFmpegTaskList.h"
#include "engine/FormatText.h"
#include "media/AVProbe.h"
#include "media/LibraryPointers.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace {

constexpr double Microseconds = 1e6;

// The end of the last packet minus the start of the first, read without
// decoding: for containers whose header only estimates the length from the
// bit rate, which says nothing about a file cut short.
double ScannedSeconds(AVFormatContext* ctx) {
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return -1;
    double first = HUGE_VAL;
    double last = -HUGE_VAL;
    while (av_read_frame(ctx, packet.get()) >= 0) {
        const AVStream* st = ctx->streams[packet->stream_index];
        const int64_t pts = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
        if (pts != AV_NOPTS_VALUE) {
            const double tb = av_q2d(st->time_base);
            first = std::min(first, static_cast<double>(pts) * tb);
            last = std::max(last, static_cast<double>(pts + std::max<int64_t>(packet->duration, 0)) * tb);
        }
        av_packet_unref(packet.get());
    }
    return last > first ? last - first : -1;
}

double MeasuredSeconds(TAVProbe& probe) {
    AVFormatContext* ctx = probe.Context();
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0 &&
        ctx->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
        return static_cast<double>(ctx->duration) / Microseconds;
    return ScannedSeconds(ctx);
}

} // namespace

TOutputExpectation ExpectationOf(const TFFmpeg& task) {
    TOutputExpectation expected;
    if (task.OpenedOutputCount() > 0) {
        const AVFormatContext* oc = task.OutputContext(0);
        for (unsigned i = 0; i < oc->nb_streams; ++i) {
            const AVMediaType type = oc->streams[i]->codecpar->codec_type;
            expected.Video = expected.Video || type == AVMEDIA_TYPE_VIDEO;
            expected.Audio = expected.Audio || type == AVMEDIA_TYPE_AUDIO;
        }
    }
    int64_t seconds = -1; // µs
    if (task.OpenedInputCount() > 0) {
        const AVFormatContext* ic = task.InputContext(0);
        if (ic->duration != AV_NOPTS_VALUE && ic->duration > 0) {
            const TInputOptions* input = task.InputOptions(0);
            const int64_t start =
                input && input->StartTime != NoTime ? std::max<int64_t>(input->StartTime, 0) : 0;
            seconds = std::max<int64_t>(ic->duration - start, 0);
        }
    }
    if (const TOutputOptions* output = task.OutputOptions(0);
        output && output->Duration != NoTime && output->Duration > 0)
        seconds = seconds < 0 ? output->Duration : std::min(seconds, output->Duration);
    expected.Seconds = seconds < 0 ? -1 : static_cast<double>(seconds) / Microseconds;
    return expected;
}

bool DurationMatches(double measured, double expected) {
    return std::fabs(measured - expected) <= std::max(1.0, expected * 0.02);
}

TOutputCheck CheckOutputFile(const std::string& file, const TOutputExpectation& expected) {
    TOutputCheck check;
    check.ExpectedSeconds = expected.Seconds;
    TAVProbe probe;
    bool opened = false;
    try {
        opened = probe.Open(file, "");
    } catch (const std::exception& e) {
        check.Problem = std::string("输出文件无法打开：") + e.what();
        return check;
    }
    if (!opened) {
        check.Problem = "输出文件无法打开：" + probe.LastError();
        return check;
    }
    if (expected.Video && probe.VideoStreamCount() <= 0) {
        check.Problem = "输出文件缺少视频流";
        return check;
    }
    if (expected.Audio && probe.AudioStreamCount() <= 0) {
        check.Problem = "输出文件缺少音频流";
        return check;
    }
    check.MeasuredSeconds = MeasuredSeconds(probe);
    if (expected.Seconds >= 0) {
        if (check.MeasuredSeconds < 0) {
            check.Problem = FormatText("输出文件不完整：读不出时长，应为 %.1f 秒", expected.Seconds);
            return check;
        }
        if (!DurationMatches(check.MeasuredSeconds, expected.Seconds)) {
            check.Problem = FormatText(check.MeasuredSeconds < expected.Seconds
                                           ? "输出文件不完整：时长 %.1f 秒，应为 %.1f 秒"
                                           : "输出文件时长不符：时长 %.1f 秒，应为 %.1f 秒",
                                       check.MeasuredSeconds, expected.Seconds);
            return check;
        }
    }
    check.Passed = true;
    return check;
}
