// Texts shared by the probe, the engine, the player and the application.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
}

struct AVCodecParameters;
struct AVDictionary;

// file name + ": " + the text for a library error code.
std::string LibraryErrorText(const std::string& fileName, int code);
// "HH:MM:SS.mmm" from microseconds; "N/A" for AV_NOPTS_VALUE.
std::string FormatDurationText(int64_t microseconds);
// "1.00 KB", "1024 Byte", ...
std::string FormatSizeText(int64_t bytes);
// Days since 1899-12-30 in local standard time (no daylight saving).
double UnixTimeToLocalDateTime(int64_t seconds);
// Short name with the long name in brackets; falls back to the codec name or tag.
std::string CodecDisplayName(AVCodecID id, uint32_t codecTag, const std::string& codecName, bool encoder);
std::string CodecDisplayName(const AVCodecParameters* par, bool encoder);
// "Video", "Audio", "Data", "Subtitle", "Attachment", "Unknown".
std::string StreamTypeName(int mediaType);
std::string MetadataValue(const AVDictionary* metadata, const std::string& key, const std::string& fallback);
