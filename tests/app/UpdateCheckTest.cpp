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

// Serves one fixed answer to every request on a free port of 127.0.0.1, with
// its length or (`withLength` false) ended by closing the connection.
class TinyHttpServer {
public:
    TinyHttpServer(int status, std::string body, bool withLength = true)
        : status_(status), body_(std::move(body)), withLength_(withLength) {
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
            const std::string length =
                withLength_ ? "Content-Length: " + std::to_string(body_.size()) + "\r\n" : std::string();
            const std::string answer = "HTTP/1.1 " + std::to_string(status_) + " X\r\n" + length +
                                       "Connection: close\r\n\r\n" + body_;
            // The client may hang up early (a refused long answer): no SIGPIPE.
            for (size_t at = 0; at < answer.size();) {
                const ssize_t sent = send(client, answer.data() + at, answer.size() - at, MSG_NOSIGNAL);
                if (sent <= 0)
                    break;
                at += static_cast<size_t>(sent);
            }
            close(client);
        }
    }

    int status_;
    std::string body_;
    bool withLength_;
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
    // Read on the worker, then removed: nothing of the answer stays on disk.
    EXPECT_FALSE(std::filesystem::exists(dir.File("update.ini")));
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
    // A server that answered with something else than a description says so;
    // one that could not be reached, or refused the request, is a failed connection.
    constexpr const char* Invalid = "服务器返回的升级信息无效,无法检测新版本!";
    // A description at its head, then far more than any description holds.
    const std::string huge = "[version]\nnew=9.9\n" + std::string(TUpdateCheck::MaxAnswerBytes * 4, ';');
    struct Case {
        const char* name;
        int status;
        std::string body;
        bool withLength;
        const char* shown;
    };
    const Case cases[] = {
        {"error page", 200, "<html>Service unavailable</html>", true, Invalid},
        {"empty", 200, "", true, Invalid},
        {"too long, with its length", 200, huge, true, Invalid},
        {"too long, without a length", 200, huge, false, Invalid},
        {"not found", 404, "[version]\nnew=9.9\n", true, Failed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TinyHttpServer server(c.status, c.body, c.withLength);
        RunCheck(server.Url());
        EXPECT_EQ(view.Status, c.shown);
        EXPECT_EQ(view.Lines, std::vector<std::string>{c.shown});
        EXPECT_FALSE(view.DownloadEnabled);
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().filename(), "system.ini") << "left behind";
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
