#include "app/AtomicFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* TemporaryMark = ".tmp";

bool WriteAll(int fd, const std::string& content) {
    const char* data = content.data();
    size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

bool WriteFileAtomically(const std::string& fileName, const std::string& content, std::string& error) {
    const fs::path path(fileName);
    std::error_code ec;
    if (path.has_parent_path())
        fs::create_directories(path.parent_path(), ec);
    const std::string temporary = fileName + TemporaryMark + std::to_string(getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = temporary + ": " + std::strerror(errno);
        return false;
    }
    // On the disk before the rename, so the name never points at a file whose blocks are missing.
    const bool written = WriteAll(fd, content) && ::fsync(fd) == 0;
    const int writeErrno = errno;
    if (::close(fd) != 0 || !written) {
        error = temporary + ": " + std::strerror(written ? errno : writeErrno);
        ::unlink(temporary.c_str());
        return false;
    }
    if (::rename(temporary.c_str(), fileName.c_str()) != 0) {
        error = fileName + ": " + std::strerror(errno);
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself lasts once the folder's entry is on the disk.
    const std::string folder = path.has_parent_path() ? path.parent_path().string() : ".";
    if (const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

void RemoveLeftoverTemporaries(const std::string& fileName) {
    const fs::path path(fileName);
    const std::string prefix = path.filename().string() + TemporaryMark;
    std::error_code ec;
    for (fs::directory_iterator it(path.has_parent_path() ? path.parent_path() : ".", ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() > prefix.size() && name.compare(0, prefix.size(), prefix) == 0 &&
            std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                        [](char c) { return c >= '0' && c <= '9'; })) {
            std::error_code removeError;
            fs::remove(it->path(), removeError);
        }
    }
}

bool OpenWithHeader(const std::string& fileName, const std::string& header, const std::string& notOurs,
                    std::ifstream& in, std::string& error) {
    in.open(fileName, std::ios::binary);
    if (!in) {
        error = fileName + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    if (!std::getline(in, line) || line != header) {
        error = fileName + ": " + notOurs;
        return false;
    }
    return true;
}
