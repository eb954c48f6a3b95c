#include "media/TextHelpers.h"

#include <cerrno>
#include <charconv>
#include <clocale>
#include <cstdio>
#include <ctime>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/codec_desc.h>
#include <libavutil/dict.h>
#include <libavutil/error.h>
}

namespace {

constexpr int64_t MicrosecondsPerSecond = 1000000;
constexpr int64_t KiB = 1024;
constexpr int64_t MiB = KiB * 1024;
constexpr int64_t GiB = MiB * 1024;
constexpr int64_t SecondsPerDay = 86400;
constexpr double UnixEpochAsDateTime = 25569.0; // 1970-01-01 in days since 1899-12-30
constexpr size_t CodecNameLength = 32;          // the libraries' old fixed codec-name field

struct ErrorText {
    int code;
    const char* text;
};

// Keyed by meaning: where current libraries report a condition with a code of
// their own (invalid data, end of file, unknown format or protocol), that code
// shares the text of the errno-based one.
const ErrorText ErrorTexts[] = {
    {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
    {AVERROR(EPROTONOSUPPORT), "Unsupported network protocol"},
    {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
    {AVERROR(EILSEQ), "Unknown format"},
    {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
    {AVERROR(EDOM), "Number syntax expected in filename"},
    {AVERROR(EPIPE), "End of file"},
    {AVERROR_EOF, "End of file"},
    {AVERROR(EINVAL), "Invalid data found when processing input"},
    {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
    {AVERROR(ENOMEM), "Not enough memory"},
    {AVERROR(EIO), "I/O error"},
    {AVERROR(ENOENT), "No such file or directory"},
};

const char* const StreamTypeNames[] = {"Video", "Audio", "Data", "Subtitle", "Attachment"};

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

// Two decimals with the decimal separator of the current locale; the number itself
// is always formatted the same way, whatever LC_NUMERIC says.
std::string twoDecimals(double value, const char* unit) {
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, 2);
    std::string text(digits, result.ptr);
    const std::lconv* conv = std::localeconv();
    const char* separator = conv && conv->decimal_point && *conv->decimal_point ? conv->decimal_point : ".";
    if (const auto dot = text.find('.'); dot != std::string::npos)
        text.replace(dot, 1, separator);
    return text + " " + unit;
}

// Codes made from a system error number are small negatives; the libraries'
// own codes are tags far below them.
constexpr int SmallestSystemCode = -65535;

bool printable(uint32_t byte) {
    return byte >= 32 && byte <= 126;
}

} // namespace

std::string LibraryErrorText(const std::string& fileName, int code) {
    for (const ErrorText& entry : ErrorTexts) {
        if (entry.code == code)
            return fileName + ": " + entry.text;
    }
    char text[AV_ERROR_MAX_STRING_SIZE * 2];
    // A full disk or a denied permission reads better in the system's words than as a number.
    if (code < 0 && code >= SmallestSystemCode && av_strerror(code, text, sizeof text) == 0)
        return fileName + ": " + text;
    std::snprintf(text, sizeof text, "Error number %d occurred", code);
    return fileName + ": " + text;
}

std::string FormatDurationText(int64_t microseconds) {
    if (microseconds == AV_NOPTS_VALUE)
        return "N/A";
    // A time before zero (a negative start time) reads as one signed value, not as
    // a sign repeated in every field.
    if (microseconds < 0)
        return "-" + FormatDurationText(-microseconds);
    const int64_t seconds = microseconds / MicrosecondsPerSecond;
    const long long hours = seconds / 3600;
    const long long minutes = seconds / 60 % 60;
    const long long secs = seconds % 60;
    const long long millis = microseconds % MicrosecondsPerSecond * 1000 / MicrosecondsPerSecond;
    char text[64];
    std::snprintf(text, sizeof text, "%.2lld:%.2lld:%.2lld.%.3lld", hours, minutes, secs, millis);
    return text;
}

std::string FormatSizeText(int64_t bytes) {
    if (bytes > GiB)
        return twoDecimals(static_cast<double>(bytes) / GiB, "GB");
    if (bytes > MiB)
        return twoDecimals(static_cast<double>(bytes) / MiB, "MB");
    if (bytes > KiB)
        return twoDecimals(static_cast<double>(bytes) / KiB, "KB");
    return std::to_string(bytes) + " Byte";
}

double UnixTimeToLocalDateTime(int64_t seconds) {
    // `timezone` is the standard (not daylight saving) offset, in seconds west of UTC.
    tzset();
    const double localSeconds = static_cast<double>(seconds) - static_cast<double>(timezone);
    return localSeconds / SecondsPerDay + UnixEpochAsDateTime;
}

std::string CodecDisplayName(AVCodecID id, uint32_t codecTag, const std::string& codecName, bool encoder) {
    if (const AVCodec* codec = encoder ? avcodec_find_encoder(id) : avcodec_find_decoder(id)) {
        const std::string longName = codec->long_name ? trimmed(codec->long_name) : std::string();
        if (longName.empty())
            return codec->name;
        return std::string(codec->name) + "(" + codec->long_name + ")";
    }
    if (id == AV_CODEC_ID_MPEG2TS)
        return "mpeg2ts";
    if (std::string name = trimmed(codecName.substr(0, CodecNameLength)); !name.empty())
        return name;
    const uint32_t bytes[4] = {codecTag & 0xff, (codecTag >> 8) & 0xff, (codecTag >> 16) & 0xff,
                               codecTag >> 24};
    char text[32];
    if (printable(bytes[0]) && printable(bytes[1]) && printable(bytes[2]) && printable(bytes[3])) {
        std::snprintf(text, sizeof text, "%c%c%c%c / 0x%04X", static_cast<char>(bytes[0]),
                      static_cast<char>(bytes[1]), static_cast<char>(bytes[2]), static_cast<char>(bytes[3]),
                      codecTag);
    } else {
        std::snprintf(text, sizeof text, "0x%04x", codecTag);
    }
    return text;
}

std::string CodecDisplayName(const AVCodecParameters* par, bool encoder) {
    // The descriptor's name stands for the codec name a demuxer used to fill in;
    // ids without a descriptor fall through to the tag.
    const AVCodecDescriptor* descriptor = avcodec_descriptor_get(par->codec_id);
    return CodecDisplayName(par->codec_id, par->codec_tag, descriptor ? descriptor->name : "", encoder);
}

std::string StreamTypeName(int mediaType) {
    if (mediaType >= 0 && mediaType < static_cast<int>(std::size(StreamTypeNames)))
        return StreamTypeNames[mediaType];
    return "Unknown";
}

std::string MetadataValue(const AVDictionary* metadata, const std::string& key, const std::string& fallback) {
    if (const AVDictionaryEntry* entry = av_dict_get(metadata, key.c_str(), nullptr, 0))
        return entry->value;
    return fallback;
}
