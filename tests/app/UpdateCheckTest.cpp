// The update check against a description served from 127.0.0.1 by the test.
#include "app/UpdateCheck.h"
#include "AppFakes.h"
#include "app/IniFile.h"
#include "fixtures/FixtureMaker.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Serves one fixed answer to every request on a free port of 127.0.0.1.
class TinyHttpServer {
public:
    TinyHttpServer(int status, std::string body) : status_(status), body_(std::move(body)) {
        fd_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        socklen_t len = sizeof addr;
        getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len);
        port_ = ntohs(addr.sin_port);
        listen(fd_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TinyHttpServer() {
        stop_ = true;
        shutdown(fd_, SHUT_RDWR);
        close(fd_);
        thread_.join();
    }
    std::string Url(const std::string& path = "/zorire/flash_pu.txt") const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

private:
    void Serve() {
        while (!stop_) {
            const int client = accept(fd_, nullptr, nullptr);
            if (client < 0)
                return;
            char buffer[4096];
            std::string request;
            while (request.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = read(client, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<size_t>(got));
            }
            const std::string answer = "HTTP/1.1 " + std::to_string(status_) +
                                       " X\r\nContent-Length: " + std::to_string(body_.size()) +
                                       "\r\nConnection: close\r\n\r\n" + body_;
            [[maybe_unused]] const ssize_t sent = write(client, answer.data(), answer.size());
            close(client);
        }
    }

    int status_;
    std::string body_;
    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

class TFakeUpdateView : public IUpdateView {
public:
    std::string Status;
    std::vector<std::string> Lines;
    int Progress = -1;
    bool DownloadEnabled = false;
    bool CheckEnabled = true;
    void SetStatus(const std::string& text) override { Status = text; }
    void ClearText() override { Lines.clear(); }
    void AddLine(const std::string& line) override { Lines.push_back(line); }
    void SetProgress(int percent) override { Progress = percent; }
    void SetDownloadEnabled(bool enabled) override { DownloadEnabled = enabled; }
    void SetCheckEnabled(bool enabled) override { CheckEnabled = enabled; }
};

struct UpdateCheckTest : testing::Test {
    TempDir dir;
    std::string settings = dir.File("system.ini");
    TFakeUpdateView view;
    TFakePlatform platform;

    void RunCheck(const std::string& url) {
        TIniFile(settings).WriteString("Update", "URL", url);
        TUpdateCheck check(view, platform, settings);
        check.Show();
        check.Check();
        // The window stays responsive: the check returns at once.
        EXPECT_EQ(view.Progress, 20);
        EXPECT_FALSE(view.CheckEnabled);
        ASSERT_TRUE(ServeUntil([&] { return !check.Checking(); }, 30s));
        EXPECT_TRUE(view.CheckEnabled);
        link = check.DownloadLink();
        shown = view.Lines;
        if (view.DownloadEnabled) {
            check.StartDownload();
            EXPECT_TRUE(view.Lines.empty());
        }
    }
    std::string link;
    std::vector<std::string> shown; // the text box before "开始下载" cleared it
};

constexpr const char* Failed = "连接失败!可能网络忙或没连接到网络...";

} // namespace

TEST_F(UpdateCheckTest, ANewVersionIsShownWithItsDetails) {
    TinyHttpServer server(
        200, "[version]\r\nnew=1.5\r\ndate=2026-01-02\r\nlinks1=http://x/y.zip\r\nsize=3 MB\r\n");
    RunCheck(server.Url());
    EXPECT_EQ(view.Status, "发现新版本程序,您可以升级下载新版本。");
    const std::vector<std::string> expected{"发现新版本程序....",
                                            "软件名称:Vantoro",
                                            "最新版本:1.5",
                                            "更新日期:2026-01-02",
                                            "软件大小:3 MB",
                                            "下载链接:http://x/y.zip",
                                            ""};
    ASSERT_EQ(shown.size(), expected.size() + 1);
    EXPECT_EQ(std::vector<std::string>(shown.begin(), shown.begin() + 7), expected);
    EXPECT_EQ(view.Progress, 100);
    EXPECT_EQ(link, "http://x/y.zip");
    EXPECT_EQ(platform.Opened, std::vector<std::string>{"http://x/y.zip"});
    EXPECT_TRUE(std::filesystem::exists(dir.File("update.ini")));
}

TEST_F(UpdateCheckTest, TheSameVersionIsTheLatest) {
    TinyHttpServer server(200, "[version]\nnew=1.63\n");
    RunCheck(server.Url());
    EXPECT_EQ(view.Status, "没有检测到新版本,现在使用的为最新版本!");
    EXPECT_EQ(view.Lines, std::vector<std::string>{"没有检测到新版本,现在使用的为最新版本!"});
    EXPECT_FALSE(view.DownloadEnabled);
    EXPECT_EQ(view.Progress, 100);
}

TEST_F(UpdateCheckTest, AnswersWithoutAVersionAndUnreachableServersFail) {
    struct Case {
        const char* name;
        int status;
        const char* body;
    };
    for (const Case c : {Case{"error page", 200, "<html>Service unavailable</html>"}, Case{"empty", 200, ""},
                         Case{"not found", 404, "[version]\nnew=9.9\n"}}) {
        SCOPED_TRACE(c.name);
        TinyHttpServer server(c.status, c.body);
        RunCheck(server.Url());
        EXPECT_EQ(view.Status, Failed);
        EXPECT_EQ(view.Lines, std::vector<std::string>{Failed});
        EXPECT_FALSE(view.DownloadEnabled);
    }
    // Nobody listens on this port any more.
    std::string closedUrl;
    {
        TinyHttpServer server(200, "");
        closedUrl = server.Url();
    }
    RunCheck(closedUrl);
    EXPECT_EQ(view.Status, Failed);
    EXPECT_EQ(view.Progress, 20);
}
