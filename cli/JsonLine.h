// One JSON object on one line, built field by field, for the machine-readable
// output of the command line. Whatever bytes a string holds, the line stays
// valid JSON: file names on Linux need not be UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Appends `text` as a JSON string, quotes included. UTF-8 passes through;
// quotes, backslashes and control characters are escaped, and so are the C1
// controls and U+2028/U+2029, which some readers take for line ends. Every
// byte that is not part of well-formed UTF-8 becomes U+FFFD.
void AppendJsonString(std::string& out, std::string_view text);

class TJsonLine {
public:
    // Starts an object in `buffer`, cleared first; the caller keeps the buffer
    // from line to line, so a line costs no allocation once it has grown.
    explicit TJsonLine(std::string& buffer);

    TJsonLine& Text(std::string_view name, std::string_view value);
    TJsonLine& Int(std::string_view name, int64_t value);
    // At most `decimals` decimals, trailing zeros dropped; null for NaN and infinities.
    TJsonLine& Number(std::string_view name, double value, int decimals = 3);
    // The unknowns of the program's records: an empty text, a negative duration.
    TJsonLine& TextOrNull(std::string_view name, std::string_view value);
    TJsonLine& NumberOrNull(std::string_view name, double value, int decimals = 3);
    TJsonLine& Bool(std::string_view name, bool value);
    TJsonLine& Null(std::string_view name);
    // A nested object: its fields follow until EndObject.
    TJsonLine& BeginObject(std::string_view name);
    TJsonLine& EndObject();
    // Closes the object and ends the line with LF; returns the whole line.
    const std::string& Finish();

private:
    void Name(std::string_view name);

    std::string& out_;
    bool first_ = true; // no field yet in the innermost open object
};
