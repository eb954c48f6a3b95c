// One program per user session: a second start of the desktop program hands
// the files it was given to the running window and ends, so two windows never
// keep (and overwrite) one job list. These are the parts without a toolkit:
// where the running program listens, and what a hand-over says.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The local socket of the user's running program: in the user's runtime
// folder (`runtimeDir`, XDG_RUNTIME_DIR, private to the user) when there is
// one, else in `tempDir` under a name with the user id.
std::string InstanceSocketPath(const char* runtimeDir, unsigned userId, const std::string& tempDir);

// The message of a hand-over: each path followed by a NUL byte, then one more
// NUL byte, which ends it. Paths are never empty and hold no NUL byte.
std::string EncodeHandOver(const std::vector<std::string>& paths);
// The paths of a complete message; none while its end has not arrived.
std::optional<std::vector<std::string>> DecodeHandOver(std::string_view message);

// The command line's paths as the running program must see them: relative
// ones taken from `workingDir`, the program's working folder, not the other one's.
std::vector<std::string> AbsolutePaths(const std::vector<std::string>& paths, const std::string& workingDir);
