#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::string RunVersion() {
    // The tests live in <build>/tests; the program in <build>.
    const auto program =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "vantoro-cli";
    std::string out;
    if (FILE* pipe = popen((program.string() + " --version").c_str(), "r")) {
        char buffer[256];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe))
            out.append(buffer, n);
        EXPECT_EQ(pclose(pipe), 0);
    }
    return out;
}

} // namespace

TEST(VersionCommand, PrintsTheComponentAndLibraryVersions) {
    const std::string out = RunVersion();
    for (const char* line :
         {"converter      3.3\n", "player         2.3\n", "libavcodec     59.", "SDL            2."})
        EXPECT_NE(out.find(line), std::string::npos) << line << " missing in:\n" << out;
}
