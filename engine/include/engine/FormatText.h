// printf-style formatting into a std::string, for the engine's fixed messages.
#pragma once

#include <string>

std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));
