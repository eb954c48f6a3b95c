// The converter component: building tasks, runs on the caller's thread and on
// workers, stop/pause/resume, the busy guards and the event deliveries.
#include "ConverterTestSupport.h"
#include "SetupTestSupport.h"

#include <algorithm>
#include <map>
#include <set>
#include <stdexcept>

namespace {

std::string GuardMessage(const std::function<void()>& call) {
    try {
        call();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(no exception)";
}

TEST_F(ConverterTest, PublishedDefaultsAndProgressIntervalClamp) {
    EXPECT_EQ(conv.GetVersion(), "3.3");
    EXPECT_EQ(conv.Version(), "3.3");
    EXPECT_EQ(conv.ProgressInterval(), 500);
    EXPECT_EQ(conv.ThreadPriority(), tpNormal);
    EXPECT_TRUE(conv.TriggerEventInMainThread());
    EXPECT_FALSE(conv.Preview());
    EXPECT_FALSE(conv.PreviewBitmap());
    EXPECT_EQ(conv.TaskCount(), 0);

    const std::pair<int, int> cases[] = {{50, 100}, {100, 100}, {101, 101},
                                         {0, 100},  {-7, 100},  {2000, 2000}};
    for (const auto& [set, readBack] : cases) {
        conv.SetProgressInterval(set);
        EXPECT_EQ(conv.ProgressInterval(), readBack) << "set " << set;
    }
}

TEST_F(ConverterTest, AddTaskOnAMissingFileLeavesTheListAlone) {
    const std::string missing = dir.File("missing.avi");
    EXPECT_EQ(conv.AddTask(missing), -1);
    EXPECT_EQ(conv.TaskCount(), 0);
    EXPECT_NE(conv.LastError().find("missing.avi"), std::string::npos) << conv.LastError();

    // An option error is caught into LastError as well.
    TInputOptions options;
    InitInputOptions(options);
    options.FileFormat = "no_such_format";
    EXPECT_EQ(conv.AddTask(Clip("in.avi"), options), -1);
    EXPECT_EQ(conv.TaskCount(), 0);
    EXPECT_FALSE(conv.LastError().empty());
}

TEST_F(ConverterTest, AddTaskKeepsTheRecordAndFillsTheProbeFromTheInput) {
    const std::string input = Clip("in.avi", VideoOnlyClip(0.4));
    TInputOptions options;
    InitInputOptions(options);
    EXPECT_EQ(conv.AddTask(input, options), 0);
    EXPECT_EQ(conv.AddTask(input), 1);
    ASSERT_EQ(conv.TaskCount(), 2);

    const TFFmpeg& task = conv.Tasks().Items(0);
    ASSERT_NE(task.InputOptions(0), nullptr);
    EXPECT_EQ(task.InputOptions(0)->FileName, input);
    EXPECT_EQ(conv.Tasks().Items(1).InputOptions(0), nullptr);

    ASSERT_NE(task.InputProbe(0), nullptr);
    EXPECT_EQ(task.InputProbe(0)->VideoStreamCount(), 1);
    EXPECT_EQ(task.InputProbe(0)->Context(), conv.InputContext(0, 0));
    EXPECT_NEAR(conv.InputContext(0, 0)->duration / 1e6, 0.4, 0.1);
    EXPECT_THROW(conv.InputContext(2, 0), std::out_of_range);
}

TEST_F(ConverterTest, InputStartTimeSkipsThatMuchOfTheSource) {
    TInputOptions options;
    InitInputOptions(options);
    options.StartTime = 500000;
    const int index = conv.AddTask(Clip("in.avi", VideoOnlyClip(1.0)), options);
    ASSERT_EQ(index, 0) << conv.LastError();
    TOutputOptions output = HookedOutput();
    output.CustomHook = false;
    ASSERT_TRUE(conv.SetOutputFile(index, OutputPath(0), output)) << conv.LastError();
    conv.StartTask(0);
    ReadBackPtr out = ReadBack(OutputPath(0));
    ASSERT_TRUE(out);
    EXPECT_NEAR(out->duration / 1e6, 0.5, 0.1);
}

TEST_F(ConverterTest, SetOutputFileFillsTheRecordsFileNameAndKeepsIt) {
    const int index = conv.AddTask(Clip("in.avi"));
    TOutputOptions options = HookedOutput();
    ASSERT_TRUE(conv.SetOutputFile(index, OutputPath(0), options)) << conv.LastError();
    ASSERT_TRUE(conv.SetOutputFile(index, dir.File("second.avi"))) << conv.LastError();
    const TFFmpeg& task = conv.Tasks().Items(index);
    ASSERT_NE(task.OutputOptions(0), nullptr);
    EXPECT_EQ(task.OutputOptions(0)->FileName, OutputPath(0));
    EXPECT_EQ(task.OutputOptions(0)->VideoCodec, "mpeg4");
    EXPECT_EQ(task.OutputOptions(1), nullptr);

    // A failed output keeps no copy and no file.
    TOutputOptions bad = HookedOutput();
    bad.FileFormat = "no_such_muxer";
    EXPECT_FALSE(conv.SetOutputFile(index, dir.File("third.avi"), bad));
    EXPECT_FALSE(conv.LastError().empty());
    EXPECT_EQ(task.OutputOptions(2), nullptr);
    EXPECT_THROW(conv.SetOutputFile(5, dir.File("x.avi")), std::out_of_range);
}

TEST_F(ConverterTest, TwentyOutputsAreTheLimitAndUnusedOutputsLeaveNoFiles) {
    const int index = conv.AddTask(Clip("in.avi"));
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(conv.SetOutputFile(index, OutputPath(i))) << i << ": " << conv.LastError();
    EXPECT_FALSE(conv.SetOutputFile(index, OutputPath(20)));
    EXPECT_EQ(conv.LastError(), "max output files 20 reached");
    EXPECT_FALSE(std::filesystem::exists(OutputPath(20)));

    // Never run: the outputs are still empty and go with the task, unreported.
    conv.ClearTasks();
    EXPECT_EQ(conv.TaskCount(), 0);
    EXPECT_TRUE(conv.LastError().empty());
    for (int i = 0; i < 20; ++i)
        EXPECT_FALSE(std::filesystem::exists(OutputPath(i))) << i;
    EXPECT_TRUE(Events().empty());
}

TEST_F(ConverterTest, RemoveTaskClosesTheGapWithoutAReport) {
    const std::string input = Clip("in.avi");
    for (int i = 0; i < 3; ++i)
        AddConversion(input);
    conv.RemoveTask(1);
    ASSERT_EQ(conv.TaskCount(), 2);
    EXPECT_EQ(conv.Tasks().Items(1).OutputOptions(0)->FileName, OutputPath(2));
    EXPECT_FALSE(std::filesystem::exists(OutputPath(1)));
    EXPECT_THROW(conv.RemoveTask(2), std::out_of_range);
    std::this_thread::sleep_for(20ms); // a report thread would have reported by now
    EXPECT_TRUE(Events().empty());
}

TEST_F(ConverterTest, SynchronousRunReportsEachEndBeforeTheNextStartAndAllDoneLast) {
    WatchStarts();
    const std::string input = Clip("in.avi");
    for (int i = 0; i < 3; ++i)
        AddConversion(input);
    conv.StartTask(0);

    const std::vector<TEventRecord> seen = Events();
    ASSERT_EQ(seen.size(), 7u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(seen[2 * i].What, TEventRecord::Start);
        EXPECT_EQ(seen[2 * i].TaskIndex, i);
        EXPECT_EQ(seen[2 * i + 1].What, TEventRecord::End);
        EXPECT_EQ(seen[2 * i + 1].TaskIndex, i);
        EXPECT_TRUE(seen[2 * i + 1].Finished);
        EXPECT_FALSE(seen[2 * i + 1].Failed);
        EXPECT_EQ(seen[2 * i + 1].Thread, std::this_thread::get_id());
        ReadBackPtr out = ReadBack(OutputPath(i));
        ASSERT_TRUE(out) << i;
        EXPECT_NEAR(out->duration / 1e6, 0.2, 0.1);
    }
    const TEventRecord& allDone = seen.back();
    EXPECT_EQ(allDone.TaskIndex, -1);
    EXPECT_TRUE(allDone.Finished);
    EXPECT_FALSE(allDone.Failed);
    EXPECT_TRUE(allDone.ErrorMessage.empty());
    EXPECT_TRUE(conv.Working());
    EXPECT_TRUE(conv.AllDoneReported());
}

TEST_F(ConverterTest, BusyGuardsRaiseWhileWorkingAndAfterAllDoneUntilCleared) {
    const int index = AddConversion(Clip("in.avi"));
    conv.StartTask(0);
    ASSERT_TRUE(conv.AllDoneReported());

    const std::pair<std::string, std::function<void()>> guarded[] = {
        {"AddTask", [&] { conv.AddTask(Clip("in.avi")); }},
        {"SetOutputFile", [&] { conv.SetOutputFile(index, dir.File("x.avi")); }},
        {"RemoveTask", [&] { conv.RemoveTask(index); }},
        {"StartTask", [&] { conv.StartTask(0); }},
    };
    for (const auto& [name, call] : guarded)
        EXPECT_EQ(GuardMessage(call), "Cannot " + name + " while working.");
    EXPECT_EQ(conv.TaskCount(), 1);

    conv.ClearTasks(); // allowed once all-done has been reported
    EXPECT_FALSE(conv.Working());
    EXPECT_EQ(conv.TaskCount(), 0);
    EXPECT_GE(AddConversion(Clip("in.avi")), 0);
}

TEST_F(ConverterTest, ClearTasksIsRefusedDuringARun) {
    WatchStarts(20ms);
    AddConversion(Clip("in.avi", VideoOnlyClip(1.0)));
    conv.StartTask(1);
    EXPECT_EQ(GuardMessage([&] { conv.ClearTasks(); }), "Cannot ClearTasks while working.");
    EXPECT_EQ(GuardMessage([&] { conv.AddTask(Clip("in.avi")); }), "Cannot AddTask while working.");
    conv.Stop(true);
    ASSERT_TRUE(WaitForAllDone());
    conv.ClearTasks();
    EXPECT_FALSE(conv.Working());
}

TEST_F(ConverterTest, StartTaskWithAnEmptyListStaysIdleAndReportsNothing) {
    for (int threads : {0, 2}) {
        conv.StartTask(threads);
        EXPECT_FALSE(conv.Working());
        EXPECT_FALSE(conv.AllDoneReported());
    }
    EXPECT_EQ(AddConversion(Clip("in.avi")), 0); // not stuck in a run
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(Events().empty());
}

TEST_F(ConverterTest, StopOutsideARunReportsNothing) {
    AddConversion(Clip("in.avi"));
    conv.Stop(true);
    conv.Stop(false);
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(Events().empty());
    conv.StartTask(0); // the task can still run
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_TRUE(Events()[0].Finished);
}

TEST_F(ConverterTest, ATaskWithoutOutputFailsToStartAndTheRunGoesOn) {
    const std::string input = Clip("in.avi");
    ASSERT_EQ(conv.AddTask(input), 0);
    AddConversion(input);
    for (int threads : {0, 1}) {
        SCOPED_TRACE(threads);
        conv.StartTask(threads);
        ASSERT_TRUE(WaitForAllDone());
        const std::vector<TEventRecord> seen = Events();
        ASSERT_EQ(seen.size(), 3u);
        EXPECT_EQ(seen[0].TaskIndex, 0);
        EXPECT_FALSE(seen[0].Finished);
        EXPECT_TRUE(seen[0].Failed);
        EXPECT_EQ(seen[0].ErrorMessage, "At least one output file must be specified");
        EXPECT_EQ(seen[1].TaskIndex, 1);
        EXPECT_TRUE(seen[1].Finished);
        EXPECT_EQ(seen[2].TaskIndex, -1);
        // The refused task let go of its input.
        EXPECT_THROW(conv.InputContext(0, 0), std::out_of_range);
        conv.ClearTasks();
        {
            std::lock_guard lock(eventsMutex);
            events.clear();
        }
        ASSERT_EQ(conv.AddTask(input), 0);
        AddConversion(input);
    }
}

// In thread mode the refusal is made by the worker that ended the task before,
// while it holds the termination lock; the main thread meanwhile asks for the
// run state, which takes that lock. The refusal's log line must not wait for
// the main thread then.
TEST_F(ConverterTest, ARefusedStartInThreadModeDoesNotHoldTheMainThread) {
    Watchdog watchdog(60s);
    TFFLogger& logger = GetLogger();
    const TLogLevel savedLevel = logger.LogLevel();
    logger.SetLogLevel(llQuiet);
    logger.OnLog = [](const TFFBaseComponent*, uint32_t, TLogLevel, const std::string&) {};
    const std::string input = Clip("in.avi");
    AddConversion(input);
    ASSERT_EQ(conv.AddTask(input), 1);
    conv.StartTask(1);
    // Polls without serving the main thread, as a window's timer might. At
    // the quiet level the refusal is the only line the worker logs, so nothing
    // else makes it wait for the main thread.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!conv.Tasks().Items(1).Runner().Terminated() && std::chrono::steady_clock::now() < deadline) {
        (void)conv.Working();
        (void)conv.TaskCount();
        std::this_thread::sleep_for(100us);
    }
    EXPECT_TRUE(conv.Tasks().Items(1).Runner().Terminated());
    ASSERT_TRUE(WaitForAllDone());
    const std::vector<TEventRecord> seen = Events();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].TaskIndex, 1);
    EXPECT_TRUE(seen[1].Failed);
    EXPECT_EQ(seen[1].ErrorMessage, "At least one output file must be specified");
    logger.OnLog = nullptr;
    logger.SetLogLevel(savedLevel);
    ProcessPendingMessages();
}

