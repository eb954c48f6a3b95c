// The update window checks on its worker while the window stays live, and
// the password window gives the typed text or nothing.
#include "GuiTestSupport.h"

#include "fixtures/FixtureMaker.h"
#include "gui/PasswordDialog.h"
#include "gui/UpdateDialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(UpdateDialogTest, ACheckRunsWithoutBlockingAndOffersTheNewVersion) {
    GuiApp();
    TempDir dir;
    const std::string description = dir.File("flash_pu.txt");
    std::ofstream(description)
        << "[version]\nnew=2.0\ndate=2026-12-01\nlinks1=https://example.org/v2\nsize=9 MB\n";
    const std::string settings = dir.File("system.ini");
    std::ofstream(settings) << "[Update]\nURL=file://" << description << "\n";

    TFakePlatform platform;
    UpdateDialog window(platform, settings);
    window.show();
    EXPECT_EQ(window.Status()->text(), QStringLiteral("状态信息:"));
    EXPECT_FALSE(window.DownloadButton()->isEnabled());
    window.CheckButton()->click();
    ASSERT_TRUE(WaitFor([&] { return window.DownloadButton()->isEnabled(); }, 20000));
    EXPECT_EQ(window.Status()->text(), QStringLiteral("发现新版本程序,您可以升级下载新版本。"));
    EXPECT_TRUE(window.TextBox()->toPlainText().contains(QStringLiteral("最新版本:2.0")));
    window.DownloadButton()->click();
    EXPECT_EQ(platform.Opened, std::vector<std::string>{"https://example.org/v2"});
}

TEST(PasswordDialogTest, OkGivesTheTypedTextAndQuitOrTheCloseBoxGiveNothing) {
    GuiApp();
    PasswordDialog window;
    EXPECT_EQ(window.PasswordBox()->echoMode(), QLineEdit::Password);
    {
        TModalScript script;
        script.ThenOn<PasswordDialog>([](PasswordDialog* shown) {
            QTest::keyClicks(shown->PasswordBox(), QStringLiteral("mubmub"));
            QTest::keyClick(shown->PasswordBox(), Qt::Key_Return);
        });
        EXPECT_EQ(window.Ask(), std::optional<std::string>("mubmub"));
    }
    {
        TModalScript script;
        script.ThenOn<PasswordDialog>([](PasswordDialog* shown) {
            EXPECT_TRUE(shown->PasswordBox()->text().isEmpty()); // cleared on each showing
            shown->close();
        });
        EXPECT_EQ(window.Ask(), std::nullopt);
    }
}

} // namespace
