#include "loop/FrameHookModule.h"

#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <map>
#include <mutex>

extern "C" {
#include <libavutil/log.h>
}

struct TFrameHookLibrary {
    std::string Path;
    void* Handle = nullptr; // never closed: modules stay loaded for the process's life
    VantoroHookConfigure Configure = nullptr;
    VantoroHookProcess Process = nullptr;
    VantoroHookRelease Release = nullptr;
};

namespace {

constexpr size_t MaxHookWords = 254;

// Puts the module's folder in front of PATH so that programs it starts next to
// itself are found; the change stays for the process, as the module does.
void AddToSearchPath(const std::string& directory) {
    const char* current = std::getenv("PATH");
    const std::string path = current ? current : "";
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(':', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        if (path.compare(start, end - start, directory) == 0 && end - start == directory.size()) {
            return;
        }
        start = end + 1;
    }
    setenv("PATH", (path.empty() ? directory : directory + ":" + path).c_str(), 1);
}

// Loads a module once per process; later uses of the same path share it.
std::shared_ptr<const TFrameHookLibrary> LoadLibrary(const std::string& givenPath) {
    static std::mutex cacheLock;
    static std::map<std::string, std::shared_ptr<const TFrameHookLibrary>> cache; // guarded by cacheLock

    std::error_code error;
    // Absolute, so that the path means the same from any current directory.
    const std::filesystem::path absolute = std::filesystem::absolute(givenPath, error);
    const std::string key = error ? givenPath : absolute.string();

    std::lock_guard lock(cacheLock);
    if (auto it = cache.find(key); it != cache.end()) {
        return it->second;
    }
    void* handle = dlopen(key.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        av_log(nullptr, AV_LOG_ERROR, "%s\n", reason ? reason : key.c_str());
        return nullptr;
    }
    if (!error) {
        AddToSearchPath(absolute.parent_path().string());
    }
    auto library = std::make_shared<TFrameHookLibrary>();
    library->Path = key;
    library->Handle = handle;
    library->Configure = reinterpret_cast<VantoroHookConfigure>(dlsym(handle, "Configure"));
    library->Process = reinterpret_cast<VantoroHookProcess>(dlsym(handle, "Process"));
    library->Release = reinterpret_cast<VantoroHookRelease>(dlsym(handle, "Release"));
    cache.emplace(key, library);
    return library;
}

} // namespace

TFrameHookModule::TFrameHookModule(std::shared_ptr<const TFrameHookLibrary> library,
                                   std::vector<std::string> words)
    : library_(std::move(library)), words_(std::move(words)) {
    argv_.reserve(words_.size() + 1);
    for (std::string& word : words_) {
        argv_.push_back(word.data());
    }
    argv_.push_back(nullptr);
}

TFrameHookModule::~TFrameHookModule() {
    if (configured_ && library_->Release) {
        library_->Release(context_);
    }
}

bool TFrameHookModule::Configure() {
    const char* path = words_.front().c_str();
    if (!library_->Process) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", path);
        return false;
    }
    if (!library_->Configure) {
        if (words_.size() > 1) {
            av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", path);
            return false;
        }
        return true;
    }
    // A refusing module owns nothing we could release.
    if (library_->Configure(&context_, static_cast<int>(words_.size()), argv_.data()) != 0) {
        av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", path);
        return false;
    }
    configured_ = true;
    return true;
}

void TFrameHookModule::Process(VantoroHookPicture& picture, AVPixelFormat pixelFormat, int width, int height,
                               int64_t pts) const {
    library_->Process(context_, &picture, pixelFormat, width, height, pts);
}

std::vector<std::string> SplitHookArguments(const std::string& value) {
    const char* separators = value.find('|') != std::string::npos ? "|" : " \t";
    std::vector<std::string> words;
    size_t start = value.find_first_not_of(separators);
    while (start != std::string::npos && words.size() < MaxHookWords) {
        const size_t end = value.find_first_of(separators, start);
        words.push_back(value.substr(start, end == std::string::npos ? std::string::npos : end - start));
        start = end == std::string::npos ? end : value.find_first_not_of(separators, end);
    }
    return words;
}

std::shared_ptr<TFrameHookModule> CreateFrameHook(const std::string& value) {
    std::vector<std::string> words = SplitHookArguments(value);
    if (words.empty()) {
        return nullptr;
    }
    std::shared_ptr<const TFrameHookLibrary> library = LoadLibrary(words[0]);
    if (!library) {
        return nullptr;
    }
    auto hook = std::make_shared<TFrameHookModule>(std::move(library), std::move(words));
    return hook->Configure() ? hook : nullptr;
}

void RunFrameHooks(const std::vector<std::shared_ptr<TFrameHookModule>>& hooks, VantoroHookPicture& picture,
                   AVPixelFormat pixelFormat, int width, int height, int64_t pts) {
    for (const auto& hook : hooks) {
        hook->Process(picture, pixelFormat, width, height, pts);
    }
}
