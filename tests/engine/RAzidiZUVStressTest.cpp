// Parallel runs started, paused, resumed and stopped at seeded random moments:
// every run must end with its all-done report, within a time limit, and leave
// nothing behind (the sanitizer builds check the leaks and races).
#include "ConverterTestSupport.h"

#include <random>

namespace {

TEST_F(ConverterTest, RandomPauseResumeStopNeverHangs) {
    Watchdog watchdog(240s);
    std::mt19937 random(20261210);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    WatchStarts(2ms);
    conv.SetProgressInterval(100);
    std::atomic<int> progress{0};
    conv.OnProgress = [&](TCustomRAzidiZUV*, PProgressInfo) { ++progress; };
    const std::string input = Clip("in.avi", VideoOnlyClip(1.0));

    for (int round = 0; round < 12; ++round) {
        SCOPED_TRACE(round);
        const int tasks = pick(2, 5);
        for (int i = 0; i < tasks; ++i)
            AddConversion(input);
        conv.SetTriggerEventInMainThread(pick(0, 3) != 0);
        conv.StartTask(pick(2, 3));

        // A few actions at random moments, serving the main thread in between.
        const int actions = pick(1, 6);
        bool stopped = false;
        for (int a = 0; a < actions && !stopped; ++a) {
            ServeUntil([] { return false; }, std::chrono::milliseconds(pick(0, 40)));
            switch (pick(0, 4)) {
            case 0:
            case 1:
                conv.Pause();
                break;
            case 2:
                conv.Resume();
                break;
            case 3:
                conv.Stop(false);
                stopped = true;
                break;
            case 4:
                conv.Stop(true);
                stopped = true;
                break;
            }
        }
        if (!stopped)
            conv.Resume();
        ASSERT_TRUE(WaitForAllDone(60s)) << "no all-done report";

        int ends = 0;
        for (const TEventRecord& e : Events()) {
            if (e.What == TEventRecord::End && e.TaskIndex >= 0) {
                ++ends;
                EXPECT_FALSE(e.Failed) << e.ErrorMessage;
            }
        }
        EXPECT_EQ(ends, tasks);
        EXPECT_EQ(Events().back().TaskIndex, -1);
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
    EXPECT_GT(progress, 0);
}

} // namespace
