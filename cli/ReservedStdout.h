// Standard output kept for one writer. Programs started during a run (xdg-open
// for --then) and library code may print to descriptor 1; where standard output
// carries machine-read lines, those prints would break them. While this object
// lives, descriptor 1 is a copy of standard error and File() writes to the
// original standard output.
#pragma once

#include <cstdio>

class TReservedStdout {
public:
    TReservedStdout();
    // Puts standard output back.
    ~TReservedStdout();
    TReservedStdout(const TReservedStdout&) = delete;
    TReservedStdout& operator=(const TReservedStdout&) = delete;

    // The original standard output (stdout itself when it could not be set apart).
    std::FILE* File() const { return file_ ? file_ : stdout; }

private:
    std::FILE* file_ = nullptr; // on a copy of the original descriptor 1
};
