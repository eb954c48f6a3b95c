#include "media/ProbeFormatReport.h"

#include "media/AVProbe.h"
#include "media/DisplayRotation.h"
#include "media/LibraryPointers.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"

#include <chrono>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <string_view>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

namespace {

constexpr const char* kLineBreak = "\r\n";
constexpr int kCodecTextSize = 256;
constexpr int kAspectLimit = 1024 * 1024;
constexpr AVRational kMicroseconds{1, AV_TIME_BASE};
constexpr int64_t kSecondsPerDay = 86400;
// Days from 1899-12-30 to 1970-01-01.
constexpr int64_t kUnixEpochDays = 25569;

struct KeyName {
    std::string_view stored;
    std::string_view shown;
};

// ID3v2 frame ids (both the 2.2 and the 2.3/2.4 spelling) and their common names.
constexpr KeyName kId3v2Keys[] = {
    {"TALB", "album"},  {"TAL", "album"},      {"TCOM", "composer"},   {"TCON", "genre"},
    {"TCO", "genre"},   {"TCOP", "copyright"}, {"TDRL", "date"},       {"TENC", "encoder"},
    {"TEN", "encoder"}, {"TIT2", "title"},     {"TT2", "title"},       {"TPE1", "artist"},
    {"TP1", "artist"},  {"TPOS", "disc"},      {"TPUB", "publisher"},  {"TRCK", "track"},
    {"TRK", "track"},   {"TSOA", "albumsort"}, {"TSOP", "authorsort"}, {"TSOT", "titlesort"},
    {"TYER", "year"},   {"TLAN", "language"},
};

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int size = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0)
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    va_end(args);
    return text;
}

// The library's one-line codec description of a stream.
std::string CodecText(const AVStream* st) {
    PlainCodecContextPtr ctx(avcodec_alloc_context3(nullptr));
    if (!ctx || avcodec_parameters_to_context(ctx.get(), st->codecpar) < 0)
        return "Unknown";
    char text[kCodecTextSize] = {};
    avcodec_string(text, sizeof text, ctx.get(), 0);
    return text;
}

bool IsSet(AVRational q) {
    return q.num != 0 && q.den != 0;
}

std::string StreamLine(const AVFormatContext* ctx, unsigned index) {
    const AVStream* st = ctx->streams[index];
    const AVCodecParameters* par = st->codecpar;
    std::string line = Format("Stream #%u", index);
    if (ctx->iformat && (ctx->iformat->flags & AVFMT_SHOW_IDS))
        line += Format("[0x%x]", static_cast<unsigned>(st->id));
    if (const AVDictionaryEntry* lang = av_dict_get(st->metadata, "language", nullptr, 0))
        line += Format("(%s)", lang->value);
    int divisor = std::gcd(st->time_base.num, st->time_base.den);
    if (divisor == 0)
        divisor = 1;
    line += Format(", %d/%d", st->time_base.num / divisor, st->time_base.den / divisor);
    line += ": " + CodecText(st);

    const AVRational sar = st->sample_aspect_ratio;
    if (sar.num != 0 && av_cmp_q(sar, par->sample_aspect_ratio) != 0) {
        int darNum = 0;
        int darDen = 0;
        av_reduce(&darNum, &darDen, static_cast<int64_t>(par->width) * sar.num,
                  static_cast<int64_t>(par->height) * sar.den, kAspectLimit);
        line += Format(", PAR %d:%d DAR %d:%d", sar.num, sar.den, darNum, darDen);
    }

    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (IsSet(st->avg_frame_rate))
            line += RateText(av_q2d(st->avg_frame_rate), "fps");
        if (IsSet(st->r_frame_rate))
            line += RateText(av_q2d(st->r_frame_rate), "tbr");
        if (IsSet(st->time_base))
            line += RateText(1 / av_q2d(st->time_base), "tbn");
        // The codec's own time base, which the stream no longer carries itself.
        const AVRational codecTimeBase = av_stream_get_codec_timebase(st);
        if (IsSet(codecTimeBase))
            line += RateText(1 / av_q2d(codecTimeBase), "tbc");
    }

    const AVRational timeBase = IsSet(st->time_base) ? st->time_base : AVRational{1, 1};
    if (st->start_time != AV_NOPTS_VALUE)
        line += ", StartTime: " + SecondsText(av_rescale_q(st->start_time, timeBase, kMicroseconds));
    if (st->duration == AV_NOPTS_VALUE)
        line += ", Duration: N/A";
    else
        line += ", Duration: " + FormatDurationText(av_rescale_q(st->duration, timeBase, kMicroseconds));

    for (const auto& metadataLine : MetadataBlockLines(st->metadata, "  "))
        line += kLineBreak + metadataLine;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
        if (const int rotation = DisplayRotationDegrees(st); rotation != 0)
            line += kLineBreak + Format("  Rotation: %d degrees clockwise", rotation);
    }
    return line;
}

