#include "cli/Commands.h"

#include <cstdio>

int RunInfoCommand(const CommandArgs&) {
    std::fprintf(stderr, "vantoro-cli: \"info\" is not available in this build\n");
    return 2;
}
