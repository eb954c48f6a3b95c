#include "options/RecordOptions.h"

#include "engine/FFmpegException.h"
#include "engine/RecordFields.h"
#include "options/OptionTable.h"
#include "options/Target.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <type_traits>
#include <variant>

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

// One field of `record` as its option (RecordFields.h says which and how).
template <class R> void ApplyField(TOptionTarget& target, const TRecordField<R>& field, const R& record) {
    if (field.Kind == TFieldOption::None)
        return;
    const bool applied = std::visit(
        [&](auto member) {
            const auto& value = record.*member;
            using V = std::decay_t<decltype(value)>;
            const TFieldOption kind = field.Kind;
            if constexpr (std::is_same_v<V, std::string>) {
                if (kind == TFieldOption::Text)
                    ApplyText(target, field.Option, value);
                else if (kind == TFieldOption::Always)
                    Apply(target, field.Option, value);
                else
                    return false;
            } else if constexpr (std::is_same_v<V, bool>) {
                if (kind == TFieldOption::Flag && value)
                    Apply(target, field.Option, "1");
                else if (kind == TFieldOption::OneOrZero)
                    Apply(target, field.Option, value ? "1" : "0");
                else if (kind != TFieldOption::Flag)
                    return false;
            } else if constexpr (std::is_same_v<V, int>) {
                if (kind == TFieldOption::Positive)
                    ApplyPositive(target, field.Option, value);
                else if (kind == TFieldOption::Always || (kind == TFieldOption::NonNegative && value >= 0))
                    Apply(target, field.Option, std::to_string(value));
                else if (kind != TFieldOption::NonNegative)
                    return false;
            } else if constexpr (std::is_same_v<V, float>) {
                if (kind != TFieldOption::Positive)
                    return false;
                ApplyPositive(target, field.Option, value);
            } else if constexpr (std::is_same_v<V, int64_t>) {
                if (kind != TFieldOption::Time)
                    return false;
                if (value != NoTime)
                    Apply(target, field.Option, DurationOptionText(value));
            } else {
                return false;
            }
            return true;
        },
        field.Member);
    if (!applied)
        throw FFmpegException(std::string("record field ") + field.Name + " has no option of its kind");
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
    for (const TRecordField<TInputOptions>& field : InputRecordFields())
        ApplyField(target, field, options);
}

void ApplyOutputTarget(TOptionTarget& target, const TOutputOptions& options) {
    static const char* const Types[] = {"vcd", "svcd", "dvd"};
    if (options.TargetType < 1 || options.TargetType > 3)
        return;
    const char* norm = options.NormType == 1 ? "pal" : options.NormType == 2 ? "ntsc" : "auto";
    const char* fallback = options.DefaultNorm == 1 ? "pal" : "ntsc";
    ApplyTarget(target, Types[options.TargetType - 1], norm, fallback);
}

void ApplyOutputRecordFields(TOptionTarget& target, const TOutputOptions& options) {
    for (const TRecordField<TOutputOptions>& field : OutputRecordFields())
        ApplyField(target, field, options);
    ApplyStreamInfo(target, options.Info);
}
