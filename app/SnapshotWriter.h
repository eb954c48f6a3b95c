// Saves a snapshot bitmap as a BMP, JPEG (JFIF), GIF (colours reduced to a
// palette) or PNG file. Main thread; each call encodes one picture and keeps
// nothing.
#pragma once

#include "app/SnapshotTypes.h"
#include "media/FrameBitmap.h"

#include <cstdio>
#include <string>

enum class TWriteResult { Written, Exists, Failed };

// Writes the picture as an uncompressed 24-bit BMP, rows bottom-up (the
// bitmap's rows already have the format's padding). False with `error` set
// when a write fails.
bool WriteBmp(const TBitmap24& bitmap, std::FILE* f, std::string& error);

// Creates `fileName` (never replacing an existing file: Exists) and writes the
// picture into it. Failed leaves the reason in `error` and no file behind.
TWriteResult WriteSnapshotFile(const TBitmap24& bitmap, TSnapshotType type, const std::string& fileName,
                               std::string& error);

// Saves under the first free number (base_1, base_2, ...) in `folder`, so that an
// earlier snapshot is never overwritten, even by a file that appears meanwhile.
// Returns the file written, or empty with the reason in `error`.
std::string SaveSnapshot(const TBitmap24& bitmap, TSnapshotType type, const std::string& folder,
                         const std::string& sourceFile, std::string& error);
