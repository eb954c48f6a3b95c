#include "app/ProgramFiles.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

fs::path InstalledDataFolder(const std::string& programFolder) {
    return fs::path(programFolder).parent_path() / "share" / "vantoro";
}

} // namespace

std::string ProgramFile(const std::string& programFolder, const std::string& relative) {
    const fs::path beside = fs::path(programFolder) / relative;
    const fs::path installed = InstalledDataFolder(programFolder) / relative;
    std::error_code ec;
    if (!fs::exists(beside, ec) && fs::exists(installed, ec))
        return installed.string();
    return beside.string();
}

bool IsInstalledProgramFolder(const std::string& programFolder) {
    std::error_code ec;
    return !programFolder.empty() && fs::is_directory(InstalledDataFolder(programFolder), ec);
}
