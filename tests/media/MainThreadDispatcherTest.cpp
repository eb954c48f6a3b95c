#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

TEST(MainThreadDispatcher, RunsWorkerCallsOnTheMainThreadWhileItServes) {
    ASSERT_TRUE(IsMainThread());
    std::atomic<int> ranOnMain{0};
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back([&] {
            for (int n = 0; n < 25; ++n)
                RunInMainThread([&] { ranOnMain += IsMainThread() ? 1 : 0; });
            ++finished;
            WakeMainThread();
        });
    }
    EXPECT_TRUE(ServeUntil([&] { return finished == 4; }, 10s));
    for (auto& w : workers)
        w.join();
    EXPECT_EQ(ranOnMain, 100);
}

TEST(MainThreadDispatcher, DirectCallOnMainAndExceptionReachesTheWorker) {
    bool ran = false;
    RunInMainThread([&] { ran = true; });
    EXPECT_TRUE(ran) << "on the main thread the call runs at once";

    std::atomic<bool> caught{false}, done{false};
    std::thread worker([&] {
        try {
            RunInMainThread([] { throw std::runtime_error("boom"); });
        } catch (const std::runtime_error&) {
            caught = true;
        }
        done = true;
        WakeMainThread();
    });
    EXPECT_TRUE(ServeUntil([&] { return done.load(); }, 10s));
    worker.join();
    EXPECT_TRUE(caught);
}

TEST(MainThreadDispatcher, PostedCallsRunInOrderAndServeUntilTimesOut) {
    std::vector<int> order;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            PostToMainThread([&order, i] { order.push_back(i); });
    });
    worker.join();
    EXPECT_EQ(ProcessPendingMessages(), 3);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ServeUntil([] { return false; }, 50ms));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 50ms);
}

TEST(MainThreadDispatcher, WakeHandlerIsCalledForEveryQueuedCall) {
    std::atomic<int> wakes{0};
    SetMainThreadWakeHandler([&] { ++wakes; });
    std::thread([] { PostToMainThread([] {}); }).join();
    SetMainThreadWakeHandler({});
    EXPECT_EQ(wakes, 1);
    ProcessPendingMessages();
}
