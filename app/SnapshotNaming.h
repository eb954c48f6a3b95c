// Names of snapshot files: the source's file name without its extension,
// "_" and a running number, in the snapshot folder.
#pragma once

#include <string>
#include <string_view>

// folder/base_N.ext for the source file `sourceFile` (any folder, any extension).
std::string SnapshotFileName(const std::string& folder, const std::string& sourceFile, int number,
                             std::string_view extension);
