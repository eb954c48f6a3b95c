// A converter component with a scratch folder, tiny clips and a log of its
// events, for the component's tests.
#pragma once

#include "component/FFmpegTaskList.h"
#include "engine/RAzidiZUV.h"
#include "fixtures/FixtureMaker.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

// Ends the test program when a test has not finished in time: a deadlock
// fails at once instead of hanging the run.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit) {
        thread_ = std::thread([this, limit] {
            std::unique_lock lock(mutex_);
            if (!done_cv_.wait_for(lock, limit, [this] { return done_; })) {
                std::fprintf(stderr, "Watchdog: the test did not finish within %llds (deadlock?)\n",
                             static_cast<long long>(limit.count()));
                std::abort();
            }
        });
    }
    ~Watchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_all();
        thread_.join();
    }

private:
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::thread thread_;
};

// One event as the test saw it.
struct TEventRecord {
    enum Kind { Start, End } What;
    int TaskIndex;
    bool Finished = false;
    bool Failed = false;
    std::string ErrorMessage;
    std::thread::id Thread;
};

class ConverterTest : public testing::Test {
protected:
    ConverterTest() {
        EXPECT_TRUE(conv.LoadLibraries()) << conv.LastError();
        conv.OnTerminate = [this](TCustomRAzidiZUV* sender, const TTerminateInfo& info) {
            EXPECT_EQ(sender, &conv);
            Record({TEventRecord::End, info.TaskIndex, info.Finished, info.Failed, info.ErrorMessage,
                    std::this_thread::get_id()});
        };
    }

    // Writes a clip into the scratch folder once; returns its path.
    std::string Clip(const std::string& name, const ClipSpec& spec = VideoOnlyClip(0.2)) {
        std::string path = dir.File(name);
        if (!std::filesystem::exists(path))
            MakeClip(path, spec);
        return path;
    }

    // An MPEG-4 video output that calls the custom hook (tests use it to see
    // a task start and to slow it down).
    static TOutputOptions HookedOutput() {
        TOutputOptions options;
        InitOutputOptions(options);
        options.VideoCodec = "mpeg4";
        options.CustomHook = true;
        return options;
    }

    // Adds a task from `input` to out<N>.avi; returns its index.
    int AddConversion(const std::string& input, const TOutputOptions& output = HookedOutput()) {
        const int index = conv.AddTask(input);
        EXPECT_GE(index, 0) << conv.LastError();
        EXPECT_TRUE(conv.SetOutputFile(index, OutputPath(index), output)) << conv.LastError();
        return index;
    }
    std::string OutputPath(int index) const { return dir.File("out" + std::to_string(index) + ".avi"); }

    // Records the first hook call of each task as its start; sleeps `perFrame` in every call.
    void WatchStarts(std::chrono::milliseconds perFrame = 0ms) {
        conv.OnCustomHook = [this, perFrame](TCustomRAzidiZUV*, PHookInfo info) {
            if (info->FrameNumber == 1)
                Record({TEventRecord::Start, info->TaskIndex, false, false, {}, std::this_thread::get_id()});
            ++hookCalls;
            WakeMainThread();
            if (perFrame.count() > 0)
                std::this_thread::sleep_for(perFrame);
        };
    }

    void Record(const TEventRecord& record) {
        {
            std::lock_guard lock(eventsMutex);
            events.push_back(record);
        }
        WakeMainThread();
    }
    std::vector<TEventRecord> Events() {
        std::lock_guard lock(eventsMutex);
        return events;
    }
    bool AllDoneSeen() {
        std::lock_guard lock(eventsMutex);
        for (const TEventRecord& e : events)
            if (e.What == TEventRecord::End && e.TaskIndex == -1)
                return true;
        return false;
    }
    // Serves the main thread until the all-done report has arrived.
    bool WaitForAllDone(std::chrono::milliseconds timeout = 20s) {
        return ServeUntil([this] { return AllDoneSeen(); }, timeout);
    }

    TempDir dir;
    std::mutex eventsMutex;
    std::vector<TEventRecord> events; // guarded by eventsMutex
    std::atomic<int> hookCalls{0};
    TRAzidiZUV conv; // last: its reports may still arrive while it goes down
};