TEST_F(ConverterTest, TwoThreadsRunFiveTasksTwoAtATime) {
    std::atomic<int> mostRunning{0};
    std::atomic<bool> offMainThread{true};
    conv.OnCustomHook = [&](TCustomRAzidiZUV*, PHookInfo info) {
        if (info->FrameNumber == 1)
            Record({TEventRecord::Start, info->TaskIndex, false, false, {}, std::this_thread::get_id()});
        if (IsMainThread())
            offMainThread = false;
        int running = 0;
        for (int i = 0; i < 5; ++i)
            running += conv.Tasks().Items(i).Runner().Running() ? 1 : 0;
        int most = mostRunning;
        while (running > most && !mostRunning.compare_exchange_weak(most, running)) {
        }
        std::this_thread::sleep_for(3ms);
    };
    const std::string input = Clip("in.avi");
    for (int i = 0; i < 5; ++i)
        AddConversion(input);
    conv.StartTask(2);
    // Tasks 0 and 1 are started at once, the others wait for an end.
    EXPECT_TRUE(conv.Tasks().Items(0).Runner().Running() || conv.Tasks().Items(0).Runner().Terminated());
    EXPECT_TRUE(conv.Tasks().Items(1).Runner().Running() || conv.Tasks().Items(1).Runner().Terminated());
    EXPECT_EQ(conv.Tasks().Items(4).Runner().State(), rsIdle);
    ASSERT_TRUE(WaitForAllDone());

    // Never more than two at once, and a third only after an end (an ended
    // task is no longer running when its report starts the next).
    EXPECT_EQ(mostRunning, 2);
    EXPECT_TRUE(offMainThread);
    const std::vector<TEventRecord> seen = Events();
    std::set<int> ended;
    for (const TEventRecord& e : seen) {
        if (e.What != TEventRecord::End)
            continue;
        EXPECT_NE(e.Thread, std::this_thread::get_id()) << "delivered on a thread of its own";
        if (e.TaskIndex >= 0) {
            EXPECT_TRUE(e.Finished);
            ended.insert(e.TaskIndex);
        }
    }
    EXPECT_EQ(ended.size(), 5u);
    EXPECT_EQ(seen.back().TaskIndex, -1);
    EXPECT_EQ(seen.back().What, TEventRecord::End);
}

