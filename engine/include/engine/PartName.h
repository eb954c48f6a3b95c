// The names of output files that are not complete yet. An output that fails
// half-way is kept under such a name, and a caller that moves a finished
// output into place writes it under one first.
#pragma once

#include <string>

// Marks a name as that of an incomplete file.
inline constexpr const char* IncompleteSuffix = ".part";

// The temporary name of an output that is moved to `fileName` once it is
// complete: IncompleteSuffix before the extension ("clip.part.mp4"), so the
// muxer chosen by the extension and the players that open it stay the same.
std::string PartName(const std::string& fileName);
// True for a name made by PartName.
bool IsPartName(const std::string& fileName);
