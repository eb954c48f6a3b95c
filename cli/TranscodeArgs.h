// The command line of "vantoro-cli transcode": tasks made of one input and its
// outputs, each with its option lines, and the number of worker threads.
#pragma once

#include "cli/Commands.h"

#include <string>
#include <vector>

struct TTranscodeOutputArgs {
    std::string FileName;
    std::vector<std::string> OptionLines; // the --oopt values that follow its -o
};

struct TTranscodeTaskArgs {
    std::string InputFile;
    std::vector<std::string> InputOptionLines; // the --iopt values of this task
    std::vector<TTranscodeOutputArgs> Outputs; // the -o that follow its -i
};

struct TTranscodeArgs {
    int Threads = 0; // 0: one task after another on the calling thread
    bool Help = false;
    std::vector<TTranscodeTaskArgs> Tasks;
};

// The usage text, ending with a line break.
extern const char* const TranscodeUsage;

// Fills `out` from the arguments after "transcode". False on a usage error,
// with `error` saying what is wrong.
bool ParseTranscodeArgs(const CommandArgs& args, TTranscodeArgs& out, std::string& error);

// Option lines as the ExtOptions text of a task record.
std::string JoinOptionLines(const std::vector<std::string>& lines);
