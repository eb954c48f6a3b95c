#include "app/SettingsStore.h"
#include "app/ProgramFiles.h"
#include "app/RunChoices.h"

#include <array>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <pwd.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* OutPathSection = "OutPath";
constexpr const char* OutPathKey = "OutPath";
constexpr const char* SnapshotSection = "SnapShot";
constexpr const char* SnapshotDirKey = "Dir";
constexpr const char* SnapshotPictureKey = "Picture";
constexpr const char* SkinSection = "skin";
constexpr const char* SkinKey = "SetSkin";
constexpr const char* RunSection = "Run";
constexpr const char* ParallelFilesKey = "ParallelFiles";
constexpr const char* LanguageKey = "Language";
constexpr std::array<const char*, 4> PictureTypes{"BMP", "JPG", "GIF", "PNG"};

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(path, ec);
}

// Creates `folder` with its parents; true when it exists afterwards.
bool EnsureFolder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    return IsFolder(folder);
}

} // namespace

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir)
        return pw->pw_dir;
    return "/tmp";
}

std::string SettingsFilePath(const std::string& programFolder) {
    if (!programFolder.empty() && access(programFolder.c_str(), W_OK) == 0 &&
        !IsInstalledProgramFolder(programFolder))
        return (fs::path(programFolder) / TSettingsStore::FileName).string();
    fs::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && fs::path(xdg).is_absolute())
        config = xdg;
    else
        config = fs::path(HomeFolder()) / ".config";
    return (config / "vantoro" / TSettingsStore::FileName).string();
}

TSettingsStore::TSettingsStore(std::string fileName, std::string homeFolder)
    : ini_(std::move(fileName)), home_(std::move(homeFolder)) {}

std::string TSettingsStore::Folder() const {
    return fs::path(ini_.FileName()).parent_path().string();
}

std::string TSettingsStore::DefaultOutputFolder() const {
    return (fs::path(home_) / "Video_Directory").string();
}

std::string TSettingsStore::DefaultSnapshotFolder() const {
    return (fs::path(DefaultOutputFolder()) / "快照").string();
}

std::string TSettingsStore::ReadSet(const char* section, const char* key) const {
    std::string value = ini_.ReadString(section, key, NotSet);
    return value == NotSet ? std::string() : value;
}

// The stored folder, created when missing; the default (created and written)
// when the file or the key is missing. A stored folder that cannot be created
// stays: the conversions or snapshots into it report the failure.
std::string TSettingsStore::ReadFolder(const char* section, const char* key,
                                       const std::string& defaultFolder) {
    std::string stored = ini_.Exists() ? ReadSet(section, key) : std::string();
    refusedFolder_.clear();
    // No file name holds a NUL byte: every name in such a folder would be cut
    // at it and seem taken.
    if (stored.find('\0') != std::string::npos) {
        refusedFolder_ = stored;
        stored.clear();
    }
    const std::string& folder = stored.empty() ? defaultFolder : stored;
    EnsureFolder(folder);
    if (stored.empty())
        ini_.WriteString(section, key, folder);
    return folder;
}

void TSettingsStore::WriteFolder(const char* section, const char* key, const std::string& folder) {
    if (IsFolder(folder))
        ini_.WriteString(section, key, folder);
}

std::string TSettingsStore::ReadOutputFolder() {
    return ReadFolder(OutPathSection, OutPathKey, DefaultOutputFolder());
}

void TSettingsStore::WriteOutputFolder(const std::string& folder) {
    WriteFolder(OutPathSection, OutPathKey, folder);
}

std::string TSettingsStore::ReadSnapshotFolder() {
    return ReadFolder(SnapshotSection, SnapshotDirKey, DefaultSnapshotFolder());
}

void TSettingsStore::WriteSnapshotFolder(const std::string& folder) {
    WriteFolder(SnapshotSection, SnapshotDirKey, folder);
}

std::string TSettingsStore::ReadSnapshotType() {
    const std::string stored = ini_.Exists() ? ReadSet(SnapshotSection, SnapshotPictureKey) : std::string();
    for (const char* type : PictureTypes)
        if (stored == type)
            return stored;
    ini_.WriteString(SnapshotSection, SnapshotPictureKey, PictureTypes[0]);
    return PictureTypes[0];
}

void TSettingsStore::WriteSnapshotType(const std::string& type) {
    ini_.WriteString(SnapshotSection, SnapshotPictureKey, type);
}

std::string TSettingsStore::ReadSkin() const {
    return ReadSet(SkinSection, SkinKey);
}

void TSettingsStore::WriteSkin(const std::string& skin) {
    ini_.WriteString(SkinSection, SkinKey, skin);
}

int TSettingsStore::ReadParallelFiles(int firstStart) const {
    const std::string stored = ReadSet(RunSection, ParallelFilesKey);
    int files = 0;
    const char* end = stored.data() + stored.size();
    const auto [ptr, ec] = std::from_chars(stored.data(), end, files);
    if (ec != std::errc() || ptr != end || files < 1 || files > MaxParallelJobs)
        return firstStart;
    return files;
}

void TSettingsStore::WriteParallelFiles(int files) {
    ini_.WriteString(RunSection, ParallelFilesKey, std::to_string(files));
}

std::string TSettingsStore::ReadLanguage() const {
    return ReadSet(RunSection, LanguageKey);
}
