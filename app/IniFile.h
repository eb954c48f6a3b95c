// An initialisation file read and written key by key: "[section]" lines open
// sections, "key=value" lines hold values. Nothing is cached: every read opens
// the file again, every write rewrites it whole through a temporary file, so a
// crash never leaves half a file behind.
//
// Values are UTF-8. A line that is not valid UTF-8 (a file written in a legacy
// code page, or garbage) is skipped on reading, so such a key reads as absent
// and the caller's default applies.
#pragma once

#include <string>

class TIniFile {
public:
    explicit TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

    const std::string& FileName() const { return fileName_; }
    bool Exists() const;
    // The value of `key` in `section`, or `defaultValue` when either is missing.
    // Section and key names compare without regard to ASCII letter case.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const;
    // Sets `key` in `section`, adding either when missing; false when the file
    // cannot be written (its folder is created first).
    bool WriteString(const std::string& section, const std::string& key, const std::string& value);

private:
    std::string fileName_;
};

// True when `text` is well-formed UTF-8.
bool IsValidUtf8(const std::string& text);
