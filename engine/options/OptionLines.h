// Option lines: the ExtOptions text of the task records, one name=value per line.
#pragma once

#include <string>
#include <utility>
#include <vector>

class TOptionTarget;

enum TOptionLineMode {
    olmInput,  // skips the names the component applies itself for an input
    olmOutput, // additionally skips "acodec", "vcodec", "scodec" and "s"
};

struct TOptionLine {
    std::string Name; // lower-cased, not trimmed
    std::string Value;
    bool operator==(const TOptionLine&) const = default;
};

// Splits at CR LF, CR, LF and the text "<CRLF>" after trimming the whole text.
// Empty lines are kept (they are harmless names without a value).
std::vector<std::string> SplitOptionText(const std::string& text);
// Every line as a name/value pair, none skipped (names lower-cased).
std::vector<TOptionLine> AllOptionLines(const std::string& text);
// All lines as name/value pairs, without the names `mode` skips.
std::vector<TOptionLine> ParseOptionLines(const std::string& text, TOptionLineMode mode);
// True when `mode` skips lines of that (lower-case) name.
bool IsSkippedOptionName(const std::string& name, TOptionLineMode mode);
// Parses and dispatches each kept line in order; FFmpegException ends it.
void ApplyOptionLines(TOptionTarget& target, const std::string& text, TOptionLineMode mode);
