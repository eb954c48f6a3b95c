#include "app/InstanceHandOver.h"

#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr const char* SocketName = "vantoro.socket";

} // namespace

std::string InstanceSocketPath(const char* runtimeDir, unsigned userId, const std::string& tempDir) {
    // Only an absolute runtime folder: a relative one would differ between two starts.
    if (runtimeDir != nullptr && *runtimeDir != '\0' && fs::path(runtimeDir).is_absolute())
        return (fs::path(runtimeDir) / SocketName).string();
    return (fs::path(tempDir) / ("vantoro-" + std::to_string(userId) + ".socket")).string();
}

std::string EncodeHandOver(const std::vector<std::string>& paths) {
    std::string message;
    for (const std::string& path : paths) {
        if (path.empty() || path.find('\0') != std::string::npos)
            continue; // no file has such a name
        message += path;
        message += '\0';
    }
    message += '\0';
    return message;
}

std::optional<std::vector<std::string>> DecodeHandOver(std::string_view message) {
    std::vector<std::string> paths;
    while (!message.empty()) {
        const size_t end = message.find('\0');
        if (end == std::string_view::npos)
            return std::nullopt;
        if (end == 0)
            return paths;
        paths.emplace_back(message.substr(0, end));
        message.remove_prefix(end + 1);
    }
    return std::nullopt;
}

std::vector<std::string> AbsolutePaths(const std::vector<std::string>& paths, const std::string& workingDir) {
    std::vector<std::string> absolute;
    absolute.reserve(paths.size());
    for (const std::string& path : paths) {
        const fs::path given(path);
        absolute.push_back(given.is_absolute() ? path
                                               : (fs::path(workingDir) / given).lexically_normal().string());
    }
    return absolute;
}
