// Files the program ships beside itself (the help page, the camera sound).
// A build folder holds them next to the binaries; an installed program finds
// them in PREFIX/share/vantoro, beside PREFIX/bin.
#pragma once

#include <string>

// `relative` under `programFolder` when it is there, else under the installed
// data folder when it is there; otherwise the first, so a message about a
// missing file names the place one would look first.
std::string ProgramFile(const std::string& programFolder, const std::string& relative);

// True when `programFolder` is the bin folder of an installed copy: PREFIX/share/vantoro
// sits beside it. Such a folder is never the user's to write into, even where it is
// writable (a root session, an installation in the home folder), so the settings and
// the job list go to the user's configuration folder instead.
bool IsInstalledProgramFolder(const std::string& programFolder);
