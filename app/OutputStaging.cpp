#include "app/OutputStaging.h"

#include "app/OutputClaim.h"
#include "app/OutputNaming.h"
#include "engine/TaskFiles.h"
#include "media/FileHelpers.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Moves `from` to `to`, replacing a file there; the reason on failure.
std::string MoveFile(const std::string& from, const std::string& to) {
    if (std::rename(from.c_str(), to.c_str()) == 0)
        return {};
    return std::strerror(errno);
}

} // namespace

std::string AddCheckName(const std::string& output) {
    const std::string part = TOutputFile::PartName(output);
    const size_t at = part.rfind(TOutputFile::IncompleteSuffix);
    return part.substr(0, at) + "." + std::to_string(getpid()) + part.substr(at);
}

void RemoveAddCheckFiles(const std::vector<std::string>& outputs) {
    // One scan per folder, however many of the jobs write into it.
    std::map<fs::path, std::set<std::string>> partNames;
    for (const std::string& output : outputs) {
        const fs::path part(TOutputFile::PartName(output));
        partNames[part.has_parent_path() ? part.parent_path() : fs::path(".")].insert(
            part.filename().string());
    }
    for (const auto& [folder, names] : partNames) {
        std::error_code ec;
        for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            // "NAME.<pid>.part.EXT" is an add check's name for "NAME.part.EXT".
            const std::string name = it->path().filename().string();
            const size_t suffix = name.rfind(TOutputFile::IncompleteSuffix);
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
    return {finalName, TOutputFile::PartName(finalName), expected, overwrite};
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
            const std::string target =
                staged.Claimed ? staged.Final : UniqueOutputName(staged.Final, staged.Overwrite);
            const std::string error = MoveFile(staged.Part, target);
            if (error.empty()) {
                ending.Output = target;
                return ending;
            }
            ending.Check->Passed = false;
            ending.Check->Problem = "输出文件无法改名为 " + target + "：" + error;
        }
        ending.Info.Finished = false;
        ending.Info.Failed = true;
        ending.Info.ErrorMessage = ending.Check->Problem;
    } else if (!info.Failed && FileSizeOf(staged.Part) > 0) {
        // Stopped: what was written has its trailer and plays.
        const std::string target = StoppedFileName(staged.Final);
        if (MoveFile(staged.Part, target).empty()) {
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
    TJobEnding ending = FinishStagedFiles(staged, info);
    // The name taken for the run is given back unless the file now holds it.
    if (staged.Claimed && ending.Output != staged.Final)
        ReleaseEmptyClaim(staged.Final);
    return ending;
}
