// The output files of the job list, from the name a job gets to the file that
// holds a finished conversion. The converter writes to whatever name it is
// given; this protocol decides which names those are:
//
//   naming     the "(New_N)" rule that keeps existing files, the name a listed
//              job writes at the start of a run, the "(停止)" name of a stopped
//              job's file;
//   claim      taking a name for good by creating the file exclusively;
//   staging    a job writes under a temporary name beside the final one
//              ("NAME.<pid>.part.EXT", its own in every process that writes into
//              the folder), so a final name never holds half a conversion or an
//              empty file, even after a kill;
//   check      a finished job's file opens, holds what was converted and lasts
//              as long;
//   publish    only a checked file gets the final name, by a rename that
//              replaces nothing (unless the user chose to overwrite);
//   clean-up   what a killed run or an add's check left is removed at the next
//              start or run.
#pragma once

#include "app/MainView.h" // TOutputCheck
#include "engine/Records.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TRAzidiZUV;

// --- naming -----------------------------------------------------------------

// Whether a path is taken: an existing file, or a name another job of the
// same run already writes.
using TNameTaken = std::function<bool(const std::string& path)>;

// True when a file, folder or link (also one to nowhere) of that path exists.
bool PathExists(const std::string& path);

// `candidate` unchanged when it is free or `overwrite` is set; otherwise
// base + "(New_N)" + ext with the first free N from 1; empty when every N up
// to MaxNewNumber is taken (a predicate that takes every name would never end).
inline constexpr int MaxNewNumber = 100000;
std::string UniqueOutputName(const std::string& candidate, bool overwrite,
                             const TNameTaken& taken = PathExists);

// Why UniqueOutputName found no name for `candidate`.
std::string NoFreeNameMessage(const std::string& candidate);

// The name a job writes at the start of a run: `outputFolder` + "/" + the name
// part of `listedName`, with a "(New_..." suffix from the add dropped, then the
// "(New_N)" rule applied again against `taken`: a file that appeared since the
// add is kept unless the caller's predicate lets it be overwritten. Empty as
// UniqueOutputName.
std::string StartOutputName(const std::string& outputFolder, const std::string& listedName,
                            const TNameTaken& taken);

// The name a stopped job's file is kept under: "NAME(停止).EXT", or with
// "(New_N)" after it when that is taken. NAME is the final name without the
// "(New_N)" that the name rule may have given it.
std::string StoppedFileName(const std::string& finalName);

// --- claim ------------------------------------------------------------------
// Several programs may write into one output folder at once (a batch spread
// over the cores or machines of a farm); when each checked a name's existence
// and created the file later, two could choose the same name and the second
// would truncate the first one's file. Creating the file exclusively makes the
// check and the taking one step.

// Creates `path` as an empty file. False only when something of that name
// exists already; when the file cannot be created for another reason the name
// counts as free, and opening it for writing reports why. The converter
// removes the file again when nothing was written into it.
bool ClaimNewFile(const std::string& path);

// Removes `path` when it is an empty file: a claimed name whose job was not set up.
void ReleaseEmptyClaim(const std::string& path);

// --- temporary names --------------------------------------------------------

// ".part" before the extension of the file name ("clip.part.mp4"; "clip.part"
// without one), so the muxer chosen by the extension and the players that open
// it stay the same. The form earlier versions wrote a run's output under.
std::string PartName(const std::string& fileName);
// True for a name that says its file is unfinished: one made by PartName (also
// with a process id before the mark), or a name ending in ".part" (what the
// converter keeps a failed file of other callers under).
bool IsPartName(const std::string& fileName);

// The name an add's check of a job opens, and removes as soon as it is open:
// "NAME.<pid>.part.EXT", this process's own.
std::string AddCheckName(const std::string& output);
// Where this process's run writes `output` until it is checked:
// "NAME.<pid>.part.EXT" (the extension last, for the muxer and players). A
// NAME too long for that to fit in a folder entry is shortened there.
std::string RunPartName(const std::string& output);

// --- check ------------------------------------------------------------------

// What a job's output must hold.
struct TOutputExpectation {
    bool Video = false;
    bool Audio = false;
    double Seconds = -1; // what was converted; -1 when the source tells no duration
};

// Read from a task whose output is set: the stream kinds its output was given
// (the profile's, less what the source lacks or the profile drops) and the
// source's duration from the clip's start, cut to the clip's length.
TOutputExpectation ExpectationOf(const TRAzidiZUV& converter, int taskIndex);

// Within max(1 s, 2 %) of `expected`.
bool DurationMatches(double measured, double expected);

// Probes `file` and compares it with `expected`; any thread. Packets are read
// only where the container's index leaves it open whether a stream holds any,
// or where its duration is only an estimate.
TOutputCheck CheckOutputFile(const std::string& file, const TOutputExpectation& expected);

// --- staging, publish and a job's end ---------------------------------------

struct TStagedOutput {
    std::string Final; // the name the finished file gets
    std::string Part;  // where the converter writes
    TOutputExpectation Expected;
    bool Overwrite = false; // the final name may replace an existing file
};

// Staging for `finalName`.
TStagedOutput StageOutput(const std::string& finalName, const TOutputExpectation& expected, bool overwrite);

// Gives the file `part` the name `finalName`: replacing a file there when
// `overwrite`, otherwise only a free name, the next "(New_N)" one when another
// writer took `finalName`. The name used; empty with `error` set on failure.
std::string PublishOutput(const std::string& part, const std::string& finalName, bool overwrite,
                          std::string& error);

// How a job's files ended.
struct TJobEnding {
    TTerminateInfo Info;               // as reported; failed when its output did not pass
    std::optional<TOutputCheck> Check; // for a job that ended by itself
    std::string Output;                // where the job's file is now; empty when there is none
};

// After the termination report of a job that wrote `staged` (its file closed):
// a job that ended by itself has its file checked and, when it passed, moved
// to the final name; a stopped job's file is kept under StoppedFileName; what
// a failed job wrote stays under the temporary name, and the final name is
// left alone. Any thread.
TJobEnding FinishStagedOutput(const TStagedOutput& staged, const TTerminateInfo& info);

// --- clean-up ---------------------------------------------------------------

// Removes the temporary files of `output` ("NAME.<pid>.part.EXT") whose
// process is gone: what a killed run left.
void RemoveDeadRunParts(const std::string& output);
// Everything a run of `output` that never ended may have left: the temporary
// files of dead processes, and what earlier versions left (their one temporary
// name, PartName, and the empty file that took the final name for the run).
void RemoveUnfinishedRun(const std::string& output);
// Removes the empty files that add checks of `outputs` left, in any process
// (one that ended before its run closed them).
void RemoveAddCheckFiles(const std::vector<std::string>& outputs);
