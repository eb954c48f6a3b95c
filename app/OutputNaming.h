// Output file names: the "(New_N)" rule that keeps existing files, and the
// name a listed job writes at the start of a run.
#pragma once

#include "media/FileHelpers.h" // SameFile

#include <functional>
#include <string>

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
