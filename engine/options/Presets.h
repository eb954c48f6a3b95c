// Encoder presets: the built-in x264 presets and preset files.
#pragma once

#include <span>
#include <string>
#include <string_view>

class TOptionTarget;

struct TOptionsPreset {
    std::string_view Name;
    std::string_view Lines; // LF-separated key=value lines
};

std::span<const TOptionsPreset> BuiltInPresets();
// Case-insensitive lookup; null when not built in.
const TOptionsPreset* FindBuiltInPreset(std::string_view name);
// Applies a preset of kind "apre", "vpre", "spre" or "fpre" (a file path).
// Throws FFmpegException with the preset messages.
void ApplyPreset(TOptionTarget& target, const std::string& kind, const std::string& value);
