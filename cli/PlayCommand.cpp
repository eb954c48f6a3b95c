#include "cli/Commands.h"

#include <cstdio>

int RunPlayCommand(const CommandArgs&) {
    std::fprintf(stderr, "vantoro-cli: \"play\" is not available in this build\n");
    return 2;
}
