// "target": the settings of a VCD, SVCD, DVD or DV output in one option.
#pragma once

#include <string>

class TOptionTarget;

enum TTargetNorm { tnPal, tnNtsc, tnFilm };

// The frame rate text of a norm: "25", "30000/1001", "24000/1001".
const char* NormFrameRate(TTargetNorm norm);
// Resolves "pal", "ntsc", "film" as given; anything else is detected from the
// frame rate setting and the opened inputs, with `fallback` when nothing decides.
// Throws FFmpegException("frame_rate is invalid.") for a zero denominator.
TTargetNorm ResolveTargetNorm(TOptionTarget& target, const std::string& norm, const std::string& fallback);
// Applies target `type` ("vcd", "svcd", "dvd", "dv", "dv50").
void ApplyTarget(TOptionTarget& target, const std::string& type, const std::string& norm,
                 const std::string& fallback);
