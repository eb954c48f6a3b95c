// What the command-line tests share: where the built program is and what a run gave.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

struct CliResult {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::filesystem::path CliProgram() {
    // The tests live in <build>/tests; the program in <build>.
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().parent_path() / "vantoro-cli";
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
