#include "cli/Commands.h"

#include <cstdio>

int RunTranscodeCommand(const CommandArgs&) {
    std::fprintf(stderr, "vantoro-cli: \"transcode\" is not available in this build\n");
    return 2;
}
