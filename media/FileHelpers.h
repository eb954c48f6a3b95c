// Small file and text utilities.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Reads a whole file and appends a zero byte. Returns 0, -1 when it cannot be
// opened, or AVERROR(ENOMEM). `size` is the bytes read plus 1.
int ReadWholeFile(const std::string& fileName, std::vector<char>& buffer, int64_t& size);
// True when both paths name one existing file (links and ".." resolved:
// the same device and inode).
bool SameFile(const std::string& a, const std::string& b);
// Size in bytes; -1 when missing, a directory or unreadable.
int64_t FileSizeOf(const std::string& fileName);
// Directory of the running program, ending with "/".
std::string ProgramDirectory();
// Head before the first `separator`; with `remove`, `text` keeps what follows (empty when none).
std::string SplitAtSeparator(std::string& text, const std::string& separator, bool remove);
