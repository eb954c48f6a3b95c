// Whole-file writes that a crash cannot leave half done: the text goes to a
// temporary file beside the target, is flushed to the disk, and replaces the
// target by a rename.
#pragma once

#include <fstream>
#include <string>

// Creates the folder when missing. False with `error` set when the file
// cannot be written; the target is then unchanged.
bool WriteFileAtomically(const std::string& fileName, const std::string& content, std::string& error);

// Removes the temporary files that writers of `fileName` killed before their
// rename left beside it.
void RemoveLeftoverTemporaries(const std::string& fileName);

// Opens a file of ours whose first line names its kind and version: `in` is
// then at the second line. False with `error` set when the file cannot be read
// or starts with another line (`notOurs` says what it is not).
bool OpenWithHeader(const std::string& fileName, const std::string& header, const std::string& notOurs,
                    std::ifstream& in, std::string& error);