TEST_F(ConverterTest, StopWithPendingTasksReportsEveryTaskThenAllDone) {
    WatchStarts(10ms);
    const std::string input = Clip("in.avi", VideoOnlyClip(2.0));
    for (int i = 0; i < 5; ++i)
        AddConversion(input);
    conv.StartTask(2);
    ASSERT_TRUE(ServeUntil([&] { return hookCalls >= 4; }, 10s));
    conv.Stop(true);
    // Both workers have ended when a waiting stop returns.
    EXPECT_FALSE(conv.Tasks().Items(0).Runner().Running());
    EXPECT_FALSE(conv.Tasks().Items(1).Runner().Running());
    ASSERT_TRUE(WaitForAllDone());

    const std::vector<TEventRecord> seen = Events();
    std::map<int, TEventRecord> ends;
    std::set<int> started;
    for (const TEventRecord& e : seen) {
        if (e.What == TEventRecord::Start)
            started.insert(e.TaskIndex);
        else if (e.TaskIndex >= 0)
            ends.emplace(e.TaskIndex, e);
    }
    EXPECT_EQ(started, (std::set<int>{0, 1}));
    ASSERT_EQ(ends.size(), 5u);
    for (const auto& [index, e] : ends) {
        EXPECT_FALSE(e.Finished) << index;
        EXPECT_FALSE(e.Failed) << index << ": " << e.ErrorMessage;
    }
    EXPECT_EQ(seen.back().TaskIndex, -1);
    // The stopped ones were flushed and closed; the pending ones left nothing behind once freed.
    for (int i : {0, 1})
        EXPECT_TRUE(ReadBack(OutputPath(i))) << i;
    conv.ClearTasks();
    for (int i : {2, 3, 4})
        EXPECT_FALSE(std::filesystem::exists(OutputPath(i))) << i;
}

