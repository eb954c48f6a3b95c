#include "engine/PartName.h"

namespace {

// Where the extension of `fileName`'s last component starts; npos without one.
size_t ExtensionStart(const std::string& fileName) {
    const size_t nameStart = fileName.find_last_of('/') + 1; // npos + 1 == 0
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot <= nameStart ? std::string::npos : dot;
}

} // namespace

std::string PartName(const std::string& fileName) {
    const size_t ext = ExtensionStart(fileName);
    if (ext == std::string::npos)
        return fileName + IncompleteSuffix;
    return fileName.substr(0, ext) + IncompleteSuffix + fileName.substr(ext);
}

bool IsPartName(const std::string& fileName) {
    const std::string suffix = IncompleteSuffix;
    const size_t nameStart = fileName.find_last_of('/') + 1;
    // A part name has something before the suffix, which ends the stem
    // ("clip.part.mp4") or the whole name ("clip.part", "clip.mp4.part").
    const auto suffixEndsAt = [&](size_t end) {
        return end >= nameStart + suffix.size() + 1 &&
               fileName.compare(end - suffix.size(), suffix.size(), suffix) == 0;
    };
    const size_t ext = ExtensionStart(fileName);
    return suffixEndsAt(ext == std::string::npos ? fileName.size() : ext) || suffixEndsAt(fileName.size());
}
