#include "app/OutputFiles.h"

#include "engine/FormatText.h"
#include "engine/RAzidiZUV.h"
#include "media/AVProbe.h"
#include "media/LibraryPointers.h"
#include "profiles/Translation.h"

#include <algorithm>
#include <cmath>
#include <exception>

namespace {

constexpr double Microseconds = 1e6;

// Which of the kinds a check looks at hold packets.
struct TKindsWithPackets {
    bool Video = false;
    bool Audio = false;

    void Add(AVMediaType type) {
        Video = Video || type == AVMEDIA_TYPE_VIDEO;
        Audio = Audio || type == AVMEDIA_TYPE_AUDIO;
    }
    bool Cover(const TOutputExpectation& expected) const {
        return (!expected.Video || Video) && (!expected.Audio || Audio);
    }
};

// What the container tells without reading packets: a stream with index
// entries or a frame count holds packets. A header can name a stream that
// never got one (the AVI of a lost video stream keeps its stream header).
TKindsWithPackets KindsTheIndexTells(const AVFormatContext* ctx) {
    TKindsWithPackets kinds;
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        AVStream* st = ctx->streams[i];
        if (st->nb_frames > 0 || avformat_index_get_entries_count(st) > 0)
            kinds.Add(st->codecpar->codec_type);
    }
    return kinds;
}

// Reads packets until `kinds` covers `expected` (or the file ends), without
// decoding; from where the reading stands.
void ReadUntilCovered(AVFormatContext* ctx, const TOutputExpectation& expected, TKindsWithPackets& kinds) {
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return;
    while (!kinds.Cover(expected) && av_read_frame(ctx, packet.get()) >= 0) {
        kinds.Add(ctx->streams[packet->stream_index]->codecpar->codec_type);
        av_packet_unref(packet.get());
    }
}

// The end of the last packet minus the start of the first, read without
// decoding: for containers whose header only estimates the length from the
// bit rate, which says nothing about a file cut short. Notes the kinds of
// the packets on the way.
double ScannedSeconds(AVFormatContext* ctx, TKindsWithPackets& kinds) {
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return -1;
    double first = HUGE_VAL;
    double last = -HUGE_VAL;
    while (av_read_frame(ctx, packet.get()) >= 0) {
        const AVStream* st = ctx->streams[packet->stream_index];
        kinds.Add(st->codecpar->codec_type);
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

double MeasuredSeconds(TAVProbe& probe, TKindsWithPackets& kinds) {
    AVFormatContext* ctx = probe.Context();
    if (ctx->duration != AV_NOPTS_VALUE && ctx->duration > 0 &&
        ctx->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE)
        return static_cast<double>(ctx->duration) / Microseconds;
    return ScannedSeconds(ctx, kinds);
}

} // namespace

TOutputExpectation ExpectationOf(const TRAzidiZUV& converter, int taskIndex) {
    TOutputExpectation expected;
    for (const AVMediaType type : converter.OutputStreamTypes(taskIndex, 0)) {
        expected.Video = expected.Video || type == AVMEDIA_TYPE_VIDEO;
        expected.Audio = expected.Audio || type == AVMEDIA_TYPE_AUDIO;
    }
    int64_t seconds = -1; // µs
    const AVFormatContext* ic =
        converter.InputCount(taskIndex) > 0 ? converter.InputContext(taskIndex, 0) : nullptr;
    if (ic && ic->duration != AV_NOPTS_VALUE && ic->duration > 0) {
        const TInputOptions* input = converter.InputOptions(taskIndex, 0);
        const int64_t start =
            input && input->StartTime != NoTime ? std::max<int64_t>(input->StartTime, 0) : 0;
        seconds = std::max<int64_t>(ic->duration - start, 0);
    }
    if (const TOutputOptions* output = converter.OutputOptions(taskIndex, 0);
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
        check.Problem = Tr(VT_TR("输出文件无法打开：")) + e.what();
        return check;
    }
    if (!opened) {
        check.Problem = Tr(VT_TR("输出文件无法打开：")) + probe.LastError();
        return check;
    }
    if (expected.Video && probe.VideoStreamCount() <= 0) {
        check.Problem = Tr(VT_TR("输出文件缺少视频流"));
        return check;
    }
    if (expected.Audio && probe.AudioStreamCount() <= 0) {
        check.Problem = Tr(VT_TR("输出文件缺少音频流"));
        return check;
    }
    // Counted cheaply: the index first, then packets only for what it leaves
    // open (and those a scan for the duration reads anyway).
    TKindsWithPackets kinds = KindsTheIndexTells(probe.Context());
    check.MeasuredSeconds = MeasuredSeconds(probe, kinds);
    ReadUntilCovered(probe.Context(), expected, kinds);
    if (expected.Video && !kinds.Video) {
        check.Problem = Tr(VT_TR("输出文件缺少视频数据"));
        return check;
    }
    if (expected.Audio && !kinds.Audio) {
        check.Problem = Tr(VT_TR("输出文件缺少音频数据"));
        return check;
    }
    if (expected.Seconds >= 0) {
        if (check.MeasuredSeconds < 0) {
            check.Problem =
                FormatText(Tr(VT_TR("输出文件不完整：读不出时长，应为 %.1f 秒")).c_str(), expected.Seconds);
            return check;
        }
        if (!DurationMatches(check.MeasuredSeconds, expected.Seconds)) {
            check.Problem = FormatText(Tr(check.MeasuredSeconds < expected.Seconds
                                              ? VT_TR("输出文件不完整：时长 %.1f 秒，应为 %.1f 秒")
                                              : VT_TR("输出文件时长不符：时长 %.1f 秒，应为 %.1f 秒"))
                                           .c_str(),
                                       check.MeasuredSeconds, expected.Seconds);
            return check;
        }
    }
    check.Passed = true;
    return check;
}
