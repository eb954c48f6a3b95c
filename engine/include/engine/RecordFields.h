// The fields of the task records, once: their names (what the job list file
// keys them by), their members, and the option each one stands for when the
// converter component applies a record (RecordOptions.h). Adding a field to a
// record means adding it here, and both follow.
#pragma once

#include "engine/Records.h"

#include <cstdint>
#include <span>
#include <string>
#include <variant>

template <class R>
using TRecordMember =
    std::variant<std::string R::*, int R::*, int64_t R::*, bool R::*, float R::*, double R::*>;

// How a field becomes its option.
enum class TFieldOption {
    None,        // no option of its own: names, reserved fields, what the component takes elsewhere
    Text,        // the text, when not empty
    Always,      // the value, always (a number in decimal, a text even when empty)
    Positive,    // the number, when above 0
    NonNegative, // the number, when 0 or above
    Flag,        // "1", when true
    OneOrZero,   // "1" or "0"
    Time,        // µs as a duration text, unless NoTime
};

template <class R> struct TRecordField {
    const char* Name;
    TRecordMember<R> Member;
    const char* Option = nullptr;
    TFieldOption Kind = TFieldOption::None;
};

// In record order. The output's Info is a record of its own (InfoRecordFields),
// whose fields become metadata and the timestamp.
std::span<const TRecordField<TInputOptions>> InputRecordFields();
std::span<const TRecordField<TOutputOptions>> OutputRecordFields();
std::span<const TRecordField<TStreamInfo>> InfoRecordFields();
