// vantoro-cli convert: the main window's logic without the window. The
// arguments become a job request, the logic adds its files as jobs, the start
// rebuilds the tasks and runs them, and the jobs' end states decide the exit
// status.
#include "app/MainWindowLogic.h"
#include "app/UserProfileFile.h"
#include "cli/Commands.h"
#include "cli/ConvertArgs.h"
#include "cli/ConvertConsole.h"
#include "cli/ConvertJsonView.h"
#include "cli/ReservedStdout.h"
#include "cli/TranscodeInterrupt.h"
#include "engine/CodecThreads.h"
#include "media/FileHelpers.h"
#include "media/MainThreadDispatcher.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// How many jobs run at once: --parallel, else the number of processor cores
// this process may use (a scheduler's CPU set, not the whole machine), at most MaxParallelJobs.
int ParallelOf(const TConvertArgs& options) {
    if (options.Parallel > 0)
        return options.Parallel;
    return std::clamp(ProcessorCores(), 1, MaxParallelJobs);
}

// The output folder must exist and take files before anything is added.
bool PrepareOutputFolder(const std::string& folder) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec) || access(folder.c_str(), W_OK) != 0) {
        std::fprintf(stderr, "vantoro-cli: cannot write to the output folder %s\n", folder.c_str());
        return false;
    }
    return true;
}

// A settings file named on the command line: a missing one starts from the
// defaults (and is written like the program's own), anything else there must
// be a regular file this process can read. A folder or a device would make
// every read fall back to the defaults without a word, and the writes replace
// whatever is there.
bool CheckSettingsFile(const std::string& file) {
    struct stat info {};
    std::string problem;
    if (stat(file.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return true;
        problem = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        problem = "it is a folder";
    } else if (!S_ISREG(info.st_mode)) {
        problem = "it is not a regular file";
    } else if (std::FILE* in = std::fopen(file.c_str(), "rb")) {
        std::fclose(in);
        return true;
    } else {
        problem = std::strerror(errno);
    }
    std::fprintf(stderr, "vantoro-cli: cannot use the settings file %s: %s\n", file.c_str(), problem.c_str());
    return false;
}

// The run after the arguments are known to be sound; returns the exit status.
int Convert(const TConvertArgs& options, TConsoleView& view, TJsonConvertView* json) {
    if (!options.SettingsFile.empty() && !CheckSettingsFile(options.SettingsFile))
        return 1;
    const std::string programFolder = ProgramFolder();
    TSettingsStore store(
        options.SettingsFile.empty() ? SettingsFilePath(programFolder) : options.SettingsFile, HomeFolder());
    TConsolePlatform platform;
    TMainWindowLogic logic(view, platform, store, programFolder);
    view.OutputOf = [&](int row) { return logic.RunOutputOf(row); };

    if (!options.OutputDir.empty()) {
        if (!PrepareOutputFolder(options.OutputDir))
            return 1;
        // Only for this run; the settings keep their folder.
        logic.Initialise(fs::absolute(options.OutputDir).lexically_normal().string());
    } else {
        logic.Initialise();
        if (!PrepareOutputFolder(logic.OutputFolder()))
            return 1;
    }
    logic.SetIfOutputExists(options.Overwrite ? ieOverwrite : ieNewName);
    logic.SetParallelCount(ParallelOf(options) - 1);
    logic.SetCompletionAction(options.Then);

    // Ctrl-C stops the run as "停止" does, with waiting, so every output gets its trailer.
    TTranscodeInterrupt interrupt([&logic] {
        PostToMainThread([&logic] {
            if (logic.Running())
                logic.StopWithQuestion();
        });
    });

    view.AddStarted();
    TJobRequest request = options.Request;
    request.Sources = options.Files;
    logic.AddRequest(request);
    ServeUntil([&] { return !logic.Adding() || interrupt.Requested(); });
    if (interrupt.Requested())
        return TTranscodeInterrupt::ExitStatus;
    // Every file named is accounted for: the ones the add left out are reported now.
    view.AddEnded(options.Files);
    if (logic.Jobs().RowCount() == 0) {
        if (json)
            json->RunStarted();
        std::fprintf(stderr, "vantoro-cli: nothing to convert\n");
        return 1;
    }

    logic.StartOrResume();
    if (json)
        json->RunStarted();
    ServeUntil([&] { return !logic.Running(); });
    // Let the last posted reports and log lines through.
    ProcessPendingMessages();
    if (interrupt.Requested())
        return TTranscodeInterrupt::ExitStatus;

    int finished = 0;
    for (int row = 0; row < logic.Jobs().RowCount(); ++row)
        finished += logic.Jobs().Row(row).State == TJobState::Finished ? 1 : 0;
    const int total = static_cast<int>(options.Files.size());
    std::fprintf(stderr, "vantoro-cli: %d of %d files converted\n", finished, total);
    // A setting the run could not use (an output folder that was replaced) and
    // a failure it logged are problems of the run too.
    return finished == total && !logic.OutputFolderReplaced() && view.Problems() == 0 ? 0 : 1;
}

} // namespace

int RunConvertCommand(const CommandArgs& args) {
    TConvertArgs options;
    std::string error;
    if (!ParseConvertArgs(args, options, error)) {
        std::fprintf(stderr, "vantoro-cli convert: %s\n%s", error.c_str(), ConvertUsage);
        return 2;
    }
    if (options.Help) {
        std::fputs(ConvertUsage, stdout);
        return 0;
    }

    TJobRequest& request = options.Request;
    if (!options.OwnProfile.empty()) {
        const std::string settingsFile =
            options.SettingsFile.empty() ? SettingsFilePath(ProgramFolder()) : options.SettingsFile;
        if (!ApplyUserProfileToScript(UserProfileFileBeside(settingsFile), options.OwnProfile, request,
                                      error)) {
            std::fprintf(stderr, "vantoro-cli convert: %s\n%s", error.c_str(), ConvertUsage);
            return 2;
        }
    }

    // A pick that the profile's lists do not offer is a usage error; find it
    // before anything is added.
    if (!CheckJobRequest(request, error)) {
        std::fprintf(stderr, "vantoro-cli convert: %s\n%s", error.c_str(), ConvertUsage);
        return 2;
    }

    if (!options.Json) {
        const bool terminal = isatty(STDERR_FILENO) == 1;
        TConsoleView view(options.Verbose, terminal ? TConsoleOutput::Bars : TConsoleOutput::Lines);
        return Convert(options, view, nullptr);
    }
    TReservedStdout out;
    TJsonConvertView view(request, options.Verbose, out.File(), ParallelOf(options));
    const int status = Convert(options, view, &view);
    view.RunSummary(static_cast<int>(options.Files.size()), status);
    return status;
}
