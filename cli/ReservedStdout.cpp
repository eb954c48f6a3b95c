#include "cli/ReservedStdout.h"

#include <fcntl.h>
#include <unistd.h>

TReservedStdout::TReservedStdout() {
    std::fflush(stdout);
    // Close-on-exec: children get only the copy of standard error.
    const int reserved = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (reserved < 0)
        return;
    file_ = fdopen(reserved, "w");
    if (!file_) {
        close(reserved);
    } else if (dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::fclose(file_);
        file_ = nullptr;
    }
}

TReservedStdout::~TReservedStdout() {
    if (!file_)
        return;
    std::fflush(file_);
    std::fflush(stdout);
    dup2(fileno(file_), STDOUT_FILENO);
    std::fclose(file_);
}
