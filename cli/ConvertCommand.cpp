// vantoro-cli convert: the main window's path without the window. The chooser
// and options window logic take the profile and the picks, the add actions
// list the files, the start rebuilds the tasks and runs them, and the
// termination reports decide the exit status.
#include "app/MainWindowLogic.h"
#include "cli/Commands.h"
#include "cli/ConvertArgs.h"
#include "cli/ConvertConsole.h"
#include "cli/TranscodeInterrupt.h"
#include "media/MainThreadDispatcher.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string ProgramFolder() {
    std::error_code ec;
    return fs::read_symlink("/proc/self/exe", ec).parent_path().string();
}

int DefaultParallel() {
    const unsigned cores = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(cores, 1u, 10u));
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

    // A pick that the profile's lists do not offer is a usage error; find it
    // before anything is added.
    {
        TFormatScript picksOnly = options.Format;
        picksOnly.ClipSeconds.reset();
        TConversionSettings scratch;
        if (!RunScriptedFormatChoice(picksOnly, scratch, "", true, error)) {
            std::fprintf(stderr, "vantoro-cli convert: %s\n%s", error.c_str(), ConvertUsage);
            return 2;
        }
    }

    const std::string programFolder = ProgramFolder();
    TSettingsStore store(SettingsFilePath(programFolder), HomeFolder());
    // The dialog lists the files last to first, so the jobs run in the command line's order.
    TConsolePlatform platform(std::vector<std::string>(options.Files.rbegin(), options.Files.rend()));
    TConsoleView view(options.Format, options.Verbose, isatty(STDERR_FILENO) == 1);
    TMainWindowLogic logic(view, platform, store, programFolder);
    view.OutputOf = [&](int row) { return logic.RunOutputOf(row); };

    if (!options.OutputDir.empty()) {
        if (!PrepareOutputFolder(options.OutputDir))
            return 1;
        // Only for this run; the settings keep their folder.
        logic.Initialise();
        logic.SetOutputFolder(fs::absolute(options.OutputDir).lexically_normal().string());
    } else {
        logic.Initialise();
        if (!PrepareOutputFolder(logic.OutputFolder()))
            return 1;
    }
    logic.SetIfOutputExists(options.Overwrite ? ieOverwrite : ieNewName);
    logic.SetParallelCount((options.Parallel > 0 ? options.Parallel : DefaultParallel()) - 1);
    logic.SetCompletionAction(options.Then == TThenAction::ShutDown     ? caShutDown
                              : options.Then == TThenAction::OpenFolder ? caOpenFolder
                                                                        : caNothing);

    // Ctrl-C stops the run as "停止" does, with waiting, so every output gets its trailer.
    TTranscodeInterrupt interrupt([&logic] {
        PostToMainThread([&logic] {
            if (logic.Running())
                logic.StopWithQuestion();
        });
    });

    if (options.Files.size() == 1) {
        logic.AddOneFile();
    } else {
        logic.AddManyFiles();
        ServeUntil([&] { return !logic.Adding() || interrupt.Requested(); });
    }
    if (interrupt.Requested())
        return TTranscodeInterrupt::ExitStatus;
    if (logic.Jobs().RowCount() == 0) {
        std::fprintf(stderr, "vantoro-cli: nothing to convert\n");
        return 1;
    }

    logic.StartOrResume();
    ServeUntil([&] { return !logic.Running(); });
    // Let the last posted reports and log lines through.
    ProcessPendingMessages();
    if (interrupt.Requested())
        return TTranscodeInterrupt::ExitStatus;

    int finished = 0;
    for (int row = 0; row < logic.Jobs().RowCount(); ++row)
        finished += logic.Jobs().Row(row).Status == StatusFinished ? 1 : 0;
    const int total = static_cast<int>(options.Files.size());
    std::fprintf(stderr, "vantoro-cli: %d of %d files converted\n", finished, total);
    return finished == total && view.Problems() == 0 ? 0 : 1;
}
