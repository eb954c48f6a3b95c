// What every fuzz target shares: the libraries bound once, a quiet logger, and
// a scratch file per process that holds the mutated input.
#pragma once

#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" {
#include <libavutil/log.h>
}

// Binds `set` once and silences the log: formatting thousands of library
// complaints about broken input would be most of the run's time.
inline void FuzzStartOnce(TLibrarySet set) {
    static const bool started = [set] {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        if (!FFmpegLoader().BindSet(set)) {
            std::fprintf(stderr, "fuzz: %s\n", FFmpegLoader().LastError().c_str());
            std::abort();
        }
        GetLogger().OnLog = nullptr;
        GetLogger().TriggerEventInMainThread = false;
        av_log_set_level(AV_LOG_QUIET);
        return true;
    }();
    (void)started;
}

// A path under the temporary folder unique to this process and `tag`.
inline std::string FuzzScratchPath(const std::string& tag) {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp && *tmp ? tmp : "/tmp") + "/vantoro-fuzz-" + std::to_string(getpid()) + "-" + tag;
}

// Writes the input to `path`; false when the file cannot be written.
inline bool FuzzWriteFile(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool written = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && written;
}
