#include "gui/DispatcherBridge.h"
#include "media/MainThreadDispatcher.h"

#include <QCoreApplication>
#include <QMetaObject>

void ConnectDispatcherToEventLoop(QCoreApplication& app) {
    QCoreApplication* target = &app;
    // Runs on whichever thread queued the call; the pump itself runs on the main thread.
    SetMainThreadWakeHandler([target] {
        QMetaObject::invokeMethod(target, [] { ProcessPendingMessages(); }, Qt::QueuedConnection);
    });
    ProcessPendingMessages();
}

void DisconnectDispatcher() { SetMainThreadWakeHandler({}); }
