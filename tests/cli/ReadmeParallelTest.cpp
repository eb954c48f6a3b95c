// Runs the README's GNU parallel example as written, with the machine names,
// folders and program path swapped for local ones, so the text cannot drift
// from a command that works.
#include "CliProgram.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLoader.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

// The example's command: from the `find` line to `> results.jsonl ...`, with the
// line continuations joined.
std::string ReadmeParallelCommand() {
    std::ifstream in(VANTORO_README);
    std::string line, command;
    bool inside = false;
    while (std::getline(in, line)) {
        if (!inside && line.find("| parallel ") != std::string::npos)
            inside = true;
        if (!inside)
            continue;
        const bool continued = !line.empty() && line.back() == '\\';
        command += continued ? line.substr(0, line.size() - 1) : line;
        if (!continued)
            break;
    }
    return command;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << " not in: " << text;
    text.replace(at, from.size(), to);
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

} // namespace

TEST(ReadmeParallelExample, WritesOneJobEndedLineForEachFile) {
    ASSERT_EQ(std::system("command -v parallel >/dev/null"), 0)
        << "GNU parallel is missing (scripts/setup.sh installs it)";
    ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
    TempDir dir;
    const auto in = dir.Path() / "in";
    const auto out = dir.Path() / "out";
    std::filesystem::create_directories(in);
    std::filesystem::create_directories(out);
    MakeClip((in / "a.mkv").string(), VideoAndAudioClip(0.5));
    MakeClip((in / "b.mkv").string(), VideoAndAudioClip(0.5));
    std::ofstream(dir.File("node.ini"));

    std::string command = ReadmeParallelCommand();
    ASSERT_FALSE(command.empty()) << "no parallel example in the README";
    Replace(command, "/shared/in", in.string());
    Replace(command, "--sshlogin node1,node2,node3", "--sshlogin :");
    Replace(command, "vantoro-cli ", CliProgram().string() + " ");
    Replace(command, "/var/lib/vantoro/node.ini", dir.File("node.ini"));
    Replace(command, "/shared/out", out.string());
    const std::string shell = "cd '" + dir.Path().string() + "' && " + command;
    EXPECT_EQ(std::system(shell.c_str()), 0) << shell;

    std::ifstream results(dir.File("results.jsonl"));
    std::stringstream text;
    text << results.rdbuf();
    const std::string jsonl = text.str();
    EXPECT_EQ(Count(jsonl, "\"event\":\"job_ended\""), 2u) << jsonl;
    EXPECT_EQ(Count(jsonl, "\"status\":\"finished\""), 2u) << jsonl;
    EXPECT_NE(jsonl.find("a.mkv"), std::string::npos) << jsonl;
    EXPECT_NE(jsonl.find("b.mkv"), std::string::npos) << jsonl;
}
