#include "app/SnapshotNaming.h"

#include <filesystem>

std::string SnapshotFileName(const std::string& folder, const std::string& sourceFile, int number,
                             std::string_view extension) {
    const std::string base = std::filesystem::path(sourceFile).stem().string();
    std::string name = base + "_" + std::to_string(number);
    name += extension;
    return (std::filesystem::path(folder) / name).string();
}
