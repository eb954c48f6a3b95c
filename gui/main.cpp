#include "app/InstanceHandOver.h"
#include "app/JobListFile.h"
#include "app/LanguageChoice.h"
#include "app/SettingsStore.h"
#include "gui/DispatcherBridge.h"
#include "gui/InstanceChannel.h"
#include "gui/MainWindow.h"
#include "gui/ProfileIcon.h"
#include "gui/QtPlatform.h"
#include "gui/QtTranslations.h"
#include "media/MainThreadDispatcher.h"

#include <QApplication>
#include <QDir>
#include <QLockFile>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// The command line's paths, absolute: a running program may have to take them.
QStringList CommandLinePaths(const QStringList& arguments) {
    std::vector<std::string> given;
    for (const QString& argument : arguments)
        given.push_back(QFile::encodeName(argument).toStdString());
    QStringList paths;
    for (const std::string& path : AbsolutePaths(given, QFile::encodeName(QDir::currentPath()).toStdString()))
        paths << QFile::decodeName(QByteArray::fromStdString(path));
    return paths;
}

// Takes "--lang zh|en" (or "--lang=zh") out of `arguments`; the value, or empty.
QString TakeLanguageOption(QStringList& arguments) {
    QString value;
    for (qsizetype i = 0; i < arguments.size();) {
        if (arguments[i] == QStringLiteral("--lang") && i + 1 < arguments.size()) {
            value = arguments[i + 1];
            arguments.remove(i, 2);
        } else if (arguments[i].startsWith(QStringLiteral("--lang="))) {
            value = arguments[i].mid(7);
            arguments.remove(i);
        } else {
            ++i;
        }
    }
    return value;
}

} // namespace

int main(int argc, char** argv) {
    // SDL video inside our widgets needs native windows only where we ask for them.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantoro"));
    QApplication::setApplicationVersion(QStringLiteral(VANTORO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vantoro"));
    QApplication::setWindowIcon(ApplicationIcon());
    QStringList arguments = app.arguments().mid(1);
    const QString languageOption = TakeLanguageOption(arguments);
    if (!languageOption.isEmpty() && !ParseLanguageName(languageOption.toStdString())) {
        std::fprintf(stderr, "vantoro: --lang takes zh or en, not %s\n", qPrintable(languageOption));
        return EXIT_FAILURE;
    }

    // One program per user session: a second window would keep a job list of
    // its own and overwrite the first one's. The lock keeps two starts at the
    // same moment from both deciding to be the first.
    const QStringList paths = CommandLinePaths(arguments);
    const QString socketName = QFile::decodeName(
        InstanceSocketPath(std::getenv("XDG_RUNTIME_DIR"), getuid(), QDir::tempPath().toStdString()).c_str());
    QLockFile startLock(socketName + QStringLiteral(".lock"));
    startLock.tryLock(InstanceChannel::HandOverTimeoutMs);
    switch (InstanceChannel::HandOver(socketName, paths)) {
    case InstanceChannel::THandOver::Delivered:
        return EXIT_SUCCESS;
    case InstanceChannel::THandOver::NoAnswer:
        std::fprintf(stderr, "vantoro: the running program did not take the files; try again\n");
        return EXIT_FAILURE;
    case InstanceChannel::THandOver::NoInstance:
        break;
    }
    InstanceChannel channel(socketName);
    if (!channel.Listen())
        std::fprintf(stderr, "vantoro: %s: %s; later starts open windows of their own\n",
                     qPrintable(socketName), qPrintable(channel.ErrorText()));
    startLock.unlock();

    MarkMainThread();
    ConnectDispatcherToEventLoop(app);

    const QString programFolder = QCoreApplication::applicationDirPath();
    TSettingsStore settings(SettingsFilePath(programFolder.toStdString()), HomeFolder());
    const TLanguage language =
        ChooseLanguage(languageOption.toStdString(), settings.ReadLanguage(), ReadLocaleVariables());
    if (!InstallLanguage(app, language))
        std::fprintf(stderr,
                     language == TLanguage::Chinese
                         ? "vantoro: Qt's Chinese translations are missing; its own texts stay English\n"
                         : "vantoro: the English translation is missing; the texts stay Chinese\n");
    QtPlatform platform;
    int status;
    {
        // The desktop program keeps its job list beside the settings, so a
        // crash or a restart loses no jobs.
        MainWindow window(platform, settings, programFolder, JobListFilePath(settings));
        platform.SetDialogParent(&window);
        window.SetStartupPaths(paths);
        window.AcceptHandOvers(channel);
        window.show();
        status = app.exec();
    }
    DisconnectDispatcher();
    return status;
}
