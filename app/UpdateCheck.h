// The online update window's logic: download the update description from the
// address in the settings on a worker (the window stays responsive), read the
// version it names, and tell the user whether a newer one exists. Nothing is
// installed; "开始下载" only opens the download link with the desktop.
//
// Main thread: Show, Check, StartDownload, the view calls. The download, capped
// in size, and the reading of the description run on a worker owned by this
// object; the values come back through the dispatcher and the downloaded copy
// is removed.
#pragma once

#include "app/Platform.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

class IUpdateView {
public:
    virtual ~IUpdateView() = default;
    virtual void SetStatus(const std::string& text) = 0;
    virtual void ClearText() = 0;
    virtual void AddLine(const std::string& line) = 0;
    virtual void SetProgress(int percent) = 0;
    virtual void SetDownloadEnabled(bool enabled) = 0; // "开始下载"
    virtual void SetCheckEnabled(bool enabled) = 0;    // "检测升级", off while a check runs
};

class TUpdateCheck {
public:
    static constexpr const char* CurrentVersion = "1.63";
    static constexpr const char* LocalCopyName = "update.ini";
    static constexpr int TimeoutSeconds = 15;
    // A description is a few lines; a longer answer is no description, and
    // taking it whole would fill the memory and the disk.
    static constexpr int64_t MaxAnswerBytes = 256 * 1024;
    // Where the address is stored in the settings file, and the address used
    // when none is stored.
    static constexpr const char* UrlSection = "Update";
    static constexpr const char* UrlKey = "URL";
    static constexpr const char* DefaultUrl = "https://update.vantoro.net/zorire/flash_pu.txt";

    // `settingsFile`: the settings file; the address is read from it and the
    // local copy goes beside it.
    TUpdateCheck(IUpdateView& view, IPlatform& platform, std::string settingsFile);
    // Cancels a running download and waits for its worker.
    ~TUpdateCheck();
    TUpdateCheck(const TUpdateCheck&) = delete;
    TUpdateCheck& operator=(const TUpdateCheck&) = delete;

    // The window opens.
    void Show();
    // "检测升级": starts a check unless one is running.
    void Check();
    // "开始下载".
    void StartDownload();

    bool Checking() const { return checking_; }
    const std::string& DownloadLink() const { return downloadLink_; }
    std::string UpdateUrl() const;
    std::string LocalCopy() const;

private:
    // What the worker found: the download's outcome and the description's values.
    struct TFound {
        TDownloadResult Download = TDownloadResult::Failed;
        std::string NewVersion, Date, Link, Size;
    };
    void Finish(const TFound& found);
    void ShowFailure(const char* text);

    IUpdateView& view_;
    IPlatform& platform_;
    std::string settingsFile_;
    std::string downloadLink_;
    bool checking_ = false;
    std::atomic<bool> cancel_{false};
    std::thread worker_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true); // posted results check it
};
