#include "CliRunner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

// Asking a command for help is not a usage error: the text goes to standard
// output and the status is 0, for every command alike.
TEST(CommandHelp, EveryCommandPrintsItsUsageOnStandardOutput) {
    const auto errFile =
        std::filesystem::temp_directory_path() / ("vantoro-help-" + std::to_string(getpid()) + ".err");
    for (const char* command : {"info", "play", "transcode", "profiles", "convert"}) {
        for (const char* flag : {"--help", "-h"}) {
            SCOPED_TRACE(std::string(command) + " " + flag);
            CliRun run;
            run.Args = {command, flag};
            run.OtherStreamFile = errFile.string();
            run.Limit = std::chrono::seconds(20);
            const CliResult r = RunCliWatching(run);
            EXPECT_EQ(r.status, 0);
            EXPECT_NE(r.out.find(std::string("usage: vantoro-cli ") + command), std::string::npos) << r.out;
            EXPECT_EQ(r.err, "");
        }
    }
    std::filesystem::remove(errFile);
}
