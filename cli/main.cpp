// vantoro-cli: the headless front end, for scripting and for diagnosing the
// engine and the player without a window.
#include "cli/Commands.h"
#include "media/MainThreadDispatcher.h"

#include <cstdio>
#include <cstring>

namespace {

struct Command {
    const char* name;
    int (*run)(const CommandArgs&);
    const char* usage;
};

const Command kCommands[] = {
    {"info", RunInfoCommand, "info FILE...                     print each file's format report"},
    {"play", RunPlayCommand,
     "play FILE [--seconds S] [--seek SECONDS] [--paused] [--snapshot OUT.bmp] [--window]"},
    {"transcode", RunTranscodeCommand,
     "transcode [--threads N] -i INPUT [--iopt NAME=VALUE]... -o OUTPUT [--oopt NAME=VALUE]..."},
    {"profiles", RunProfilesCommand,
     "profiles                         list the output profiles and their choices"},
    {"convert", RunConvertCommand,
     "convert --profile ID [--output-dir DIR] [--set LIST=ITEM]... [--filter hflip|vflip|negate]...\n"
     "              [--clip HH:MM:SS-HH:MM:SS] [--deinterlace auto|on|off] [--overwrite] [--parallel N]\n"
     "              [--then none|open-folder|shutdown]\n"
     "              [--audio-track N] [--subtitles none|keep|burn [--subtitle-track N]]\n"
     "              [--settings FILE] [--json] [--verbose] FILE..."},
    {"--version", RunVersionCommand, "--version                        print program and component versions"},
};

void printUsage(FILE* out) {
    std::fprintf(out, "usage: vantoro-cli COMMAND [ARGS]\n");
    for (const auto& c : kCommands)
        std::fprintf(out, "  vantoro-cli %s\n", c.usage);
}

} // namespace

int main(int argc, char** argv) {
    MarkMainThread();
    if (argc < 2) {
        printUsage(stderr);
        return 2;
    }
    for (const auto& c : kCommands) {
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(CommandArgs(argv + 2, argv + argc));
    }
    if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printUsage(stdout);
        return 0;
    }
    std::fprintf(stderr, "vantoro-cli: unknown command \"%s\"\n", argv[1]);
    printUsage(stderr);
    return 2;
}
