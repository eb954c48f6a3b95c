#include "app/OutputFiles.h"

#include "media/FileHelpers.h"
#include "profiles/Translation.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* PartMark = ".part";

// Where the extension of `fileName`'s last component starts; npos without one.
size_t ExtensionStart(const std::string& fileName) {
    const size_t nameStart = fileName.find_last_of('/') + 1; // npos + 1 == 0
    const size_t dot = fileName.rfind('.');
    return dot == std::string::npos || dot <= nameStart ? std::string::npos : dot;
}

} // namespace

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

bool ClaimNewFile(const std::string& path) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno != EEXIST;
    close(fd);
    return true;
}

void ReleaseEmptyClaim(const std::string& path) {
    struct stat info {};
    if (lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0)
        unlink(path.c_str());
}

std::string PartName(const std::string& fileName) {
    const size_t ext = ExtensionStart(fileName);
    if (ext == std::string::npos)
        return fileName + PartMark;
    return fileName.substr(0, ext) + PartMark + fileName.substr(ext);
}

bool IsPartName(const std::string& fileName) {
    const std::string suffix = PartMark;
    const size_t nameStart = fileName.find_last_of('/') + 1;
    // A part name has something before the mark, which ends the stem
    // ("clip.part.mp4") or the whole name ("clip.part", "clip.mp4.part").
    const auto suffixEndsAt = [&](size_t end) {
        return end >= nameStart + suffix.size() + 1 &&
               fileName.compare(end - suffix.size(), suffix.size(), suffix) == 0;
    };
    const size_t ext = ExtensionStart(fileName);
    return suffixEndsAt(ext == std::string::npos ? fileName.size() : ext) || suffixEndsAt(fileName.size());
}

namespace {

// Moves `from` to `to`, replacing a file there; the reason on failure.
std::string MoveFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return {};
    return std::strerror(errno);
}

// Gives `from` the name `to` unless something holds that name already: 0, or
// the errno (EEXIST when the name is taken).
int MoveToFreeName(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the no-replace rename: a new link fails on a taken name too.
    if (link(from.c_str(), to.c_str()) != 0)
        return errno;
    unlink(from.c_str());
    return 0;
}

// Room kept in a temporary name for the digits of any process id, so that
// every process shortens a long name alike and finds the others' files.
constexpr size_t PidDigitsRoom = 10;

// The temporary names of `output`: Folder + Head + <pid> + Tail, where Head is
// "NAME." and Tail ".part.EXT". A name whose temporary form would not fit in
// a folder entry has NAME cut (at a character's start) to fit; the final name
// keeps it whole.
struct TPartPattern {
    std::string Folder; // with its trailing '/', or empty
    std::string Head;
    std::string Tail;
};

TPartPattern PartPatternOf(const std::string& output) {
    const std::string part = PartName(output);
    const size_t at = part.rfind(PartMark);
    const size_t nameStart = part.find_last_of('/', at) + 1; // npos + 1 == 0
    TPartPattern pattern{part.substr(0, nameStart), part.substr(nameStart, at - nameStart), part.substr(at)};
    long nameMax = pathconf(pattern.Folder.empty() ? "." : pattern.Folder.c_str(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    const size_t fixed = 1 + PidDigitsRoom + pattern.Tail.size();
    if (static_cast<size_t>(nameMax) > fixed && pattern.Head.size() > static_cast<size_t>(nameMax) - fixed) {
        size_t cut = static_cast<size_t>(nameMax) - fixed;
        while (cut > 0 && (static_cast<unsigned char>(pattern.Head[cut]) & 0xC0) == 0x80)
            --cut; // not inside a UTF-8 character
        pattern.Head.resize(cut);
    }
    pattern.Head += '.';
    return pattern;
}

// "NAME.<pid>.part.EXT" of `output`.
std::string PartNameOf(const std::string& output, pid_t pid) {
    const TPartPattern pattern = PartPatternOf(output);
    return pattern.Folder + pattern.Head + std::to_string(pid) + pattern.Tail;
}

} // namespace

std::string AddCheckName(const std::string& output) {
    return PartNameOf(output, getpid());
}

std::string RunPartName(const std::string& output) {
    return PartNameOf(output, getpid());
}

std::string PublishOutput(const std::string& part, const std::string& finalName, bool overwrite,
                          std::string& error) {
    if (overwrite) {
        error = MoveFile(part, finalName);
        return error.empty() ? finalName : std::string();
    }
    int failure = 0;
    // Another writer may have taken the name since the run chose it: the next free one.
    const std::string published = UniqueOutputName(finalName, false, [&](const std::string& name) {
        failure = MoveToFreeName(part, name);
        return failure == EEXIST;
    });
    if (published.empty())
        error = NoFreeNameMessage(finalName);
    else if (failure != 0)
        error = std::strerror(failure);
    return error.empty() ? published : std::string();
}

void RemoveDeadRunParts(const std::string& output) {
    const TPartPattern pattern = PartPatternOf(output);
    const std::string& head = pattern.Head;
    const std::string& tail = pattern.Tail;
    std::error_code ec;
    const fs::path folder = pattern.Folder.empty() ? fs::path(".") : fs::path(pattern.Folder);
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= head.size() + tail.size() || name.compare(0, head.size(), head) != 0 ||
            name.compare(name.size() - tail.size(), tail.size(), tail) != 0)
            continue;
        const std::string digits = name.substr(head.size(), name.size() - head.size() - tail.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // Only a writer that is gone: a live one may be this very output's run elsewhere.
        const pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid > 0 && pid != getpid() && kill(pid, 0) != 0 && errno == ESRCH)
            std::remove(it->path().c_str());
    }
}

