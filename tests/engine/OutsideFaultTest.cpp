// Faults that come from outside the converter while it works: an output folder
// it cannot write to, a disk that fills up, a source that goes away, stops at
// any moment and a main thread that keeps working meanwhile. Each ends with a
// clear report or a complete output; no hang, no crash, no other task harmed,
// and no file that is not whole left under the output's name.
#include "ConverterTestSupport.h"
#include "DecodedOutput.h"
#include "media/FileHelpers.h"
#include "task/TaskFiles.h"

#include <csignal>
#include <cstdio>
#include <fstream>
#include <sys/resource.h>

namespace {

const std::string Incomplete = TOutputFile::IncompleteSuffix;

// What a task may leave under its output name: nothing, or a file a decoder
// reads to its end.
void ExpectNothingOrWhole(const std::string& path) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(std::filesystem::exists(path + Incomplete));
    if (!std::filesystem::exists(path))
        return;
    EXPECT_GT(std::filesystem::file_size(path), 0u);
    const TDecodedFile decoded = DecodeWholeFile(path);
    EXPECT_TRUE(decoded.Opened);
    EXPECT_EQ(decoded.Errors, 0);
}

// Root writes through permission bits, so the unwritable folders are ones no
// one can write to: a plain file standing where the folder should be, and a
// folder of the kernel's process view.
TEST_F(ConverterTest, AnUnwritableOutputFolderIsRefusedAndTheOtherTasksRun) {
    { std::ofstream(dir.File("plain")) << "not a folder"; }
    const std::string input = Clip("in.avi");
    const std::string unwritable[] = {dir.File("plain") + "/out.avi", "/proc/self/fdinfo/out.avi"};
    for (const std::string& path : unwritable) {
        SCOPED_TRACE(path);
        ASSERT_EQ(conv.AddTask(input), 0) << conv.LastError();
        EXPECT_FALSE(conv.SetOutputFile(0, path, HookedOutput()));
        EXPECT_EQ(conv.LastError().rfind(path + ": ", 0), 0u) << conv.LastError();
        EXPECT_FALSE(std::filesystem::exists(path));
        conv.RemoveTask(0);
    }
    AddConversion(input);
    conv.StartTask(1);
    ASSERT_TRUE(WaitForAllDone());
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_TRUE(Events()[0].Finished) << Events()[0].ErrorMessage;
    ExpectNothingOrWhole(OutputPath(0));
}

// The file size limit stands in for a full disk (the write fails with an error
// the same way); it is set in a child process, which then reports by its exit code.
TEST_F(ConverterTest, ADiskThatFillsUpFailsTheTaskAndLeavesNoWholeLookingFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ClipSpec spec = VideoOnlyClip(2.0);
    spec.Video[0].Width = 320;
    spec.Video[0].Height = 240;
    // Detail that costs bits at any quantiser, so the output is far larger than the limit.
    spec.Video[0].CameraScene = 1;
    const std::string input = Clip("in.mkv", spec);
    constexpr rlim_t Limit = 20 * 1024; // above the header, well below the whole output
    // Runs in the child: 0 when the task failed with a message and its output
    // is kept under the incomplete name only: the name given plus the mark, or
    // the name given itself for a caller that writes under a temporary name of
    // its own and turned the mark off.
    auto convertUnderTheLimit = [&](bool mark) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{Limit, Limit};
        setrlimit(RLIMIT_FSIZE, &limit);
        conv.SetMarkIncompleteOutputs(mark);
        TOutputOptions options = HookedOutput();
        options.ExtOptions = "qscale=1";
        AddConversion(input, options);
        conv.StartTask(0);
        const TEventRecord end = Events().at(0);
        const std::string out = OutputPath(0);
        std::fprintf(stderr, "report: size %lld finished %d failed %d \"%s\"\n", (long long)FileSizeOf(out),
                     end.Finished, end.Failed, end.ErrorMessage.c_str());
        const bool reported = !end.Finished && end.Failed && !end.ErrorMessage.empty();
        const std::string keptAs = mark ? out + Incomplete : out;
        const std::string notAs = mark ? out : out + Incomplete;
        const bool kept = !std::filesystem::exists(notAs) && FileSizeOf(keptAs) > 0;
        return reported ? (kept ? 0 : 2) : 1;
    };
    for (const bool mark : {true, false}) {
        SCOPED_TRACE(mark ? "marked" : "under the name given");
        EXPECT_EXIT(std::exit(convertUnderTheLimit(mark)), testing::ExitedWithCode(0), "");
        std::filesystem::remove(OutputPath(0));
        std::filesystem::remove(OutputPath(0) + Incomplete);
    }
}

