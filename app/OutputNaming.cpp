#include "app/OutputNaming.h"

#include "profiles/Translation.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool PathExists(const std::string& path) {
    // A link to nowhere holds its name too: a file written there would land where it points.
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

std::string UniqueOutputName(const std::string& candidate, bool overwrite, const TNameTaken& taken) {
    // A NUL byte cuts the name short for the system: no such name is free.
    if (candidate.find('\0') != std::string::npos)
        return {};
    if (overwrite || !taken(candidate))
        return candidate;
    const fs::path path(candidate);
    const std::string ext = path.extension().string();
    const std::string base = candidate.substr(0, candidate.size() - ext.size());
    for (int n = 1; n <= MaxNewNumber; ++n) {
        std::string name = base + "(New_" + std::to_string(n) + ")" + ext;
        if (!taken(name))
            return name;
    }
    return {};
}

std::string NoFreeNameMessage(const std::string& candidate) {
    if (candidate.find('\0') != std::string::npos)
        return Tr(VT_TR("输出文件名含有空字符，无法使用：")) + candidate.substr(0, candidate.find('\0'));
    return Tr(VT_TR("找不到可用的输出文件名：")) + candidate;
}

std::string StartOutputName(const std::string& outputFolder, const std::string& listedName,
                            const TNameTaken& taken) {
    std::string name = (fs::path(outputFolder) / fs::path(listedName).filename()).string();
    if (const auto at = name.find("(New_"); at != std::string::npos)
        name = name.substr(0, at) + fs::path(name).extension().string();
    return UniqueOutputName(name, false, taken);
}
