// A job's output during a run: the converter writes it under a temporary name
// beside the final one ("NAME.<pid>.part.EXT", its own in every process that
// writes into the folder), and only a complete, checked file gets the final
// name, taken at that moment by a rename that replaces nothing. So a final
// name never holds half a conversion or an empty file, even after a kill, and
// an existing file the user chose to overwrite is replaced only by a good one.
#pragma once

#include "app/OutputCheck.h"
#include "engine/Records.h"

#include <optional>
#include <string>
#include <vector>

struct TStagedOutput {
    std::string Final; // the name the finished file gets
    std::string Part;  // where the converter writes
    TOutputExpectation Expected;
    bool Overwrite = false; // the final name may replace an existing file
};

// How a job's files ended.
struct TJobEnding {
    TTerminateInfo Info;               // as reported; failed when its output did not pass
    std::optional<TOutputCheck> Check; // for a job that ended by itself
    std::string Output;                // where the job's file is now; empty when there is none
};

// The name an add's check of a job opens, and removes as soon as it is open:
// "NAME.<pid>.part.EXT", this process's own.
std::string AddCheckName(const std::string& output);
// Where this process's run writes `output` until it is checked:
// "NAME.<pid>.part.EXT" (the extension last, for the muxer and players).
std::string RunPartName(const std::string& output);
// Gives the file `part` the name `finalName`: replacing a file there when
// `overwrite`, otherwise only a free name, the next "(New_N)" one when another
// writer took `finalName`. The name used; empty with `error` set on failure.
std::string PublishOutput(const std::string& part, const std::string& finalName, bool overwrite,
                          std::string& error);
// Removes the temporary files of `output` ("NAME.<pid>.part.EXT") whose
// process is gone: what a killed run left.
void RemoveDeadRunParts(const std::string& output);
// Removes the empty files that add checks of `outputs` left, in any process
// (one that ended before its run closed them).
void RemoveAddCheckFiles(const std::vector<std::string>& outputs);

// Staging for `finalName`.
TStagedOutput StageOutput(const std::string& finalName, const TOutputExpectation& expected, bool overwrite);

// The name a stopped job's file is kept under: "NAME(停止).EXT", or with
// "(New_N)" after it when that is taken. NAME is the final name without the
// "(New_N)" that the name rule may have given it.
std::string StoppedFileName(const std::string& finalName);

// After the termination report of a job that wrote `staged` (its file closed):
// a job that ended by itself has its file checked and, when it passed, moved
// to the final name; a stopped job's file is kept under StoppedFileName; what
// a failed job wrote stays under the temporary name, as the engine keeps an
// incomplete output, and the final name is left alone. Any thread.
TJobEnding FinishStagedOutput(const TStagedOutput& staged, const TTerminateInfo& info);
