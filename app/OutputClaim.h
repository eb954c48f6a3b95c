// Taking an output name for good at the moment it is chosen. Several programs
// may write into one output folder at once (a batch spread over the cores or
// machines of a farm); when each checked a name's existence and created the
// file later, two could choose the same name and the second would truncate
// the first one's file. Creating the file exclusively makes the check and the
// taking one step.
#pragma once

#include <string>

// Creates `path` as an empty file. False only when something of that name
// exists already; when the file cannot be created for another reason the name
// counts as free, and opening it for writing reports why. The engine's output
// writer removes the file again when nothing was written into it.
bool ClaimNewFile(const std::string& path);

// Removes `path` when it is an empty file: a claimed name whose job was not set up.
void ReleaseEmptyClaim(const std::string& path);