// The source is deleted or cut short after the conversion has begun.
TEST_F(ConverterTest, ASourceThatGoesAwayDuringTheRunEndsCleanly) {
    ClipSpec spec = VideoOnlyClip(4.0);
    spec.Video[0].Width = 320;
    spec.Video[0].Height = 240;
    spec.Video[0].BitRate = 2000000; // far more than the reader buffers at once
    const struct {
        const char* name;
        bool truncate;
    } cases[] = {{"deleted", false}, {"truncated", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input = Clip(std::string(c.name) + ".avi", spec);
        const int index = conv.AddTask(input);
        ASSERT_GE(index, 0) << conv.LastError();
        ASSERT_TRUE(conv.SetOutputFile(index, OutputPath(index), HookedOutput()));
        conv.OnCustomHook = [&](TCustomRAzidiZUV*, PHookInfo info) {
            if (info->FrameNumber != 5)
                return;
            if (c.truncate)
                std::filesystem::resize_file(input, std::filesystem::file_size(input) / 3);
            else
                std::filesystem::remove(input);
        };
        conv.StartTask(1);
        ASSERT_TRUE(WaitForAllDone());
        const TEventRecord end = Events().at(0);
        if (end.Failed) {
            EXPECT_FALSE(end.ErrorMessage.empty());
            EXPECT_FALSE(std::filesystem::exists(OutputPath(index)));
        } else {
            EXPECT_TRUE(end.Finished);
            ExpectNothingOrWhole(OutputPath(index));
            // A deleted file stays readable while it is open: all of it arrives.
            if (!c.truncate) {
                EXPECT_EQ(DecodeWholeFile(OutputPath(index)).Frames[0], 100);
            }
        }
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
}

// Stops at growing delays after the start reach a task in each of its phases:
// before its thread runs, while it opens its codecs and writes the header, and
// in its loop. Every stop ends with a report and a whole file or none.
TEST_F(ConverterTest, AStopAtAnyMomentOfTheStartLeavesAWholeFileOrNone) {
    Watchdog watchdog(120s);
    const std::string input = Clip("in.avi", VideoOnlyClip(1.0));
    for (const auto delay : {0us, 200us, 500us, 1000us, 2000us, 4000us, 8000us, 16000us, 32000us}) {
        SCOPED_TRACE(delay.count());
        AddConversion(input);
        conv.StartTask(1);
        std::this_thread::sleep_for(delay);
        conv.Stop(true);
        ASSERT_TRUE(WaitForAllDone());
        const TEventRecord end = Events().at(0);
        EXPECT_FALSE(end.Failed) << end.ErrorMessage;
        conv.ClearTasks();
        ExpectNothingOrWhole(OutputPath(0));
        std::filesystem::remove(OutputPath(0));
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
}

// Runs of one converter are started and stopped over and over while the main
// thread adds tasks to a second converter and probes files, as a window does.
TEST_F(ConverterTest, StartsAndStopsInALoopBesideAMainThreadAtWork) {
    Watchdog watchdog(240s);
    const std::string input = Clip("in.avi", VideoOnlyClip(1.0));
    TRAzidiZUV other;
    int otherTasks = 0;
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 3; ++i)
            AddConversion(input);
        conv.StartTask(2);
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(5 * round);
        ASSERT_EQ(other.AddTask(input), otherTasks) << other.LastError();
        ASSERT_TRUE(other.SetOutputFile(otherTasks, dir.File("other" + std::to_string(otherTasks) + ".avi"),
                                        HookedOutput()));
        ++otherTasks;
        do {
            EXPECT_TRUE(conv.Probe().Open(input)) << conv.Probe().LastError();
            EXPECT_EQ(conv.Probe().VideoStreamCount(), 1);
            ProcessPendingMessages();
        } while (std::chrono::steady_clock::now() < until);
        conv.Stop(round % 2 == 0);
        ASSERT_TRUE(WaitForAllDone());
        for (const TEventRecord& e : Events())
            EXPECT_FALSE(e.Failed) << e.ErrorMessage;
        conv.ClearTasks();
        for (int i = 0; i < 3; ++i) {
            ExpectNothingOrWhole(OutputPath(i));
            std::filesystem::remove(OutputPath(i));
        }
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
    // The second converter's tasks were not harmed: they all run to their end.
    std::atomic<int> finished{0};
    std::atomic<bool> allDone{false};
    other.OnTerminate = [&](TCustomRAzidiZUV*, const TTerminateInfo& info) {
        if (info.TaskIndex < 0)
            allDone = true;
        else if (info.Finished && !info.Failed)
            ++finished;
        WakeMainThread();
    };
    other.StartTask(2);
    ASSERT_TRUE(ServeUntil([&] { return allDone.load(); }, 120s));
    EXPECT_EQ(finished, otherTasks);
}

} // namespace
