#include "options/OutputDefaults.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <string_view>

namespace {

// The names a line may fill the defaults with; "vfilters" counts as "vf".
constexpr std::array<std::string_view, 9> DefaultNames{"acodec", "vcodec", "scodec",   "apre", "vpre",
                                                       "spre",   "s",      "vfilters", "vf"};

const std::string Empty;

} // namespace

TOutputDefaults::TOutputDefaults(const TOutputOptions& o)
    : defaults_{{"acodec", o.AudioCodec}, {"vcodec", o.VideoCodec}, {"scodec", o.SubtitleCodec},
                {"apre", o.AudioPreset},  {"vpre", o.VideoPreset},  {"spre", o.SubtitlePreset},
                {"s", o.FrameSize},       {"vf", o.VideoFilters}} {
    for (TOptionLine& line : AllOptionLines(o.ExtOptions)) {
        if (line.Value.empty() ||
            std::find(DefaultNames.begin(), DefaultNames.end(), line.Name) == DefaultNames.end())
            continue;
        if (line.Name == "vfilters")
            line.Name = "vf";
        for (Default_& entry : defaults_)
            if (entry.Name == line.Name && entry.Value.empty())
                entry.Value = line.Value;
        entries_.push_back(std::move(line));
    }
}

const std::string& TOutputDefaults::Default(const std::string& name) const {
    for (const Default_& entry : defaults_)
        if (entry.Name == name)
            return entry.Value;
    return Empty;
}

std::string TOutputDefaults::Take(const std::string& name) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [&](const TOptionLine& line) { return line.Name == name; });
    if (found == entries_.end())
        return Default(name);
    std::string value = std::move(found->Value);
    entries_.erase(found);
    return value;
}
