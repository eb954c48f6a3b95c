#include "gui/DispatcherBridge.h"
#include "gui/MainWindow.h"
#include "media/MainThreadDispatcher.h"

#include <QApplication>

int main(int argc, char** argv) {
    // SDL video inside our widgets needs native windows only where we ask for them.
    QApplication::setAttribute(Qt::AA_DontCreateNativeWidgetSiblings);
    QApplication app(argc, argv);
    MarkMainThread();
    ConnectDispatcherToEventLoop(app);
    int status;
    {
        MainWindow window;
        window.show();
        status = app.exec();
    }
    DisconnectDispatcher();
    return status;
}
