// A source that sends nothing (a pipe without writer, a stalled share) must
// not hold the window that adds it: the opening gives up after its time limit
// or when a stop comes from another thread, with a clear error.
#include "ConverterTestSupport.h"
#include "fixtures/FifoRescue.h"

#include <future>

namespace {

struct BlockingOpenCase {
    const char* Name;
    int TimeoutMs; // 0: the default limit
    bool StopFromAnotherThread;
    const char* ErrorSuffix; // after the file name
};

class BlockingSourceTest : public ConverterTest, public testing::WithParamInterface<BlockingOpenCase> {};

TEST_P(BlockingSourceTest, AddTaskOnAPipeWithoutWriterEndsWithAClearError) {
    const BlockingOpenCase& c = GetParam();
    FifoRescue fifo(dir.File("in.pipe"), 8s);
    ASSERT_TRUE(fifo.Made());
    if (c.TimeoutMs > 0)
        conv.SetOpenTimeout(c.TimeoutMs);
    std::future<void> stopper;
    if (c.StopFromAnotherThread)
        stopper = std::async(std::launch::async, [this] {
            std::this_thread::sleep_for(200ms);
            conv.Stop(false);
        });
    const auto start = std::chrono::steady_clock::now();
    const int index = conv.AddTask(fifo.Path());
    const auto took = std::chrono::steady_clock::now() - start;
    fifo.Disarm();
    if (stopper.valid())
        stopper.get();
    EXPECT_FALSE(fifo.Rescued()) << "the opening waited until the writer's end";
    EXPECT_EQ(index, -1);
    EXPECT_EQ(conv.TaskCount(), 0);
    EXPECT_EQ(conv.LastError(), fifo.Path() + c.ErrorSuffix);
    EXPECT_LT(took, 5s);
}

INSTANTIATE_TEST_SUITE_P(
    Openings, BlockingSourceTest,
    testing::Values(BlockingOpenCase{"TimeLimit", 300, false, ": the source sent no data within 300 ms"},
                    BlockingOpenCase{"StopFromAnotherThread", 0, true, ": opening was stopped"}),
    [](const testing::TestParamInfo<BlockingOpenCase>& info) { return std::string(info.param.Name); });

// A stop or clear made before an opening began does not cut later ones short.
TEST_F(ConverterTest, AnOpeningAfterAStopIsNotCutShort) {
    conv.Stop(false);
    conv.ClearTasks();
    EXPECT_EQ(conv.AddTask(Clip("in.avi")), 0) << conv.LastError();
}

} // namespace
