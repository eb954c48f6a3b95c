#include "run/TaskRunner.h"
#include "engine/FFmpegException.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

// Waits on the main thread, serving main-thread calls, until `done` holds.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout = 10s) {
    return ServeUntil(done, timeout);
}

// A task whose loop counts rounds; what it does in a round is set per test.
struct FakeBody : TTaskBody {
    bool hasInput = true;
    bool hasOutput = true;
    int rounds = -1;       // the loop ends by itself after this many rounds; -1: only a stop ends it
    int throwAtRound = -1; // raises at the start of this round
    bool callMainThreadEachRound = false;
    bool closeThrows = false;
    bool releaseThrows = false;
    std::chrono::milliseconds roundTime{0};
    std::function<void(int round)> onRound; // runs inside each round

    std::atomic<int> loops{0}; // times the loop was entered
    std::atomic<int> done{0};  // rounds completed
    std::atomic<int> gateEntries{0};
    std::atomic<bool> sawStop{false};
    std::atomic<int> closeCalls{0};
    std::atomic<int> releaseCalls{0};

    bool HasOutputFile() const override { return hasOutput; }
    bool HasInputFile() const override { return hasInput; }

    void TranscodeLoop(TRunControl& control) override {
        ++loops;
        while (!control.StopRequested()) {
            ++gateEntries;
            WakeMainThread();
            control.PausePoint();
            if (done == throwAtRound)
                throw FFmpegException("Error while decoding stream #0.0 (Video)");
            if (callMainThreadEachRound)
                RunInMainThread([] {});
            if (onRound)
                onRound(done);
            if (roundTime.count() > 0)
                std::this_thread::sleep_for(roundTime);
            ++done;
            WakeMainThread();
            if (rounds >= 0 && done >= rounds)
                return;
        }
        sawStop = true;
    }
    void CloseOpenedCodecs() override {
        ++closeCalls;
        if (closeThrows)
            throw FFmpegException("close failed");
    }
    void ReleaseEngineState() override {
        ++releaseCalls;
        if (releaseThrows)
            throw FFmpegException("release failed");
    }
};

struct Report {
    bool finished;
    bool failed;
    std::string message;
    std::thread::id thread;
};

// Collects the termination reports of one runner.
class ReportLog {
public:
    TTaskTerminateEvent Event() {
        return [this](const TTaskRunner& task) {
            {
                std::lock_guard lock(mutex_);
                reports_.push_back(
                    {task.Finished(), task.Failed(), task.ErrorMessage(), std::this_thread::get_id()});
            }
            WakeMainThread();
        };
    }
    size_t Count() const {
        std::lock_guard lock(mutex_);
        return reports_.size();
    }
    Report At(size_t i) const {
        std::lock_guard lock(mutex_);
        return reports_.at(i);
    }

private:
    mutable std::mutex mutex_;
    std::vector<Report> reports_;
};

// Starts in thread mode and resumes the worker, as the component does.
void StartWorker(TTaskRunner& runner) {
    TConvertThread* worker = runner.Start(true, tpNormal);
    ASSERT_NE(worker, nullptr);
    worker->Resume();
}

struct OutcomeCase {
    const char* name;
    int throwAtRound;
    bool closeThrows;
    bool releaseThrows;
    bool finished;
    bool failed;
    const char* message;
};

const OutcomeCase OutcomeCases[] = {
    {"loop ends by itself", -1, false, false, true, false, ""},
    {"error during the run", 2, false, false, false, true, "Error while decoding stream #0.0 (Video)"},
    {"error while closing after a complete run", -1, true, false, true, true, "close failed"},
    {"error while releasing after a complete run", -1, false, true, true, true, "release failed"},
    {"errors in the run and while closing: the last one is reported", 1, true, false, false, true,
     "close failed"},
};

} // namespace

TEST(TaskRunner, EveryWayARunEndsGivesItsReportInBothModes) {
    for (const bool threadMode : {false, true}) {
        for (const auto& c : OutcomeCases) {
            SCOPED_TRACE(std::string(c.name) + (threadMode ? " (thread mode)" : " (synchronous)"));
            FakeBody body;
            body.rounds = 5;
            body.throwAtRound = c.throwAtRound;
            body.closeThrows = c.closeThrows;
            body.releaseThrows = c.releaseThrows;
            ReportLog log;
            TTaskRunner runner(body);
            runner.SetTerminateEvent(log.Event());
            if (threadMode)
                StartWorker(runner);
            else
                EXPECT_EQ(runner.Start(false), nullptr);
            ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
            const Report r = log.At(0);
            EXPECT_EQ(r.finished, c.finished);
            EXPECT_EQ(r.failed, c.failed);
            EXPECT_EQ(r.message, c.message);
            EXPECT_EQ(r.thread == std::this_thread::get_id(), !threadMode)
                << "a worker reports on itself, a synchronous run on the caller";
            runner.Shutdown();
            // Codecs are closed and the state released whatever failed before.
            EXPECT_EQ(body.closeCalls, 1);
            EXPECT_EQ(body.releaseCalls, 1);
            EXPECT_EQ(runner.State(), rsTerminated);
            EXPECT_EQ(runner.Start(threadMode), nullptr) << "a terminated task does not run again";
            EXPECT_EQ(body.loops, 1);
            EXPECT_EQ(log.Count(), 1u);
        }
    }
}

