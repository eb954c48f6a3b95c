// The desktop half of IPlatform on Linux: xdg-open for opening, logind over
// D-Bus (gdbus) for powering off, libcurl for downloads, SDL's audio output for
// WAV files and a root-owned file for the password lock. The file
// and folder dialogs need widgets, so the Qt program supplies them.
#pragma once

#include "app/PasswordLock.h"
#include "app/Platform.h"
#include "app/SoundPlayer.h"

#include <memory>
#include <string>
#include <vector>

// Runs `argv` and waits; its exit status, or -1 when it could not be started.
int RunProgram(const std::vector<std::string>& argv);
// Starts `argv` without waiting; false when it could not be started.
bool StartProgram(const std::vector<std::string>& argv);

class TDesktopPlatform : public IPlatform {
public:
    explicit TDesktopPlatform(std::string passwordLockFile = DefaultPasswordLockFile)
        : passwordLockFile_(std::move(passwordLockFile)) {}

    bool OpenWithDesktop(const std::string& target, std::function<void(bool opened)> done = {}) override;
    bool PowerOff() override;
    TDownloadResult Download(const std::string& url, const std::string& fileName, int timeoutSeconds,
                             int64_t maxBytes, const std::atomic<bool>& cancel, std::string& error) override;
    void PlaySound(const std::string& fileName) override;
    TPasswordStore ReadPasswordStore() override;

private:
    std::string passwordLockFile_;
    // The threads awaiting xdg-open check it before they post its answer.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    TSoundPlayer sound_; // main thread, as PlaySound
};
