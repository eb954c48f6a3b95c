// The fields of the task records applied as engine options, in the order the
// converter component uses. Each raises FFmpegException as the option does.
#pragma once

#include "engine/Records.h"

#include <cstdint>
#include <string>

class TOptionTarget;

// FileFormat ("f"), StartTime ("ss", unless NoTime) and ProgramID ("programid", when >= 0).
void ApplyInputRecordFields(TOptionTarget& target, const TInputOptions& options);
// The output fields from FileFormat to Info in record order, without the codec,
// preset, FrameSize and VideoFilters fields (the component takes those from its
// default list).
void ApplyOutputRecordFields(TOptionTarget& target, const TOutputOptions& options);
// The "target" option for TargetType 1 to 3 with NormType and DefaultNorm; nothing otherwise.
void ApplyOutputTarget(TOptionTarget& target, const TOutputOptions& options);

// Microseconds as the duration text the time options read ("-1.500000").
std::string DurationOptionText(int64_t microseconds);
// A date-time (days since 1899-12-30, local standard time) as seconds since
// 1970-01-01 UTC.
int64_t DateTimeToUnixSeconds(double dateTime);