// Demuxers now tag programs "service_provider" and "service_name"; older files
// and other demuxers say "provider_name" and "name".
std::string ProgramTag(const AVProgram* program, const char* key, const char* olderKey) {
    return MetadataValue(program->metadata, key, MetadataValue(program->metadata, olderKey, "N/A"));
}

} // namespace

std::string ShownMetadataKey(const std::string& key) {
    for (const auto& k : kId3v2Keys) {
        if (k.stored == key)
            return std::string(k.shown);
    }
    return key;
}

std::vector<std::string> MetadataBlockLines(const AVDictionary* metadata, const std::string& indent) {
    std::vector<std::string> lines;
    const int count = av_dict_count(metadata);
    if (count == 0)
        return lines;
    if (count == 1 && av_dict_get(metadata, "language", nullptr, 0))
        return lines;
    lines.push_back(indent + "Metadata:");
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(metadata, "", entry, AV_DICT_IGNORE_SUFFIX))) {
        if (std::string_view(entry->key) == "language")
            continue;
        lines.push_back(
            Format("%s  %-16s: %s", indent.c_str(), ShownMetadataKey(entry->key).c_str(), entry->value));
    }
    return lines;
}

std::string RateText(double value, const char* unit) {
    const long long r = std::llround(value * 100);
    if (r % 100 != 0)
        return Format(", %3.2f %s", value, unit);
    if (r % (100 * 1000) != 0)
        return Format(", %1.0f %s", value, unit);
    return Format(", %1.0fk %s", value / 1000, unit);
}

std::string SecondsText(int64_t microseconds) {
    // Both parts are shown without sign, so that -0.5 s does not read "0.-500000".
    const char* sign = microseconds < 0 ? "-" : "";
    const uint64_t magnitude =
        microseconds < 0 ? 0 - static_cast<uint64_t>(microseconds) : static_cast<uint64_t>(microseconds);
    return Format("%s%llu.%06llu", sign, static_cast<unsigned long long>(magnitude / AV_TIME_BASE),
                  static_cast<unsigned long long>(magnitude % AV_TIME_BASE));
}

std::string DateTimeText(double days) {
    using namespace std::chrono;
    const int64_t totalSeconds = std::llround(days * kSecondsPerDay);
    int64_t dayCount = totalSeconds / kSecondsPerDay;
    int64_t secondOfDay = totalSeconds % kSecondsPerDay;
    if (secondOfDay < 0) {
        secondOfDay += kSecondsPerDay;
        --dayCount;
    }
    const year_month_day date{sys_days{} + std::chrono::days{dayCount - kUnixEpochDays}};
    return Format("%04d-%02u-%02u %02d:%02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                  static_cast<int>(secondOfDay % 60));
}

void TCustomAVProbe::GetFormatReport(std::string& text) {
    text.clear();
    if (!context_) {
        SetLastError(llWarning, "file not loaded.");
        return;
    }
    const AVFormatContext* ctx = context_;
    std::vector<std::string> lines;

    std::string value;
    GetFileName(value);
    lines.push_back("File Name: " + value);
    GetFormatName(value);
    lines.push_back("Format Name: " + value);
    GetFormatLongName(value);
    lines.push_back("Format Long Name: " + value);
    lines.push_back("File Size: " + FormatSizeText(fileSize_));
    if (ctx->duration == AV_NOPTS_VALUE || ctx->duration < 0)
        lines.push_back("Duration: N/A");
    else
        lines.push_back("Duration: " + FormatDurationText(ctx->duration));
    if (ctx->start_time != AV_NOPTS_VALUE && ctx->start_time >= 0)
        lines.push_back("StartTime: " + SecondsText(ctx->start_time));
    if (ctx->bit_rate < 1)
        lines.push_back("Bit Rate: N/A");
    else
        lines.push_back(Format("Bit Rate: %lld kb/s", static_cast<long long>(ctx->bit_rate / 1000)));
    if (const int64_t timestamp = CreationTimestamp(ctx); timestamp > 0)
        lines.push_back("Time Stamp: " + DateTimeText(UnixTimeToLocalDateTime(timestamp)));
    for (auto& line : MetadataBlockLines(ctx->metadata, ""))
        lines.push_back(std::move(line));

    std::vector<bool> listed(ctx->nb_streams, false);
    for (unsigned p = 0; p < ctx->nb_programs; ++p) {
        const AVProgram* program = ctx->programs[p];
        lines.push_back(Format("Program %d %s@%s", program->id,
                               ProgramTag(program, "service_provider", "provider_name").c_str(),
                               ProgramTag(program, "service_name", "name").c_str()));
        for (auto& line : MetadataBlockLines(program->metadata, "  "))
            lines.push_back(std::move(line));
        for (unsigned s = 0; s < program->nb_stream_indexes; ++s) {
            const unsigned index = program->stream_index[s];
            if (index >= ctx->nb_streams)
                continue;
            lines.push_back(StreamLine(ctx, index));
            listed[index] = true;
        }
    }
    for (unsigned i = 0; i < ctx->nb_streams; ++i) {
        if (!listed[i])
            lines.push_back(StreamLine(ctx, i));
    }

    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            text += kLineBreak;
        text += lines[i];
    }
}
