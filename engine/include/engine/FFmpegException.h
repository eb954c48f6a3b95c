// The engine's one failure type for option, set-up and run errors. Its text
// becomes the task's error message, so it is the exact user-facing message.
#pragma once

#include <stdexcept>
#include <string>

class FFmpegException : public std::runtime_error {
public:
    explicit FFmpegException(const std::string& message) : std::runtime_error(message) {}
};
