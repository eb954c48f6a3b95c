// What the desktop hands the program: the files of a second start, which go to
// the window already running (the real program is started a second time, as
// the file manager does), and the file types the desktop entry claims.
#include "GuiTestSupport.h"

#include "app/InstanceHandOver.h"
#include "app/MediaFiles.h"
#include "app/SettingsStore.h"
#include "fixtures/FixtureMaker.h"
#include "gui/FormatChooserDialog.h"
#include "gui/InstanceChannel.h"
#include "gui/JobListTable.h"
#include "gui/MainWindow.h"
#include "gui/OptionsDialog.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class SecondStartTest : public ::testing::Test {
protected:
    void SetUp() override {
        GuiApp();
        fs::create_directories(runtime_.Path());
        socketName_ = QString::fromStdString(InstanceSocketPath(runtime_.Path().c_str(), getuid(), "/tmp"));
    }

    // The program started with `arguments` in `workingDir`, in this test's
    // session; true when it ended by itself with status 0 (served meanwhile:
    // it waits for this process's answer).
    bool StartSecond(const QStringList& arguments, const std::string& workingDir) {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(runtime_.Path().string()));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        // Were it to open a window after all, its settings stay in here.
        env.insert(QStringLiteral("HOME"), QString::fromStdString(runtime_.Path().string()));
        second.setProcessEnvironment(env);
        second.setWorkingDirectory(QString::fromStdString(workingDir));
        second.start(QStringLiteral(VANTORO_PROGRAM), arguments);
        if (!second.waitForStarted(10000))
            return false;
        const bool ended = WaitFor([&] { return second.state() == QProcess::NotRunning; }, 20000);
        if (!ended) {
            second.kill();
            second.waitForFinished();
            return false;
        }
        return second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0;
    }

    TempDir runtime_;
    QString socketName_;
};

void AnswerChooserAndOptions(TModalScript& script) {
    script.ThenOn<FormatChooserDialog>([](FormatChooserDialog* chooser) { chooser->NextButton()->click(); });
    script.ThenOn<OptionsDialog>([](OptionsDialog* options) { options->ConfirmButton()->click(); });
}

TEST_F(SecondStartTest, ASecondStartHandsItsFilesToTheRunningWindowAndEnds) {
    TempDir dir;
    MakeClip(dir.File("a.mp4"), VideoAndAudioClip(0.5));
    MakeClip(dir.File("b.mp4"), VideoAndAudioClip(0.5));
    TSettingsStore store(dir.File("system.ini"), dir.Path().string());
    TFakePlatform platform;
    MainWindow window(platform, store, QString::fromStdString(dir.Path().string()));
    InstanceChannel channel(socketName_);
    ASSERT_TRUE(channel.Listen()) << channel.ErrorText().toStdString();
    window.AcceptHandOvers(channel);
    window.show();

    // Relative names, as a file manager or a shell in the clips' folder gives them.
    TModalScript script;
    AnswerChooserAndOptions(script);
    ASSERT_TRUE(StartSecond({QStringLiteral("b.mp4"), QStringLiteral("a.mp4")}, dir.Path().string()));
    ASSERT_TRUE(WaitFor([&] { return script.Done() && !window.Logic().Adding(); }));
    ASSERT_EQ(window.Jobs()->rowCount(), 2);
    std::set<std::string> sources;
    for (int row = 0; row < 2; ++row)
        sources.insert(window.Jobs()->item(row, 1)->text().toStdString());
    EXPECT_EQ(sources, (std::set<std::string>{dir.File("a.mp4"), dir.File("b.mp4")}));

    // Files that come while the window cannot add (a run) wait for it, and are not lost.
    window.SetEnabled(TMainAction::Add, false);
    ASSERT_TRUE(StartSecond({QString::fromStdString(dir.File("a.mp4"))}, "/"));
    QTest::qWait(700);
    EXPECT_EQ(window.Jobs()->rowCount(), 2);
    TModalScript later;
    AnswerChooserAndOptions(later);
    window.SetEnabled(TMainAction::Add, true);
    ASSERT_TRUE(WaitFor([&] { return window.Jobs()->rowCount() == 3; }, 10000));
    window.close();
}

TEST_F(SecondStartTest, ASocketLeftByADeadProgramDoesNotBlockTheNextStart) {
    // A program killed while running leaves its socket file and nobody behind it.
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = socketName_.toStdString();
    ASSERT_LT(path.size(), sizeof(address.sun_path));
    std::copy(path.begin(), path.end(), address.sun_path);
    ASSERT_EQ(bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    close(fd);
    ASSERT_TRUE(fs::exists(path));

    EXPECT_EQ(InstanceChannel::HandOver(socketName_, {}), InstanceChannel::THandOver::NoInstance);
    InstanceChannel channel(socketName_);
    ASSERT_TRUE(channel.Listen()) << channel.ErrorText().toStdString();
    // A start without files only brings the window up.
    QSignalSpy arrived(&channel, &InstanceChannel::PathsArrived);
    ASSERT_TRUE(StartSecond({}, "/"));
    ASSERT_TRUE(WaitFor([&] { return arrived.count() == 1; }, 5000));
    EXPECT_TRUE(arrived.at(0).at(0).toStringList().isEmpty());
}

// Every type the desktop entry offers to open is a type a dropped or opened
// folder stands for, so the file manager and the program agree.
TEST(DesktopEntryTest, EveryClaimedTypeIsOneAFolderStandsFor) {
    GuiApp();
    std::ifstream entry(VANTORO_DESKTOP_ENTRY);
    std::string line, types;
    while (std::getline(entry, line))
        if (line.starts_with("MimeType="))
            types = line.substr(9);
    ASSERT_FALSE(types.empty());
    const QMimeDatabase database;
    int checked = 0;
    for (const QString& name : QString::fromStdString(types).split(u';', Qt::SkipEmptyParts)) {
        const QMimeType type = database.mimeTypeForName(name);
        if (!type.isValid() || type.preferredSuffix().isEmpty())
            continue; // unknown to this system's type list
        ++checked;
        EXPECT_TRUE(IsMediaFile("/v/a." + type.preferredSuffix().toStdString()))
            << name.toStdString() << " ." << type.preferredSuffix().toStdString();
    }
    EXPECT_GT(checked, 0);
}

} // namespace
