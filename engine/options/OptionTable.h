// The option table: every option name the engine handles itself, with its
// handler. Unknown names go to the generic option setter.
#pragma once

#include <span>
#include <string>
#include <string_view>

class TOptionTarget;

using TOptionHandler = void (*)(TOptionTarget& target, const std::string& name, const std::string& value);

struct TOptionEntry {
    std::string_view Name;
    TOptionHandler Handler;
};

// The table, one row per option name.
std::span<const TOptionEntry> OptionTable();
// The row for `name` (exact match), or null.
const TOptionEntry* FindOption(std::string_view name);
// Runs the handler of `name`, or the generic option setter for names not in
// the table (its result is ignored). Throws FFmpegException with the option's message.
void DispatchOption(TOptionTarget& target, const std::string& name, const std::string& value);
