#include "app/JobListFile.h"
#include "app/SettingsStore.h"
#include "gui/DispatcherBridge.h"
#include "gui/MainWindow.h"
#include "gui/ProfileIcon.h"
#include "gui/QtPlatform.h"
#include "media/MainThreadDispatcher.h"

#include <QApplication>

int main(int argc, char** argv) {
    // SDL video inside our widgets needs native windows only where we ask for them.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vantoro"));
    QApplication::setApplicationVersion(QStringLiteral(VANTORO_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("vantoro"));
    QApplication::setWindowIcon(ApplicationIcon());
    MarkMainThread();
    ConnectDispatcherToEventLoop(app);

    const QString programFolder = QCoreApplication::applicationDirPath();
    TSettingsStore settings(SettingsFilePath(programFolder.toStdString()), HomeFolder());
    QtPlatform platform;
    int status;
    {
        // The desktop program keeps its job list beside the settings, so a
        // crash or a restart loses no jobs.
        MainWindow window(platform, settings, programFolder, JobListFilePath(settings));
        platform.SetDialogParent(&window);
        window.SetStartupPaths(app.arguments().mid(1));
        window.show();
        status = app.exec();
    }
    DisconnectDispatcher();
    return status;
}
