// The settings file "system.ini": the output folder, the snapshot folder and
// picture type, the chosen skin and the number of files converted at once. Read and written key by key when a
// value is needed or changed; nothing is cached here. "Error" (the default passed for string keys) and the
// empty string read as "not set". No read or write reports an error to the user: a failing read falls back to
// the default.
#pragma once

#include "app/IniFile.h"

#include <string>

// Where the settings file lives: beside the program when that folder is
// writable and not the bin folder of an installed copy (app/ProgramFiles.h),
// else "vantoro" in the user's configuration folder ($XDG_CONFIG_HOME, or ~/.config).
std::string SettingsFilePath(const std::string& programFolder);
// The user's home folder ($HOME, else the password database's entry).
std::string HomeFolder();

class TSettingsStore {
public:
    static constexpr const char* FileName = "system.ini";
    static constexpr const char* NotSet = "Error";

    // `fileName`: the settings file; `homeFolder`: where the default folders go.
    TSettingsStore(std::string fileName, std::string homeFolder);

    const std::string& SettingsFile() const { return ini_.FileName(); }
    // The folder that holds the settings file (the update description goes there too).
    std::string Folder() const;

    // Default output folder: "Video_Directory" in the home folder; snapshots go to its "快照".
    std::string DefaultOutputFolder() const;
    std::string DefaultSnapshotFolder() const;

    // The output folder to use at start-up, created when missing; writes the
    // default when the file or the key is missing or the stored folder unusable.
    std::string ReadOutputFolder();
    // The stored folder the last ReadOutputFolder or ReadSnapshotFolder refused
    // (a name with a NUL byte, from a damaged file) and replaced by the
    // default; empty when none was.
    const std::string& RefusedFolder() const { return refusedFolder_; }
    // Stores `folder` when it names an existing folder; otherwise writes nothing.
    void WriteOutputFolder(const std::string& folder);

    std::string ReadSnapshotFolder();
    // Stores a chosen snapshot folder that exists.
    void WriteSnapshotFolder(const std::string& folder);

    // "BMP", "JPG", "GIF" or "PNG"; anything else is replaced by "BMP" in the file.
    std::string ReadSnapshotType();
    void WriteSnapshotType(const std::string& type);

    // "skin1".."skin18" or empty (built-in look).
    std::string ReadSkin() const;
    void WriteSkin(const std::string& skin);

    // The number of files converted at once, 1..10; `firstStart` when none
    // (or no such number) is stored.
    int ReadParallelFiles(int firstStart) const;
    void WriteParallelFiles(int files);

    // "[Run] Language" as written ("zh", "en"); empty when not set. Only read:
    // the user sets it to keep one language whatever the desktop's.
    std::string ReadLanguage() const;

private:
    std::string ReadSet(const char* section, const char* key) const;
    std::string ReadFolder(const char* section, const char* key, const std::string& defaultFolder);

    std::string refusedFolder_;
    void WriteFolder(const char* section, const char* key, const std::string& folder);

    TIniFile ini_;
    std::string home_;
};
