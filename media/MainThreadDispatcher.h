// The one way work crosses from other threads to the main thread.
//
// Worker threads hand calls to the main thread with RunInMainThread and wait
// until they have run. The main thread runs them from its event loop (the Qt
// program plugs ProcessPendingMessages into its loop through the wake handler)
// or, while it waits for other threads itself, from ServeUntil. Tests pump by
// hand with ProcessPendingMessages or ServeUntil.
#pragma once

#include <chrono>
#include <functional>

// The main thread is the thread that initialised the program's statics, unless
// MarkMainThread names another one (before any other thread uses the dispatcher).
void MarkMainThread();
bool IsMainThread();

// On the main thread: calls `call` directly. On any other thread: queues it for
// the main thread and blocks until it has run. An exception thrown by `call` is
// rethrown in the calling thread.
void RunInMainThread(std::function<void()> call);

// Queues `call` for the main thread without waiting (also from the main thread:
// it then runs at the next ProcessPendingMessages).
void PostToMainThread(std::function<void()> call);

// Runs every call queued so far, in order. Main thread only. Returns how many ran.
int ProcessPendingMessages();

// Main thread only: serves queued calls until `done()` is true or the timeout
// passes (no timeout: wait as long as it takes). `done` is evaluated again after
// each served call and after each WakeMainThread. Returns done().
bool ServeUntil(const std::function<bool()>& done);
bool ServeUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

// Tells a main thread waiting in ServeUntil to look at its condition again.
// Call it after changing state that such a condition reads.
void WakeMainThread();

// Called (on any thread) whenever a call is queued, so an event loop can
// schedule ProcessPendingMessages. Pass an empty function to remove it.
void SetMainThreadWakeHandler(std::function<void()> handler);