TEST_F(ConverterTest, StopWhilePausedEndsTheTaskWithACompleteFile) {
    WatchStarts(5ms);
    AddConversion(Clip("in.avi", VideoOnlyClip(2.0)));
    conv.StartTask(1);
    ASSERT_TRUE(ServeUntil([&] { return hookCalls >= 3; }, 10s));
    conv.Pause();
    std::this_thread::sleep_for(30ms); // the round under way ends
    const int pausedAt = hookCalls;
    std::this_thread::sleep_for(60ms);
    EXPECT_LE(hookCalls - pausedAt, 1);
    EXPECT_EQ(conv.Tasks().Items(0).Runner().State(), rsPaused);

    conv.Stop(true);
    ASSERT_TRUE(WaitForAllDone());
    const std::vector<TEventRecord> seen = Events();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_FALSE(seen[1].Finished);
    EXPECT_FALSE(seen[1].Failed);
    ReadBackPtr out = ReadBack(OutputPath(0));
    ASSERT_TRUE(out);
    EXPECT_GT(out->duration, 0);
    EXPECT_LT(out->duration / 1e6, 1.9);
}

TEST_F(ConverterTest, ATaskThatStartsDuringAPauseStartsPaused) {
    WatchStarts(2ms);
    // The first task fails while it sets up (H.263 has no 64x48), which starts
    // the second one while the run is paused. On a busy machine the worker can
    // get that far before the pause is asked for; such a round shows nothing,
    // so it is run again.
    TOutputOptions failing = HookedOutput();
    failing.VideoCodec = "h263";
    const std::string input = Clip("in.avi", VideoOnlyClip(2.0));
    bool pausedFirst = false;
    for (int round = 0; round < 5 && !pausedFirst; ++round) {
        if (round > 0) {
            conv.Resume();
            ASSERT_TRUE(WaitForAllDone());
            conv.ClearTasks();
            std::lock_guard lock(eventsMutex);
            events.clear();
        }
        AddConversion(input, failing);
        AddConversion(input);
        conv.StartTask(1);
        conv.Pause();
        ASSERT_TRUE(ServeUntil([&] { return Events().size() >= 1; }, 10s));
        pausedFirst = Events()[0].What == TEventRecord::End;
    }
    ASSERT_TRUE(pausedFirst) << "the second task started before every pause";
    EXPECT_TRUE(Events()[0].Failed);
    ASSERT_TRUE(ServeUntil([&] { return conv.Tasks().Items(1).Runner().State() == rsPaused; }, 5s));
    const int pausedAt = hookCalls;
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(hookCalls, pausedAt);
    conv.Resume();
    ASSERT_TRUE(WaitForAllDone());
    EXPECT_TRUE(Events()[1].What == TEventRecord::Start || Events()[1].Finished);
}