void RemoveUnfinishedRun(const std::string& output) {
    RemoveDeadRunParts(output);
    std::remove(PartName(output).c_str());
    ReleaseEmptyClaim(output);
}

void RemoveAddCheckFiles(const std::vector<std::string>& outputs) {
    // One scan per folder, however many of the jobs write into it.
    std::map<fs::path, std::set<std::string>> partNames;
    for (const std::string& output : outputs) {
        const TPartPattern pattern = PartPatternOf(output);
        // As the scan below takes a name apart: "NAME" and ".part.EXT" without the pid.
        partNames[pattern.Folder.empty() ? fs::path(".") : fs::path(pattern.Folder)].insert(
            pattern.Head.substr(0, pattern.Head.size() - 1) + pattern.Tail);
    }
    for (const auto& [folder, names] : partNames) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            // "NAME.<pid>.part.EXT" is an add check's name for "NAME.part.EXT".
            const std::string name = it->path().filename().string();
            const size_t suffix = name.rfind(PartMark);
            if (suffix == std::string::npos || suffix == 0)
                continue;
            const size_t dot = name.rfind('.', suffix - 1);
            if (dot == std::string::npos || dot + 1 == suffix ||
                name.find_first_not_of("0123456789", dot + 1) < suffix)
                continue;
            if (names.count(name.substr(0, dot) + name.substr(suffix)) > 0 &&
                FileSizeOf(it->path().string()) == 0)
                std::remove(it->path().c_str());
        }
    }
}

TStagedOutput StageOutput(const std::string& finalName, const TOutputExpectation& expected, bool overwrite) {
    return {finalName, RunPartName(finalName), expected, overwrite};
}

std::string StoppedFileName(const std::string& finalName) {
    const fs::path path(finalName);
    const std::string ext = path.extension().string();
    std::string base = finalName.substr(0, finalName.size() - ext.size());
    // A final name that got "(New_N)" keeps one form: "NAME(停止)(New_M)", not "NAME(New_N)(停止)".
    if (const size_t at = base.rfind("(New_");
        at != std::string::npos && base.back() == ')' && at + 6 < base.size() &&
        base.find_first_not_of("0123456789", at + 5) == base.size() - 1)
        base.erase(at);
    return UniqueOutputName(base + "(停止)" + ext, false);
}

namespace {

TJobEnding FinishStagedFiles(const TStagedOutput& staged, const TTerminateInfo& info) {
    TJobEnding ending{info, std::nullopt, {}};
    if (info.Finished && !info.Failed) {
        ending.Check = CheckOutputFile(staged.Part, staged.Expected);
        if (ending.Check->Passed) {
            // A file of the final name that appeared during the run is kept
            // unless the user chose to overwrite.
            std::string error;
            const std::string target = PublishOutput(staged.Part, staged.Final, staged.Overwrite, error);
            if (error.empty()) {
                ending.Output = target;
                return ending;
            }
            ending.Check->Passed = false;
            ending.Check->Problem = Tr(VT_TR("输出文件无法改名为 ")) + staged.Final + Tr(VT_TR("：")) + error;
        }
        ending.Info.Finished = false;
        ending.Info.Failed = true;
        ending.Info.ErrorMessage = ending.Check->Problem;
    } else if (!info.Failed && FileSizeOf(staged.Part) > 0) {
        // Stopped: what was written has its trailer and plays.
        std::string error;
        const std::string target = PublishOutput(staged.Part, StoppedFileName(staged.Final), false, error);
        if (error.empty()) {
            ending.Output = target;
            return ending;
        }
    }
    // Failed (also after a complete run whose release failed): nothing under the final name.
    ending.Info.Finished = false;
    if (FileSizeOf(staged.Part) > 0)
        ending.Output = staged.Part;
    return ending;
}

} // namespace

TJobEnding FinishStagedOutput(const TStagedOutput& staged, const TTerminateInfo& info) {
    return FinishStagedFiles(staged, info);
}
