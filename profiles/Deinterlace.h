// Deinterlacing of a job: off, automatic (only a source found to be
// interlaced; "自动去隔行" ticked) or always. It travels to the engine as an
// option line of the output record, so the job list keeps it with the job.
#pragma once

#include <optional>
#include <string>
#include <string_view>

enum class TDeinterlace { Off, Auto, On };

// "off", "auto", "on": the command line's and the files' names.
std::string_view DeinterlaceName(TDeinterlace mode);
std::optional<TDeinterlace> DeinterlaceByName(std::string_view name);

// The engine's option line for `mode`; empty for Off (the engine's default).
std::string DeinterlaceOptionLine(TDeinterlace mode);
