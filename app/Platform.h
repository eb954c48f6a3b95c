// What the application logic asks of the desktop: file and folder dialogs,
// opening a folder, file or address with the desktop, powering off, downloading
// a URL, playing a sound and reading the password lock. TDesktopPlatform is the
// real one; tests use fakes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// One entry of an open dialog's filter list.
struct TFileFilter {
    std::string Label;
    std::string Patterns; // "*.avi;*.mkv"
};

// The password lock as stored: whether the lock is on, and its scrambled "ps"
// value when there is one.
struct TPasswordStore {
    bool LockOn = false;
    std::string ScrambledPassword; // empty when the lock holds no value
};

// How a download ended.
enum class TDownloadResult {
    Done,     // the whole answer is in the file
    Failed,   // no answer: no connection, a time-out, an HTTP error, a cancel, a write error
    TooLarge, // the server answered with more than allowed; nothing is kept
};

class IPlatform {
public:
    virtual ~IPlatform() = default;

    // Main thread. None when cancelled.
    virtual std::optional<std::string> ChooseOpenFile(const std::vector<TFileFilter>& filters) = 0;
    // Main thread. Empty when cancelled; the files in the dialog's order.
    virtual std::vector<std::string> ChooseOpenFiles(const std::vector<TFileFilter>& filters) = 0;
    // Main thread. None when cancelled.
    virtual std::optional<std::string> ChooseFolder(const std::string& caption) = 0;
    // Main thread. The same dialog opened at `startFolder` (the folder chosen
    // so far); platforms without a start folder show their usual one.
    virtual std::optional<std::string> ChooseFolderFrom(const std::string& caption,
                                                        const std::string& /*startFolder*/) {
        return ChooseFolder(caption);
    }

    // Asks the desktop to open a folder, file, web address or mail link; false
    // when the request could not be made. Returns at once; when the desktop
    // has answered, `done` (if any) runs on the main thread with whether it
    // opened the target (xdg-open finds no program for some targets).
    virtual bool OpenWithDesktop(const std::string& target, std::function<void(bool opened)> done = {}) = 0;
    // Asks the system to power off; false when the request was refused.
    virtual bool PowerOff() = 0;
    // Downloads `url` to `fileName`, waiting at most `timeoutSeconds` and
    // taking at most `maxBytes`; on failure sets `error` and leaves no partial
    // file. Any thread; blocks until done, failed or `cancel` becomes true.
    virtual TDownloadResult Download(const std::string& url, const std::string& fileName, int timeoutSeconds,
                                     int64_t maxBytes, const std::atomic<bool>& cancel,
                                     std::string& error) = 0;
    // Starts playing a WAV file without waiting for it.
    virtual void PlaySound(const std::string& fileName) = 0;
    virtual TPasswordStore ReadPasswordStore() = 0;
};
