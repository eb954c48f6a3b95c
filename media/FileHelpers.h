// Small file and text utilities.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// A FILE* that closes itself (without a word about a failed close: callers
// that must know close it themselves with std::fclose(f.release())).
struct FileClose {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileClose>;

// Reads a whole file and appends a zero byte. Returns 0, -1 when it cannot be
// opened, or AVERROR(ENOMEM). `size` is the bytes read plus 1.
int ReadWholeFile(const std::string& fileName, std::vector<char>& buffer, int64_t& size);
// True when both paths name one existing file (links and ".." resolved:
// the same device and inode).
bool SameFile(const std::string& a, const std::string& b);
// Size in bytes; -1 when missing, a directory or unreadable.
int64_t FileSizeOf(const std::string& fileName);
// Folder of the running program, without a trailing "/"; the current folder
// when the system does not tell.
std::string ProgramFolder();
// ProgramFolder ending with "/".
std::string ProgramDirectory();
// Head before the first `separator`; with `remove`, `text` keeps what follows (empty when none).
std::string SplitAtSeparator(std::string& text, const std::string& separator, bool remove);
