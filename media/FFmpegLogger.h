// The process's one logger: library log lines (through the avutil hook) and the
// components' own messages, filtered by level and delivered through OnLog,
// on the main thread unless TriggerEventInMainThread is false.
#pragma once

#include "media/BaseComponent.h"

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
    // Registers itself as the singleton; a second live instance is a programming error.
    explicit TFFLogger(TFFBaseComponent* owner = nullptr);
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
};

// The singleton; created without an owner on first use when none exists.
TFFLogger& GetLogger();
