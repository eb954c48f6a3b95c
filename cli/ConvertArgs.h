// The command line of "vantoro-cli convert": a profile, list picks, filters, a
// clip range, the output rules and the source files.
#pragma once

#include "app/RunChoices.h"
#include "cli/Commands.h"
#include "profiles/JobRequest.h"

#include <string>
#include <vector>

struct TConvertArgs {
    TJobRequest Request;    // profile, picks, filters, clip; the sources are Files
    std::string OwnProfile; // --profile NAME: a profile of the user's own; empty: Request's id
    std::string OutputDir;  // empty: the settings' output folder
    bool Overwrite = false;
    int Parallel = 0; // 0: the number of processor cores, at most MaxParallelJobs
    TCompletionAction Then = caNothing;
    bool Verbose = false;
    bool Json = false;        // JSON lines on standard output instead of bars and names
    std::string SettingsFile; // empty: the program's own settings file
    bool Help = false;
    std::vector<std::string> Files;
};

extern const char* const ConvertUsage;

// Fills `out` from the arguments after "convert". False on a usage error, with
// `error` saying what is wrong.
bool ParseConvertArgs(const CommandArgs& args, TConvertArgs& out, std::string& error);
