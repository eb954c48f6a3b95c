#include "app/UpdateCheck.h"

#include "app/IniFile.h"
#include "media/MainThreadDispatcher.h"
#include "profiles/Translation.h"

#include <filesystem>

namespace {

constexpr const char* VersionSection = "version";
constexpr const char* ConnectingStatus = VT_TR("正在连接软件网站....");
constexpr const char* ConnectingLine = VT_TR("正在连接软件网站,请您耐心等待....");
constexpr const char* FailedText = VT_TR("连接失败!可能网络忙或没连接到网络...");
// The server answered, but not with a description (an empty answer, an error
// page, something far too long).
constexpr const char* InvalidAnswerText = VT_TR("服务器返回的升级信息无效,无法检测新版本!");
constexpr const char* CheckingStatus = VT_TR("正在检测新版本的程序....");
constexpr const char* NewVersionStatus = VT_TR("发现新版本程序,您可以升级下载新版本。");
constexpr const char* LatestText = VT_TR("没有检测到新版本,现在使用的为最新版本!");

} // namespace

TUpdateCheck::TUpdateCheck(IUpdateView& view, IPlatform& platform, std::string settingsFile)
    : view_(view), platform_(platform), settingsFile_(std::move(settingsFile)) {}

TUpdateCheck::~TUpdateCheck() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
}

std::string TUpdateCheck::UpdateUrl() const {
    const std::string url = TIniFile(settingsFile_).ReadString(UrlSection, UrlKey, "");
    return url.empty() ? DefaultUrl : url;
}

std::string TUpdateCheck::LocalCopy() const {
    return (std::filesystem::path(settingsFile_).parent_path() / LocalCopyName).string();
}

void TUpdateCheck::Show() {
    view_.ClearText();
    view_.SetStatus(VT_TR("状态信息:"));
    view_.SetDownloadEnabled(false);
    view_.SetCheckEnabled(!checking_);
    view_.SetProgress(0);
}

void TUpdateCheck::Check() {
    if (checking_)
        return;
    view_.SetProgress(0);
    view_.SetStatus(ConnectingStatus);
    view_.ClearText();
    view_.AddLine(ConnectingLine);
    view_.SetProgress(20);
    checking_ = true;
    view_.SetCheckEnabled(false);
    if (worker_.joinable())
        worker_.join(); // the last check's worker has already posted its result
    worker_ = std::thread([this, url = UpdateUrl(), file = LocalCopy(), alive = std::weak_ptr<bool>(alive_)] {
        TFound found;
        try {
            std::string error;
            found.Download = platform_.Download(url, file, TimeoutSeconds, MaxAnswerBytes, cancel_, error);
            if (found.Download == TDownloadResult::Done) {
                const TIniFile description(file);
                found.NewVersion = description.ReadString(VersionSection, "new", "");
                found.Date = description.ReadString(VersionSection, "date", "");
                found.Link = description.ReadString(VersionSection, "links1", "");
                found.Size = description.ReadString(VersionSection, "size", "");
            }
        } catch (...) {
            found.Download = TDownloadResult::Failed;
        }
        // The values are all that is needed; no copy stays behind.
        std::error_code ec;
        std::filesystem::remove(file, ec);
        PostToMainThread([this, found = std::move(found), alive] {
            if (alive.lock())
                Finish(found);
        });
    });
}

void TUpdateCheck::ShowFailure(const char* text) {
    view_.SetStatus(text);
    view_.ClearText();
    view_.AddLine(text);
}

void TUpdateCheck::Finish(const TFound& found) {
    checking_ = false;
    view_.SetCheckEnabled(true);
    if (found.Download == TDownloadResult::Failed) {
        ShowFailure(FailedText);
        return;
    }
    view_.SetProgress(50);
    view_.SetStatus(CheckingStatus);
    // A file naming no version (an error page, an empty answer) is no
    // description at all; announcing it as a new version would be wrong.
    if (found.Download == TDownloadResult::TooLarge || found.NewVersion.empty()) {
        ShowFailure(InvalidAnswerText);
        return;
    }
    if (found.NewVersion != CurrentVersion) {
        view_.ClearText();
        view_.SetStatus(NewVersionStatus);
        view_.AddLine(VT_TR("发现新版本程序...."));
        view_.AddLine(Tr(VT_TR("软件名称:")) + "Vantoro");
        view_.AddLine(Tr(VT_TR("最新版本:")) + found.NewVersion);
        view_.AddLine(Tr(VT_TR("更新日期:")) + found.Date);
        view_.AddLine(Tr(VT_TR("软件大小:")) + found.Size);
        view_.AddLine(Tr(VT_TR("下载链接:")) + found.Link);
        view_.AddLine("");
        view_.SetDownloadEnabled(true);
        downloadLink_ = found.Link;
        view_.SetProgress(100);
        view_.AddLine(
            VT_TR("检测完成,您可以点击<开始下载>按钮打开下载最新升级版本。推荐您使用（网际快车）软件下载。"));
    } else {
        view_.SetStatus(LatestText);
        view_.ClearText();
        view_.AddLine(LatestText);
        view_.SetProgress(100);
    }
}

void TUpdateCheck::StartDownload() {
    view_.ClearText();
    platform_.OpenWithDesktop(downloadLink_);
}