TEST_F(ConverterTest, PauseAndResumeWithoutWorkersDoNothing) {
    std::atomic<int> reports{0};
    conv.OnProgress = [&](TCustomRAzidiZUV*, PProgressInfo) {
        ++reports;
        conv.Pause(); // would never come back if it paused the caller
        conv.Resume();
        conv.Pause();
    };
    AddConversion(Clip("in.avi"));
    conv.StartTask(0);
    EXPECT_GE(reports, 1);
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_TRUE(Events()[0].Finished);
}

TEST_F(ConverterTest, ProgressAndPreviewGoWhereTriggerEventInMainThreadSays) {
    for (bool mainThread : {true, false}) {
        SCOPED_TRACE(mainThread);
        conv.SetTriggerEventInMainThread(mainThread);
        conv.SetPreviewBitmap(true);
        std::atomic<int> progressOnMain{0}, progressElsewhere{0}, previewOnMain{0}, previewElsewhere{0};
        std::atomic<int> lastTask{-2};
        conv.OnProgress = [&](TCustomRAzidiZUV* sender, PProgressInfo info) {
            EXPECT_EQ(sender, &conv);
            lastTask = info->TaskIndex;
            ++(IsMainThread() ? progressOnMain : progressElsewhere);
        };
        conv.OnPreviewBitmap = [&](TCustomRAzidiZUV*, const TPreviewInfo& info) {
            EXPECT_EQ(info.TaskIndex, 0); // the index after the removal
            ASSERT_NE(info.Bitmap, nullptr);
            EXPECT_EQ(info.Bitmap->Width, 64);
            ++(IsMainThread() ? previewOnMain : previewElsewhere);
        };
        const std::string input = Clip("in.avi");
        AddConversion(input);
        AddConversion(input);
        conv.RemoveTask(0);
        conv.StartTask(1);
        ASSERT_TRUE(WaitForAllDone());
        EXPECT_EQ(lastTask, 0);
        EXPECT_GT(mainThread ? progressOnMain : progressElsewhere, 0);
        EXPECT_EQ(mainThread ? progressElsewhere : progressOnMain, 0);
        EXPECT_GT(mainThread ? previewOnMain : previewElsewhere, 0);
        EXPECT_EQ(mainThread ? previewElsewhere : previewOnMain, 0);
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
}

TEST_F(ConverterTest, PreviewPicturesComeAtMostTenASecond) {
    conv.SetTriggerEventInMainThread(false);
    conv.SetPreviewBitmap(true);
    WatchStarts(10ms); // 25 frames in about a quarter of a second
    std::mutex timesMutex;
    std::vector<std::chrono::steady_clock::time_point> times;
    std::vector<int> frames;
    conv.OnPreviewBitmap = [&](TCustomRAzidiZUV*, const TPreviewInfo& info) {
        std::lock_guard lock(timesMutex);
        times.push_back(std::chrono::steady_clock::now());
        frames.push_back(info.FrameNumber);
    };
    AddConversion(Clip("in.avi", VideoOnlyClip(1.0)));
    conv.StartTask(0);
    ASSERT_GE(times.size(), 2u);
    EXPECT_LE(times.size(), 5u);
    EXPECT_EQ(frames.front(), 1) << "the first picture is previewed at once";
    for (size_t i = 1; i < times.size(); ++i)
        EXPECT_GE(times[i] - times[i - 1], 95ms) << i;
}

TEST_F(ConverterTest, VideoCopyIsRefusedWhilePreviewIsOn) {
    struct Case {
        bool preview, previewBitmap, previewOffBeforeStart, refused;
    };
    const Case cases[] = {
        {false, false, false, false},
        {true, false, false, true},
        {false, true, false, true},
        {true, false, true, false}, // switching off reaches tasks already in the list
    };
    const std::string input = Clip("in.avi");
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.preview << c.previewBitmap << c.previewOffBeforeStart);
        conv.SetPreview(c.preview);
        conv.SetPreviewBitmap(c.previewBitmap);
        TOutputOptions copy;
        InitOutputOptions(copy);
        copy.VideoCodec = "copy";
        AddConversion(input, copy);
        if (c.previewOffBeforeStart)
            conv.SetPreview(false);
        conv.StartTask(0);
        const std::vector<TEventRecord> seen = Events();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].Failed, c.refused);
        if (c.refused) {
            EXPECT_EQ(seen[0].ErrorMessage,
                      "-vcodec copy and PostHooks are incompatible (frames are not decoded)");
        }
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
}

