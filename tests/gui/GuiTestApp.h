// The one QApplication of the gui test program, made on first use, with the
// main-thread dispatcher pumped by its event loop.
#pragma once

#include "gui/DispatcherBridge.h"
#include "media/MainThreadDispatcher.h"

#include <QApplication>

inline QApplication& GuiTestApp() {
    if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance()))
        return *existing;
    static int argc = 1;
    static char name[] = "gui_tests";
    static char* argv[] = {name, nullptr};
    MarkMainThread();
    // Never destroyed: tearing QApplication down during static destruction, after
    // Qt's own statics are gone, crashes at exit.
    static QApplication* instance = new QApplication(argc, argv);
    ConnectDispatcherToEventLoop(*instance);
    return *instance;
}
