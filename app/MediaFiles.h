// Which files the program offers to convert, and the expansion of dropped or
// named paths into the files to add: a folder stands for the media files
// inside it, at any depth.
#pragma once

#include <string>
#include <vector>

// True when the extension of `path` is one the open dialogs list or one of the
// file types the desktop entry claims (letter case ignored).
bool IsMediaFile(const std::string& path);

// The files to add for `paths`, in the given order: a file is kept as it is
// (the add reports it when it cannot be read), a folder contributes its media
// files sorted by path, anything else is skipped. Each file appears once.
std::vector<std::string> CollectMediaFiles(const std::vector<std::string>& paths);
