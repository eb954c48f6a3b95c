#include "cli/TranscodeArgs.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

const char* const TranscodeUsage =
    "usage: vantoro-cli transcode [--threads N] -i INPUT [--iopt NAME=VALUE]... -o OUTPUT [--oopt "
    "NAME=VALUE]...\n"
    "                             [-i INPUT ... -o OUTPUT ...]...\n"
    "  Each -i starts a task, numbered from 1 in command-line order; the -o that follow\n"
    "  it are its outputs.\n"
    "  --iopt NAME=VALUE  an option line for the task's input (e.g. ss=5, f=mpeg)\n"
    "  --oopt NAME=VALUE  an option line for the output before it (e.g. vcodec=libx264,\n"
    "                     s=1280x720, ab=128000)\n"
    "  --threads N        run up to N tasks at once on worker threads; 0 (the default)\n"
    "                     runs them one after another\n"
    "  Ctrl-C stops the run and completes what the outputs hold so far; a second Ctrl-C\n"
    "  quits at once.\n"
    "  Exit status: 0 when every task finished, 1 when one did not, 2 for a usage\n"
    "  error, 130 when stopped by Ctrl-C.\n";

namespace {

bool parseThreadCount(const std::string& text, int& out) {
    if (text.empty() || text[0] < '0' || text[0] > '9')
        return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || value > INT_MAX)
        return false;
    out = static_cast<int>(value);
    return true;
}

} // namespace

bool ParseTranscodeArgs(const CommandArgs& args, TTranscodeArgs& out, std::string& error) {
    out = TTranscodeArgs{};
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            out.Help = true;
            return true;
        }
        if (a != "-i" && a != "-o" && a != "--iopt" && a != "--oopt" && a != "--threads") {
            error = "unexpected argument \"" + a + "\"";
            return false;
        }
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return false;
        }
        const std::string& value = args[++i];
        if (a == "--threads") {
            if (!parseThreadCount(value, out.Threads)) {
                error = "--threads takes a whole number of 0 or more, not \"" + value + "\"";
                return false;
            }
        } else if (a == "-i") {
            out.Tasks.push_back(TTranscodeTaskArgs{value, {}, {}});
        } else if (out.Tasks.empty()) {
            error = a + " before the first -i";
            return false;
        } else if (a == "--iopt") {
            out.Tasks.back().InputOptionLines.push_back(value);
        } else if (a == "-o") {
            out.Tasks.back().Outputs.push_back(TTranscodeOutputArgs{value, {}});
        } else if (out.Tasks.back().Outputs.empty()) {
            error = "--oopt before the task's first -o";
            return false;
        } else {
            out.Tasks.back().Outputs.back().OptionLines.push_back(value);
        }
    }
    if (out.Tasks.empty()) {
        error = "no input (-i)";
        return false;
    }
    return true;
}

std::string JoinOptionLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines) {
        if (!text.empty())
            text += "\r\n";
        text += line;
    }
    return text;
}
