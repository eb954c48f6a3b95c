#include "options/RecordOptions.h"

#include "options/OptionTable.h"
#include "options/Target.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

constexpr double UnixEpochAsDateTime = 25569.0; // 1970-01-01 in days since 1899-12-30
constexpr double SecondsPerDay = 86400.0;
constexpr int64_t MicrosecondsPerSecond = 1000000;

void Apply(TOptionTarget& target, const char* name, const std::string& value) {
    DispatchOption(target, name, value);
}

void ApplyPositive(TOptionTarget& target, const char* name, int value) {
    if (value > 0)
        Apply(target, name, std::to_string(value));
}

void ApplyPositive(TOptionTarget& target, const char* name, float value) {
    if (value > 0.0f) {
        char text[32];
        std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
        Apply(target, name, text);
    }
}

void ApplyText(TOptionTarget& target, const char* name, const std::string& value) {
    if (!value.empty())
        Apply(target, name, value);
}

void ApplyMetadata(TOptionTarget& target, const char* key, const std::string& value) {
    if (!value.empty())
        Apply(target, "metadata", std::string(key) + "=" + value);
}

// "YYYY-MM-DD HH:MM:SSZ", which the date parser reads as UTC.
std::string UtcDateText(int64_t seconds) {
    const std::time_t time = static_cast<std::time_t>(seconds);
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &utc);
    return text;
}

void ApplyStreamInfo(TOptionTarget& target, const TStreamInfo& info) {
    if (info.TimeStamp == 0.0)
        Apply(target, "timestamp", "now");
    else if (info.TimeStamp > 0.0)
        Apply(target, "timestamp", UtcDateText(DateTimeToUnixSeconds(info.TimeStamp)));
    if (info.Year > 0)
        Apply(target, "metadata", "year=" + std::to_string(info.Year));
    if (info.Track > 0)
        Apply(target, "metadata", "track=" + std::to_string(info.Track));
    ApplyMetadata(target, "title", info.Title);
    ApplyMetadata(target, "author", info.Author);
    ApplyMetadata(target, "copyright", info.Copyright);
    ApplyMetadata(target, "comment", info.Comment);
    ApplyMetadata(target, "album", info.Album);
    ApplyMetadata(target, "genre", info.Genre);
}

} // namespace

std::string DurationOptionText(int64_t microseconds) {
    const char* sign = microseconds < 0 ? "-" : "";
    // Through unsigned, so the smallest value has a magnitude too.
    const uint64_t magnitude =
        microseconds < 0 ? 0 - static_cast<uint64_t>(microseconds) : static_cast<uint64_t>(microseconds);
    char text[48];
    std::snprintf(text, sizeof text, "%s%" PRIu64 ".%06" PRIu64, sign, magnitude / MicrosecondsPerSecond,
                  magnitude % MicrosecondsPerSecond);
    return text;
}

int64_t DateTimeToUnixSeconds(double dateTime) {
    // `timezone` is the standard-time bias in seconds west of UTC (UTC minus local).
    tzset();
    const double biasDays = static_cast<double>(timezone) / SecondsPerDay;
    return std::llround((dateTime - UnixEpochAsDateTime + biasDays) * SecondsPerDay);
}

void ApplyInputRecordFields(TOptionTarget& target, const TInputOptions& options) {
    ApplyText(target, "f", options.FileFormat);
    if (options.StartTime != NoTime)
        Apply(target, "ss", DurationOptionText(options.StartTime));
    if (options.ProgramID >= 0)
        Apply(target, "programid", std::to_string(options.ProgramID));
}

void ApplyOutputTarget(TOptionTarget& target, const TOutputOptions& options) {
    static const char* const Types[] = {"vcd", "svcd", "dvd"};
    if (options.TargetType < 1 || options.TargetType > 3)
        return;
    const char* norm = options.NormType == 1 ? "pal" : options.NormType == 2 ? "ntsc" : "auto";
    const char* fallback = options.DefaultNorm == 1 ? "pal" : "ntsc";
    ApplyTarget(target, Types[options.TargetType - 1], norm, fallback);
}

void ApplyOutputRecordFields(TOptionTarget& target, const TOutputOptions& o) {
    ApplyText(target, "f", o.FileFormat);
    ApplyPositive(target, "packetsize", o.PacketSize);
    ApplyPositive(target, "muxrate", o.MuxRate);
    ApplyPositive(target, "muxdelay", o.MuxMaxDelay);
    ApplyPositive(target, "muxpreload", o.MuxPreload);
    if (o.DisableAudio)
        Apply(target, "an", "1");
    if (o.AudioVolume >= 0)
        Apply(target, "vol", std::to_string(o.AudioVolume));
    ApplyPositive(target, "ac", o.AudioChannels);
    ApplyPositive(target, "ar", o.AudioSampleRate);
    ApplyPositive(target, "ab", o.AudioBitrate);
    ApplyPositive(target, "abt", o.AudioBitrateTolerance);
    Apply(target, "alang", o.AudioLanguage);
    Apply(target, "async", std::to_string(o.AudioSyncMethod));
    ApplyText(target, "atag", o.AudioTag);
    if (o.DisableVideo)
        Apply(target, "vn", "1");
    ApplyText(target, "r", o.FrameRate);
    ApplyText(target, "aspect", o.FrameAspectRatio);
    ApplyPositive(target, "croptop", o.CropTop);
    ApplyPositive(target, "cropbottom", o.CropBottom);
    ApplyPositive(target, "cropleft", o.CropLeft);
    ApplyPositive(target, "cropright", o.CropRight);
    ApplyPositive(target, "g", o.GOPSize);
    ApplyPositive(target, "vb", o.VideoBitrate);
    ApplyPositive(target, "maxrate", o.VideoMaxRate);
    ApplyPositive(target, "minrate", o.VideoMinRate);
    ApplyPositive(target, "bt", o.VideoBitrateTolerance);
    ApplyPositive(target, "bufsize", o.VideoBufferSize);
    Apply(target, "vsync", std::to_string(o.VideoSyncMethod));
    ApplyText(target, "vtag", o.VideoTag);
    Apply(target, "vlang", o.VideoLanguage);
    if (o.DisableSubtitle)
        Apply(target, "sn", "1");
    Apply(target, "slang", o.SubtitleLanguage);
    Apply(target, "isync", o.InputSync ? "1" : "0");
    if (o.CopyTimestamps)
        Apply(target, "copyts", "1");
    if (o.StartTime != NoTime)
        Apply(target, "ss", DurationOptionText(o.StartTime));
    if (o.Duration != NoTime)
        Apply(target, "t", DurationOptionText(o.Duration));
    ApplyStreamInfo(target, o.Info);
}
