// Runs a task's loop on a thread of its own with a time limit, so that a run
// that would never end fails its test instead of holding the test program.
#pragma once

#include "task/FFmpegTask.h"

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <string>

// A stop that another thread asks for.
class StopFlag : public TRunControl {
public:
    bool StopRequested() const override { return stop_.load(); }
    void PausePoint() override {}
    void Stop() { stop_.store(true); }

private:
    std::atomic<bool> stop_{false};
};

struct TBoundedRun {
    bool InTime = false; // the loop ended within the limit by itself
    std::string Error;   // what the loop raised; empty when it did not
};

// Runs the loop, then closes the codecs and releases the task's files. When
// the loop is still going after `limit`, it is asked to stop and `rescue` is
// called (to unblock what holds it) before the loop is awaited.
inline TBoundedRun RunWithin(TCustomFFmpeg& task, StopFlag& control, std::chrono::milliseconds limit,
                             const std::function<void()>& rescue = {}) {
    TBoundedRun result;
    std::future<std::string> loop = std::async(std::launch::async, [&] {
        try {
            task.TranscodeLoop(control);
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string();
    });
    result.InTime = loop.wait_for(limit) == std::future_status::ready;
    if (!result.InTime) {
        control.Stop();
        if (rescue)
            rescue();
    }
    result.Error = loop.get();
    task.CloseOpenedCodecs();
    task.ReleaseEngineState();
    return result;
}
