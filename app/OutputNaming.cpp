#include "app/OutputNaming.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool PathExists(const std::string& path) {
    std::error_code ec;
    return fs::exists(path, ec);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

std::string UniqueOutputName(const std::string& candidate, bool overwrite, const TNameTaken& taken) {
    if (overwrite || !taken(candidate))
        return candidate;
    const fs::path path(candidate);
    const std::string ext = path.extension().string();
    const std::string base = candidate.substr(0, candidate.size() - ext.size());
    for (int n = 1;; ++n) {
        std::string name = base + "(New_" + std::to_string(n) + ")" + ext;
        if (!taken(name))
            return name;
    }
}

std::string StartOutputName(const std::string& outputFolder, const std::string& listedName,
                            const TNameTaken& taken) {
    std::string name = (fs::path(outputFolder) / fs::path(listedName).filename()).string();
    if (const auto at = name.find("(New_"); at != std::string::npos)
        name = name.substr(0, at) + fs::path(name).extension().string();
    return UniqueOutputName(name, false, taken);
}