TEST_F(ConverterTest, HookHandlerCanChangeThePictureAndStopTheHook) {
    int calls = 0;
    conv.OnCustomHook = [&](TCustomRAzidiZUV* sender, PHookInfo info) {
        EXPECT_EQ(sender, &conv);
        EXPECT_TRUE(info->Update);
        EXPECT_FALSE(info->StopHook);
        EXPECT_EQ(info->FrameNumber, ++calls);
        info->Update = false;
        info->StopHook = calls == 3;
    };
    AddConversion(Clip("in.avi"));
    conv.StartTask(0);
    EXPECT_EQ(calls, 3);
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_TRUE(Events()[0].Finished);
}

TEST_F(ConverterTest, AllDoneHandlerMayClearTheListInASynchronousRun) {
    conv.OnTerminate = [&](TCustomRAzidiZUV*, const TTerminateInfo& info) {
        Record({TEventRecord::End, info.TaskIndex, info.Finished, info.Failed, info.ErrorMessage,
                std::this_thread::get_id()});
        if (info.TaskIndex == -1)
            conv.ClearTasks();
    };
    const std::string input = Clip("in.avi");
    AddConversion(input);
    AddConversion(input);
    conv.StartTask(0);
    EXPECT_EQ(Events().size(), 3u);
    EXPECT_FALSE(conv.Working());
    EXPECT_EQ(conv.TaskCount(), 0);
    EXPECT_EQ(AddConversion(input), 0);
}

