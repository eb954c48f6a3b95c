#include "media/FileHelpers.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <new>
#include <stdexcept>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/error.h>
}

namespace {

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

} // namespace

int ReadWholeFile(const std::string& fileName, std::vector<char>& buffer, int64_t& size) {
    FilePtr file(std::fopen(fileName.c_str(), "rb"));
    if (!file)
        return -1;
    // A directory opens here but is no file to read: treat it like one that cannot be opened.
    struct stat info {};
    if (::fstat(::fileno(file.get()), &info) != 0 || S_ISDIR(info.st_mode))
        return -1;
    if (::fseeko(file.get(), 0, SEEK_END) != 0)
        return AVERROR(EIO);
    const off_t length = ::ftello(file.get());
    if (length < 0)
        return AVERROR(EIO);
    std::rewind(file.get());
    try {
        buffer.resize(static_cast<size_t>(length) + 1);
    } catch (const std::bad_alloc&) {
        return AVERROR(ENOMEM);
    } catch (const std::length_error&) {
        return AVERROR(ENOMEM);
    }
    const size_t read = std::fread(buffer.data(), 1, static_cast<size_t>(length), file.get());
    buffer[read] = '\0';
    size = static_cast<int64_t>(read) + 1;
    return 0;
}

int64_t FileSizeOf(const std::string& fileName) {
    // Opening it tells apart a file that exists but cannot be read; without
    // O_NONBLOCK opening a named pipe would wait for a writer.
    FileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0)
        return -1;
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || S_ISDIR(info.st_mode))
        return -1;
    return static_cast<int64_t>(info.st_size);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

std::string ProgramFolder() {
    std::error_code ec;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec).string() : program.parent_path().string();
}

std::string ProgramDirectory() {
    std::string directory = ProgramFolder();
    if (directory.empty() || directory.back() != '/')
        directory += '/';
    return directory;
}

std::string SplitAtSeparator(std::string& text, const std::string& separator, bool remove) {
    const auto at = separator.empty() ? std::string::npos : text.find(separator);
    if (at == std::string::npos) {
        std::string head = remove ? std::move(text) : text;
        if (remove)
            text.clear();
        return head;
    }
    std::string head = text.substr(0, at);
    if (remove)
        text.erase(0, at + separator.size());
    return head;
}
