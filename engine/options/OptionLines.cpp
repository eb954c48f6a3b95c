#include "options/OptionLines.h"

#include "options/OptionTable.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

// Taken from the lines by the component itself (extra streams, presets, filters).
constexpr std::array<std::string_view, 8> SkippedInBothModes{"newvideo", "newaudio", "newsubtitle", "apre",
                                                             "vpre",     "spre",     "vfilters",    "vf"};
// The component also takes the codecs and the frame size of an output from its lines.
constexpr std::array<std::string_view, 4> SkippedInOutputMode{"acodec", "vcodec", "scodec", "s"};

constexpr std::string_view LineBreakText = "<CRLF>";

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::string TrimText(const std::string& text) {
    auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace

std::vector<std::string> SplitOptionText(const std::string& text) {
    const std::string trimmed = TrimText(text);
    std::vector<std::string> lines;
    if (trimmed.empty()) {
        return lines;
    }
    std::string line;
    for (size_t i = 0; i < trimmed.size(); ++i) {
        const char c = trimmed[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < trimmed.size() && trimmed[i + 1] == '\n') {
                ++i;
            }
            lines.push_back(std::move(line));
            line.clear();
        } else if (c == '<' && std::string_view(trimmed).substr(i, LineBreakText.size()) == LineBreakText) {
            i += LineBreakText.size() - 1;
            lines.push_back(std::move(line));
            line.clear();
        } else {
            line += c;
        }
    }
    lines.push_back(std::move(line));
    return lines;
}

bool IsSkippedOptionName(const std::string& name, TOptionLineMode mode) {
    if (std::find(SkippedInBothModes.begin(), SkippedInBothModes.end(), name) != SkippedInBothModes.end()) {
        return true;
    }
    return mode == olmOutput && std::find(SkippedInOutputMode.begin(), SkippedInOutputMode.end(), name) !=
                                    SkippedInOutputMode.end();
}

std::vector<TOptionLine> AllOptionLines(const std::string& text) {
    std::vector<TOptionLine> lines;
    for (const std::string& line : SplitOptionText(text)) {
        const size_t equals = line.find('=');
        TOptionLine option;
        option.Name = line.substr(0, equals);
        std::transform(option.Name.begin(), option.Name.end(), option.Name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (equals != std::string::npos)
            option.Value = line.substr(equals + 1);
        lines.push_back(std::move(option));
    }
    return lines;
}

std::vector<TOptionLine> ParseOptionLines(const std::string& text, TOptionLineMode mode) {
    std::vector<TOptionLine> lines = AllOptionLines(text);
    std::erase_if(lines, [mode](const TOptionLine& line) { return IsSkippedOptionName(line.Name, mode); });
    return lines;
}

void ApplyOptionLines(TOptionTarget& target, const std::string& text, TOptionLineMode mode) {
    for (const TOptionLine& option : ParseOptionLines(text, mode)) {
        DispatchOption(target, option.Name, option.Value);
    }
}
