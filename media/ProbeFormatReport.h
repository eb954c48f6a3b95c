// Pieces of the probe's format report that do not need an open file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct AVDictionary;

// The name a metadata key is shown under: ID3v2 frame ids become their common
// names ("TPE1" -> "artist"); any other key is shown as it is.
std::string ShownMetadataKey(const std::string& key);
// The metadata lines with `indent`: nothing when there is no metadata or its
// only entry is "language"; else "Metadata:" and one line per other entry.
std::vector<std::string> MetadataBlockLines(const AVDictionary* metadata, const std::string& indent);
// ", 25 fps", ", 29.97 fps", ", 90k tbn": the rate `value` with `unit`, shown with
// two decimals unless whole, and in thousands when a whole multiple of 1000.
std::string RateText(double value, const char* unit);
// "S.uuuuuu" from microseconds, with a leading "-" for negative times.
std::string SecondsText(int64_t microseconds);
// "yyyy-mm-dd hh:nn:ss" of a date-time counted in days since 1899-12-30.
std::string DateTimeText(double days);
