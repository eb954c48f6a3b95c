// Shipped files are found beside a program in its build folder and beside
// PREFIX/bin once installed.
#include "app/ProgramFiles.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

TEST(ProgramFiles, BesideTheProgramFirstThenTheInstalledDataFolder) {
    struct Case {
        const char* name;
        bool beside;
        bool installed;
        const char* expected; // relative to the temporary prefix
    };
    const Case cases[] = {
        {"build folder", true, false, "bin/help/index.html"},
        {"both: the program's own copy wins", true, true, "bin/help/index.html"},
        {"installed", false, true, "share/vantoro/help/index.html"},
        {"missing: named beside the program", false, false, "bin/help/index.html"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir prefix;
        const fs::path bin = prefix.Path() / "bin";
        fs::create_directories(bin);
        for (auto [wanted, folder] : {std::pair{c.beside, bin / "help"},
                                      std::pair{c.installed, prefix.Path() / "share/vantoro/help"}}) {
            if (!wanted)
                continue;
            fs::create_directories(folder);
            std::ofstream(folder / "index.html") << "<html></html>";
        }
        EXPECT_EQ(ProgramFile(bin.string(), "help/index.html"), (prefix.Path() / c.expected).string());
    }
}
