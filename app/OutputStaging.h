// A job's output during a run: the converter writes it under a temporary name
// beside the final one ("NAME.part.EXT"), and only a complete, checked file
// gets the final name. So the final name never holds half a conversion, and an
// existing file the user chose to overwrite is replaced only by a good one.
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
    bool Claimed = false;   // the final name is an empty file this run created to take the name
};

// How a job's files ended.
struct TJobEnding {
    TTerminateInfo Info;               // as reported; failed when its output did not pass
    std::optional<TOutputCheck> Check; // for a job that ended by itself
    std::string Output;                // where the job's file is now; empty when there is none
};

// The name an add's check of a job opens: "NAME.<pid>.part.EXT", this
// process's own, because another program may already be writing the run-time
// temporary name of the same output into the folder.
std::string AddCheckName(const std::string& output);
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