TEST(TaskRunner, WorkerRunsAtEveryPriorityEvenWhereItCannotBeRaised) {
    for (const TThreadPriority priority :
         {tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical}) {
        SCOPED_TRACE(static_cast<int>(priority));
        FakeBody body;
        body.rounds = 2;
        ReportLog log;
        TTaskRunner runner(body);
        runner.SetTerminateEvent(log.Event());
        TConvertThread* worker = runner.Start(true, priority);
        ASSERT_NE(worker, nullptr);
        EXPECT_EQ(worker->Priority(), priority);
        EXPECT_FALSE(worker->Started()) << "created suspended";
        worker->Resume();
        ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
        EXPECT_TRUE(log.At(0).finished);
    }
}

TEST(TaskRunner, StartWithoutFilesIsRefusedAndReportedAtOnceOnTheCaller) {
    struct Case {
        bool hasInput, hasOutput;
        const char* message;
    } cases[] = {
        {true, false, "At least one output file must be specified"},
        {false, true, "At least one input file must be specified"},
        {false, false, "At least one output file must be specified"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        for (const bool threadMode : {false, true}) {
            FakeBody body;
            body.hasInput = c.hasInput;
            body.hasOutput = c.hasOutput;
            ReportLog log;
            TTaskRunner runner(body);
            runner.SetTerminateEvent(log.Event());
            EXPECT_EQ(runner.Start(threadMode), nullptr);
            // Already reported when Start returns, on this thread, with no serving in between.
            ASSERT_EQ(log.Count(), 1u);
            const Report r = log.At(0);
            EXPECT_FALSE(r.finished);
            EXPECT_TRUE(r.failed);
            EXPECT_EQ(r.message, c.message);
            EXPECT_EQ(r.thread, std::this_thread::get_id());
            EXPECT_EQ(body.releaseCalls, 1) << "the files it has are released";
            EXPECT_EQ(body.loops, 0);
            EXPECT_TRUE(runner.Terminated());
            EXPECT_FALSE(runner.Running());
            runner.Stop(true);
            runner.Shutdown();
            EXPECT_EQ(log.Count(), 1u) << "a terminated task is not reported again";
        }
    }
}

TEST(TaskRunner, StopWhileRunningEndsTheLoopAndReportsNotFinished) {
    FakeBody body;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent(log.Event());
    StartWorker(runner);
    ASSERT_TRUE(WaitFor([&] { return body.done >= 3; }));
    EXPECT_EQ(runner.State(), rsRunning);
    runner.Stop(true);
    // A waiting stop returns once the run is over, report included.
    EXPECT_TRUE(body.sawStop);
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_FALSE(log.At(0).finished);
    EXPECT_FALSE(log.At(0).failed);
    EXPECT_EQ(log.At(0).message, "");
    EXPECT_EQ(body.closeCalls, 1);
    EXPECT_EQ(body.releaseCalls, 1);
}

TEST(TaskRunner, StopBeforeTheStartIsReportedOnceByAReportThread) {
    FakeBody body;
    ReportLog log;
    std::atomic<bool> handlerUsedMainThread{false};
    TTaskRunner runner(body);
    runner.SetTerminateEvent([&, event = log.Event()](const TTaskRunner& task) {
        // A handler that needs the main thread while the main thread waits for the report.
        RunInMainThread([&] { handlerUsedMainThread = true; });
        event(task);
    });
    runner.Stop(true);
    ASSERT_EQ(log.Count(), 1u) << "the waiting stop returns after the report";
    EXPECT_TRUE(handlerUsedMainThread);
    const Report r = log.At(0);
    EXPECT_FALSE(r.finished);
    EXPECT_FALSE(r.failed);
    EXPECT_EQ(r.message, "");
    EXPECT_NE(r.thread, std::this_thread::get_id());
    EXPECT_TRUE(runner.Terminated());

    runner.Stop(true);
    EXPECT_EQ(runner.Start(true), nullptr);
    runner.Shutdown();
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_EQ(body.loops, 0);
}

TEST(TaskRunner, RepeatedStopOrAStartRightAfterAStopDoesNotReportTwice) {
    FakeBody body;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent(log.Event());
    runner.Stop(false);
    runner.Stop(false);
    EXPECT_EQ(runner.Start(true), nullptr) << "a task on its way to its report does not start";
    runner.Stop(true);
    EXPECT_EQ(log.Count(), 1u);
    runner.Shutdown();
    EXPECT_EQ(log.Count(), 1u);
    EXPECT_EQ(body.loops, 0);
}

TEST(TaskRunner, PausedTaskMakesNoProgressAndResumesWhereItStopped) {
    FakeBody body;
    // Round 3 holds until the test has paused, so the next gate entry comes after the pause.
    std::mutex mutex;
    std::condition_variable cv;
    bool inRound3 = false;
    bool release = false;
    body.onRound = [&](int round) {
        if (round != 3)
            return;
        std::unique_lock lock(mutex);
        inRound3 = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
    };
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent(log.Event());
    StartWorker(runner);
    {
        std::unique_lock lock(mutex);
        ASSERT_TRUE(cv.wait_for(lock, 10s, [&] { return inRound3; }));
    }
    runner.Pause();
    EXPECT_EQ(runner.State(), rsPaused);
    const int entriesAtPause = body.gateEntries;
    {
        std::lock_guard lock(mutex);
        release = true;
        cv.notify_all();
    }
    ASSERT_TRUE(WaitFor([&] { return body.gateEntries > entriesAtPause; }));
    EXPECT_EQ(body.done, 4) << "the round under way completes";
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(body.done, 4) << "a paused task makes no progress";
    EXPECT_EQ(body.gateEntries, entriesAtPause + 1);
    const int settled = body.done;

    runner.Resume();
    EXPECT_EQ(runner.State(), rsRunning);
    ASSERT_TRUE(WaitFor([&] { return body.done >= settled + 3; }));
    EXPECT_EQ(body.loops, 1) << "it carried on in the same run";
    runner.Stop(true);
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_FALSE(log.At(0).finished);
}

TEST(TaskRunner, StopWithWaitingWhilePausedResumesTheWorkerToSeeTheRequest) {
    FakeBody body;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent(log.Event());
    StartWorker(runner);
    ASSERT_TRUE(WaitFor([&] { return body.done >= 1; }));
    runner.Pause();
    std::this_thread::sleep_for(20ms);
    runner.Stop(true);
    EXPECT_TRUE(body.sawStop);
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_FALSE(log.At(0).finished);
    EXPECT_FALSE(log.At(0).failed);
}

TEST(TaskRunner, StopOfAWorkerThatWasNeverResumedLetsItRunToItsReport) {
    FakeBody body;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent(log.Event());
    ASSERT_NE(runner.Start(true), nullptr);
    runner.Pause(); // nothing to pause yet
    runner.Stop(true);
    ASSERT_EQ(log.Count(), 1u);
    EXPECT_FALSE(log.At(0).finished);
    EXPECT_FALSE(log.At(0).failed);
    EXPECT_EQ(body.done, 0);
}

TEST(TaskRunner, PauseAndResumeDoNothingForASynchronousRun) {
    FakeBody body;
    body.rounds = 3;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent([&, event = log.Event()](const TTaskRunner& task) { event(task); });
    runner.Pause();
    runner.Resume();
    EXPECT_EQ(runner.State(), rsIdle);

    // Pause from inside the run (an event handler of the synchronous run): it must not block.
    struct PausingBody : FakeBody {
        TTaskRunner* runner = nullptr;
        void TranscodeLoop(TRunControl& control) override {
            runner->Pause();
            FakeBody::TranscodeLoop(control);
            runner->Resume();
        }
    } pausing;
    pausing.rounds = 3;
    ReportLog pausingLog;
    TTaskRunner pausingRunner(pausing);
    pausing.runner = &pausingRunner;
    pausingRunner.SetTerminateEvent(pausingLog.Event());
    EXPECT_EQ(pausingRunner.Start(false), nullptr);
    EXPECT_EQ(pausing.done, 3);
    ASSERT_EQ(pausingLog.Count(), 1u);
    EXPECT_TRUE(pausingLog.At(0).finished);

    // Stop from inside a synchronous run only sets the request (waiting would wait for itself).
    struct StoppingBody : FakeBody {
        TTaskRunner* runner = nullptr;
        void TranscodeLoop(TRunControl& control) override {
            runner->Stop(true);
            FakeBody::TranscodeLoop(control);
        }
    } stopping;
    TTaskRunner stoppingRunner(stopping);
    stopping.runner = &stoppingRunner;
    ReportLog stoppingLog;
    stoppingRunner.SetTerminateEvent(stoppingLog.Event());
    EXPECT_EQ(stoppingRunner.Start(false), nullptr);
    EXPECT_TRUE(stopping.sawStop);
    ASSERT_EQ(stoppingLog.Count(), 1u);
    EXPECT_FALSE(stoppingLog.At(0).finished);
}

TEST(TaskRunner, WaitingStopServesMainThreadCallsOfTheWorker) {
    FakeBody body;
    body.callMainThreadEachRound = true;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent([&, event = log.Event()](const TTaskRunner& task) {
        RunInMainThread([] {}); // like a report handed to the main thread
        event(task);
    });
    StartWorker(runner);
    ASSERT_TRUE(WaitFor([&] { return body.done >= 2; }));
    // The worker is (or soon is) waiting for the main thread; this must not deadlock.
    runner.Stop(true);
    EXPECT_TRUE(body.sawStop);
    EXPECT_EQ(log.Count(), 1u);
}

TEST(TaskRunner, DestructionWaitsUntilTheWorkerIsDoneWithTheTask) {
    FakeBody body;
    body.rounds = 1;
    std::atomic<bool> handlerEntered{false};
    std::atomic<bool> handlerReturned{false};
    auto runner = std::make_unique<TTaskRunner>(body);
    runner->SetTerminateEvent([&](const TTaskRunner& task) {
        handlerEntered = true;
        WakeMainThread();
        // The report has already marked the task terminated; the worker still uses it.
        std::this_thread::sleep_for(100ms);
        EXPECT_TRUE(task.Finished());
        handlerReturned = true;
    });
    StartWorker(*runner);
    ASSERT_TRUE(WaitFor([&] { return handlerEntered.load(); }));
    EXPECT_TRUE(runner->Terminated());
    runner.reset();
    EXPECT_TRUE(handlerReturned) << "the runner was freed while its worker still used it";
}

TEST(TaskRunner, ExceptionsOfAnyTypeStayInTheWorker) {
    struct OddBody : FakeBody {
        void TranscodeLoop(TRunControl&) override { throw 42; }
    } body;
    ReportLog log;
    TTaskRunner runner(body);
    runner.SetTerminateEvent(log.Event());
    StartWorker(runner);
    ASSERT_TRUE(WaitFor([&] { return log.Count() == 1; }));
    EXPECT_TRUE(log.At(0).failed);
    EXPECT_FALSE(log.At(0).finished);
    EXPECT_FALSE(log.At(0).message.empty());
}

TEST(TaskRunner, AThrowingTerminationHandlerNeverEscapesStart) {
    for (const bool hasOutput : {false, true}) {
        SCOPED_TRACE(hasOutput ? "synchronous run" : "refused start");
        FakeBody body;
        body.hasOutput = hasOutput;
        body.rounds = 1;
        int calls = 0;
        TTaskRunner runner(body);
        runner.SetTerminateEvent([&](const TTaskRunner&) {
            ++calls;
            throw std::runtime_error("handler failed");
        });
        EXPECT_NO_THROW(runner.Start(false));
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(runner.Terminated());
    }
}

// Several runners started, paused, resumed and stopped in a loop, some stopped
// before they start, some freed while running: all end, each reported once.
TEST(TaskRunner, StressStartPauseResumeStopFinishesWithoutDeadlock) {
    std::mt19937 random(12345);
    const auto until = std::chrono::steady_clock::now() + 1500ms;
    int cycles = 0;
    while (std::chrono::steady_clock::now() < until) {
        constexpr int Count = 4;
        std::vector<std::unique_ptr<FakeBody>> bodies;
        std::vector<std::unique_ptr<ReportLog>> logs;
        std::vector<std::unique_ptr<TTaskRunner>> runners;
        for (int i = 0; i < Count; ++i) {
            bodies.push_back(std::make_unique<FakeBody>());
            bodies.back()->callMainThreadEachRound = random() % 2 == 0;
            bodies.back()->rounds = static_cast<int>(random() % 50);
            logs.push_back(std::make_unique<ReportLog>());
            runners.push_back(std::make_unique<TTaskRunner>(*bodies.back()));
            runners.back()->SetTerminateEvent(logs.back()->Event());
        }
        for (int i = 0; i < Count; ++i) {
            if (random() % 5 == 0)
                runners[i]->Stop(false); // never runs
            else if (TConvertThread* worker = runners[i]->Start(true, tpNormal))
                worker->Resume();
        }
        for (int step = 0; step < 6; ++step) {
            auto& runner = *runners[random() % Count];
            switch (random() % 4) {
            case 0:
                runner.Pause();
                break;
            case 1:
                runner.Resume();
                break;
            case 2:
                runner.Stop(false);
                break;
            default:
                ProcessPendingMessages();
                break;
            }
        }
        for (int i = 0; i < Count; ++i) {
            if (random() % 2 == 0)
                runners[i]->Stop(true);
        }
        runners.clear(); // the rest are stopped by their destruction
        for (int i = 0; i < Count; ++i)
            EXPECT_EQ(logs[i]->Count(), 1u) << "task " << i << " of cycle " << cycles;
        ++cycles;
    }
    EXPECT_GT(cycles, 0);
}
