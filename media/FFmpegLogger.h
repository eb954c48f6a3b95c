// The process's one logger: library log lines (through the avutil hook) and the
// components' own messages, filtered by level and delivered through OnLog,
// on the main thread unless TriggerEventInMainThread is false.
//
// Lines from other threads are queued for the main thread and delivered there
// by the dispatcher (ProcessPendingMessages), each thread's lines in the order
// it logged them. The logging thread never waits for the main thread: it may
// hold a lock the main thread takes (CodecLock around a codec's open and close,
// the converter's termination lock).
#pragma once

#include "media/BaseComponent.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

enum TLogLevel : uint8_t { llQuiet, llPanic, llFatal, llError, llWarning, llInfo, llVerbose, llDebug };

// (ordinal - 1) * 8, so llQuiet is -8 and llDebug 48.
int LogLevelToLibrary(TLogLevel level);
// number / 8 (truncated) + 1, clamped to llQuiet..llDebug.
TLogLevel LibraryToLogLevel(int number);

// The kernel's id of the calling thread, as reported in log deliveries.
uint32_t CurrentThreadId();

struct TLogInfo {
    const TFFBaseComponent* Sender = nullptr;
    uint32_t ThreadID = 0;
    TLogLevel LogLevel = llInfo;
    std::string LogMsg;
};

using TLogEvent = std::function<void(const TFFBaseComponent* sender, uint32_t threadId, TLogLevel level,
                                     const std::string& msg)>;

class TFFLogger : public TFFBaseComponent {
public:
    // Registers itself as the singleton; a second live instance is a programming error
    // (std::logic_error "Allow creating only one instance of TFFLogger.").
    explicit TFFLogger(TFFBaseComponent* owner = nullptr);
    // Waits for library lines still being delivered (serving main-thread calls when
    // run on the main thread), so no library thread is left holding this object.
    ~TFFLogger() override;

    TLogLevel LogLevel() const;
    // Stores the level and, once avutil is bound, pushes it to the library.
    void SetLogLevel(TLogLevel level);
    // "quiet" ... "debug" (any case) or a decimal library number; throws std::invalid_argument otherwise.
    void SetLogLevelText(const std::string& text);

    bool TriggerEventInMainThread = true;
    TLogEvent OnLog; // assign on the main thread

    void Log(const TFFBaseComponent* sender, TLogLevel level, const std::string& msg);
    void LogFmt(const TFFBaseComponent* sender, TLogLevel level, const char* format, ...)
        __attribute__((format(printf, 4, 5)));

    // Installs the avutil log hook and pushes the level. Called each time avutil is bound.
    void InstallHook();

    // Raises OnLog with `info` without a level test (the library hook has tested
    // already, Log and LogFmt test before calling this): at once on the calling
    // thread when that is the main thread or TriggerEventInMainThread is false,
    // otherwise queued for the main thread.
    void Deliver(const TLogInfo& info);

private:
    bool passes(TLogLevel level) const;

    std::atomic<TLogLevel> logLevel_;
};

// The singleton; created without an owner on first use when none exists.
TFFLogger& GetLogger();