TEST_F(ConverterTest, StopWithWaitingFromAProgressHandlerDoesNotDeadlock) {
    Watchdog watchdog(60s);
    for (bool threadMode : {true, false}) {
        SCOPED_TRACE(threadMode);
        std::atomic<int> stops{0};
        conv.OnProgress = [&](TCustomRAzidiZUV*, PProgressInfo) {
            if (stops++ == 0)
                conv.Stop(true);
        };
        WatchStarts(5ms);
        const std::string input = Clip("in.avi", VideoOnlyClip(2.0));
        for (int i = 0; i < 4; ++i)
            AddConversion(input);
        conv.SetProgressInterval(100);
        conv.StartTask(threadMode ? 2 : 0);
        ASSERT_TRUE(WaitForAllDone());
        EXPECT_GE(stops, 1);
        const std::vector<TEventRecord> seen = Events();
        int ends = 0;
        for (const TEventRecord& e : seen) {
            if (e.What == TEventRecord::End && e.TaskIndex >= 0) {
                ++ends;
                EXPECT_FALSE(e.Finished) << e.TaskIndex;
                EXPECT_FALSE(e.Failed) << e.ErrorMessage;
            }
        }
        EXPECT_EQ(ends, 4);
        conv.ClearTasks();
        std::lock_guard lock(eventsMutex);
        events.clear();
    }
}

TEST_F(ConverterTest, StopWithWaitingFromASynchronousTerminateHandlerDoesNotDeadlock) {
    Watchdog watchdog(60s);
    conv.OnTerminate = [&](TCustomRAzidiZUV*, const TTerminateInfo& info) {
        Record({TEventRecord::End, info.TaskIndex, info.Finished, info.Failed, info.ErrorMessage,
                std::this_thread::get_id()});
        // The other reports need this handler to return first.
        if (info.TaskIndex == 0)
            conv.Stop(true);
    };
    const std::string input = Clip("in.avi");
    for (int i = 0; i < 3; ++i)
        AddConversion(input);
    conv.StartTask(0);
    ASSERT_TRUE(WaitForAllDone());
    const std::vector<TEventRecord> seen = Events();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_TRUE(seen[0].Finished);
    for (int i : {1, 2}) {
        EXPECT_FALSE(seen[i].Finished) << i;
        EXPECT_FALSE(seen[i].Failed) << i;
    }
    EXPECT_EQ(seen[3].TaskIndex, -1);
}

TEST_F(ConverterTest, FreeingTheComponentDuringARunStopsAndWaits) {
    Watchdog watchdog(60s);
    std::atomic<int> ends{0};
    {
        auto own = std::make_unique<TRAzidiZUV>();
        own->OnCustomHook = [](TCustomRAzidiZUV*, PHookInfo) { std::this_thread::sleep_for(5ms); };
        own->OnTerminate = [&](TCustomRAzidiZUV*, const TTerminateInfo&) { ++ends; };
        const std::string input = Clip("in.avi", VideoOnlyClip(2.0));
        for (int i = 0; i < 3; ++i) {
            ASSERT_EQ(own->AddTask(input), i);
            ASSERT_TRUE(own->SetOutputFile(i, OutputPath(i), HookedOutput()));
        }
        own->StartTask(2);
        std::this_thread::sleep_for(50ms);
    }
    // Every delivery thread has been joined: the reports are all in.
    EXPECT_EQ(ends, 4);
    EXPECT_TRUE(ReadBack(OutputPath(0)));
}

} // namespace
