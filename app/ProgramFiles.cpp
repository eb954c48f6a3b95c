#include "app/ProgramFiles.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::string ProgramFile(const std::string& programFolder, const std::string& relative) {
    const fs::path beside = fs::path(programFolder) / relative;
    const fs::path installed = fs::path(programFolder).parent_path() / "share" / "vantoro" / relative;
    std::error_code ec;
    if (!fs::exists(beside, ec) && fs::exists(installed, ec))
        return installed.string();
    return beside.string();
}
