// Plugs the main-thread dispatcher into Qt's event loop: a queued call wakes
// the loop, which then runs every pending call.
#pragma once

class QCoreApplication;

// Until DisconnectDispatcher, queued calls are run from `app`'s event loop.
void ConnectDispatcherToEventLoop(QCoreApplication& app);
void DisconnectDispatcher();
