// A stand-in task for option tests, and a capture of the logger's lines.
#pragma once

#include "media/FFmpegLogger.h"
#include "options/OptionTarget.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

class FakeOptionTarget : public TOptionTarget {
public:
    TEngineSettings& Settings() override { return settings; }
    OptionContextSet& OptionContexts() override { return contexts; }
    int OpenedInputCount() const override { return inputs; }
    int OpenedOutputCount() const override { return outputs; }
    void AddStreamToLastOutput(AVMediaType type) override { addedStreams.push_back(type); }
    std::vector<AVRational> InputVideoFrameRates() const override { return inputRates; }

    TEngineSettings settings;
    OptionContextSet contexts;
    int inputs = 0;
    int outputs = 0;
    std::vector<AVMediaType> addedStreams;
    std::vector<AVRational> inputRates;
};

struct LoggedLine {
    TLogLevel Level;
    std::string Text;
};

// Delivers the logger's lines (own and the library's) on the calling thread
// into `lines`; restores the logger afterwards.
class LogCapture {
public:
    LogCapture() {
        TFFLogger& logger = GetLogger();
        savedLevel_ = logger.LogLevel();
        savedTrigger_ = logger.TriggerEventInMainThread;
        logger.InstallHook();
        logger.SetLogLevel(llDebug);
        logger.TriggerEventInMainThread = false;
        logger.OnLog = [this](const TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& msg) {
            std::lock_guard lock(mutex_);
            lines_.push_back({level, msg});
        };
    }
    ~LogCapture() {
        TFFLogger& logger = GetLogger();
        logger.OnLog = nullptr;
        logger.TriggerEventInMainThread = savedTrigger_;
        logger.SetLogLevel(savedLevel_);
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<LoggedLine> Lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    // True when a line at `level` contains `text`.
    bool Has(TLogLevel level, const std::string& text) const {
        for (const LoggedLine& line : Lines()) {
            if (line.Level == level && line.Text.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    bool HasAny(const std::string& text) const {
        for (const LoggedLine& line : Lines()) {
            if (line.Text.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<LoggedLine> lines_;
    TLogLevel savedLevel_ = llInfo;
    bool savedTrigger_ = true;
};

// Runs `action` and expects an FFmpegException with exactly `message`.
#define EXPECT_FFMPEG_ERROR(action, message)                                                                 \
    do {                                                                                                     \
        try {                                                                                                \
            action;                                                                                          \
            ADD_FAILURE() << "no exception, expected: " << (message);                                        \
        } catch (const FFmpegException& e) {                                                                 \
            EXPECT_EQ(std::string(e.what()), std::string(message));                                          \
        }                                                                                                    \
    } while (0)
