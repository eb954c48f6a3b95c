// Frame-hook modules ("vhook"): shared libraries loaded once per process by
// path, each use configured with its own words and context.
#pragma once

#include "engine/FrameHookApi.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
}

struct TFrameHookLibrary; // a loaded module, shared by every hook that uses it

// One configured use of a module in a task's hook chain.
struct TFrameHookModule {
    // `words` stay alive with the hook: a module may keep the argv pointers it was configured with.
    TFrameHookModule(std::shared_ptr<const TFrameHookLibrary> library, std::vector<std::string> words);
    // Calls the module's Configure; false when it is missing while needed or refuses (logged).
    bool Configure();
    ~TFrameHookModule(); // calls Release on the context
    TFrameHookModule(const TFrameHookModule&) = delete;
    TFrameHookModule& operator=(const TFrameHookModule&) = delete;

    void Process(VantoroHookPicture& picture, AVPixelFormat pixelFormat, int width, int height,
                 int64_t pts) const;

private:
    std::shared_ptr<const TFrameHookLibrary> library_;
    std::vector<std::string> words_;
    std::vector<char*> argv_;
    void* context_ = nullptr;
    bool configured_ = false;
};

// Splits a "vhook" value into words: at "|" when it has one, otherwise at
// blanks; at most 254 words.
std::vector<std::string> SplitHookArguments(const std::string& value);
// Loads (or takes from the process-wide cache) the module named by the first
// word and configures it with all words. Logs the library's messages at error
// level and returns null on failure.
std::shared_ptr<TFrameHookModule> CreateFrameHook(const std::string& value);
// Runs every hook of a chain on one picture, in order.
void RunFrameHooks(const std::vector<std::shared_ptr<TFrameHookModule>>& hooks, VantoroHookPicture& picture,
                   AVPixelFormat pixelFormat, int width, int height, int64_t pts);
