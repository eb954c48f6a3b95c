#include "media/FFmpegLogger.h"
#include "media/FFmpegLoader.h"
#include "media/MainThreadDispatcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

using namespace std::chrono_literals;

namespace {

const char* h264Name(void*) {
    return "h264";
}

const AVClass& h264Class() {
    static const AVClass cls = [] {
        AVClass c{};
        c.class_name = "TestCodec";
        c.item_name = h264Name;
        c.version = LIBAVUTIL_VERSION_INT;
        return c;
    }();
    return cls;
}

// A logging context as the library sees one: its first member points to its class.
struct FakeContext {
    const AVClass* cls = &h264Class();
};

std::string prefixOf(const FakeContext& ctx) {
    char text[64];
    std::snprintf(text, sizeof text, "[h264 @ %08" PRIXPTR "]", reinterpret_cast<uintptr_t>(&ctx));
    return text;
}

struct Event {
    const TFFBaseComponent* sender;
    uint32_t threadId;
    TLogLevel level;
    std::string msg;
    bool onMainThread;
};

// Uses the process's logger with the hook installed, records deliveries, and
// puts the logger back as it was.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Lines other tests' threads left queued are not ours.
        ProcessPendingMessages();
        logger_ = &GetLogger();
        savedLevel_ = logger_->LogLevel();
        logger_->InstallHook();
        logger_->SetLogLevel(llInfo);
        // Finish any half line this thread left in the library log before we listen.
        av_log(nullptr, AV_LOG_PANIC, "\n");
        logger_->TriggerEventInMainThread = false;
        logger_->OnLog = [this](const TFFBaseComponent* sender, uint32_t threadId, TLogLevel level,
                                const std::string& msg) {
            std::lock_guard lock(mutex_);
            events_.push_back(Event{sender, threadId, level, msg, IsMainThread()});
        };
    }
    void TearDown() override {
        logger_->OnLog = nullptr;
        logger_->TriggerEventInMainThread = true;
        logger_->SetLogLevel(savedLevel_);
    }
    std::vector<Event> Events() {
        std::lock_guard lock(mutex_);
        return events_;
    }
    std::vector<std::string> Messages() {
        std::vector<std::string> texts;
        for (const Event& e : Events())
            texts.push_back(e.msg);
        return texts;
    }

    TFFLogger* logger_ = nullptr;
    TLogLevel savedLevel_ = llInfo;
    std::mutex mutex_;
    std::vector<Event> events_; // guarded by mutex_
};

TEST(LogLevelMapping, BothDirections) {
    const struct {
        TLogLevel level;
        int number;
    } levels[] = {{llQuiet, -8},   {llPanic, 0}, {llFatal, 8},    {llError, 16},
                  {llWarning, 24}, {llInfo, 32}, {llVerbose, 40}, {llDebug, 48}};
    for (const auto& c : levels) {
        EXPECT_EQ(LogLevelToLibrary(c.level), c.number);
        EXPECT_EQ(LibraryToLogLevel(c.number), c.level) << c.number;
    }
    const struct {
        int number;
        TLogLevel level;
    } numbers[] = {{-7, llPanic},   {7, llPanic},   {20, llError},  {56, llDebug},
                   {1000, llDebug}, {-15, llQuiet}, {-16, llQuiet}, {-100, llQuiet}};
    for (const auto& c : numbers)
        EXPECT_EQ(LibraryToLogLevel(c.number), c.level) << c.number;
}

TEST_F(LoggerTest, PrefixStandsOnlyAtTheStartOfALine) {
    FakeContext ctx;
    av_log(&ctx, AV_LOG_INFO, "abc\ndef\n");
    const auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].msg, prefixOf(ctx) + "abc");
    EXPECT_EQ(events[1].msg, "def");
    for (const Event& e : events) {
        EXPECT_EQ(e.sender, logger_);
        EXPECT_EQ(e.threadId, CurrentThreadId());
        EXPECT_EQ(e.level, llInfo);
    }
}

TEST_F(LoggerTest, TextWithoutLineBreakWaitsForTheRestOfItsLine) {
    FakeContext ctx;
    av_log(&ctx, AV_LOG_WARNING, "first part");
    EXPECT_TRUE(Events().empty());
    av_log(&ctx, AV_LOG_WARNING, ", rest %d\n", 42);
    EXPECT_EQ(Messages(), std::vector<std::string>{prefixOf(ctx) + "first part, rest 42"});

    av_log(nullptr, AV_LOG_ERROR, "\n");
    ASSERT_EQ(Events().size(), 2u);
    EXPECT_EQ(Events()[1].msg, "");
    EXPECT_EQ(Events()[1].level, llError);
}

TEST_F(LoggerTest, EachThreadKeepsItsOwnPendingText) {
    FakeContext ctx;
    av_log(&ctx, AV_LOG_INFO, "main ");
    uint32_t workerId = 0;
    std::thread worker([&] {
        workerId = CurrentThreadId();
        av_log(&ctx, AV_LOG_INFO, "worker line\n");
    });
    worker.join();
    av_log(&ctx, AV_LOG_INFO, "line\n");

    const auto events = Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].msg, prefixOf(ctx) + "worker line");
    EXPECT_EQ(events[0].threadId, workerId);
    EXPECT_EQ(events[1].msg, prefixOf(ctx) + "main line");
    EXPECT_EQ(events[1].threadId, CurrentThreadId());
    EXPECT_NE(workerId, CurrentThreadId());
}

TEST_F(LoggerTest, LongLibraryMessageIsCutAndLosesItsLineBreak) {
    const std::string longText(3000, 'x');
    av_log(nullptr, AV_LOG_INFO, "%s\n", longText.c_str());
    EXPECT_TRUE(Events().empty()) << "the line break fell beyond the 2048-byte buffer";
    av_log(nullptr, AV_LOG_INFO, "\n");
    EXPECT_EQ(Messages(), std::vector<std::string>{std::string(2047, 'x')});
}

TEST_F(LoggerTest, HookDropsLinesAboveTheLevel) {
    av_log(nullptr, AV_LOG_VERBOSE, "too detailed\n");
    av_log(nullptr, AV_LOG_DEBUG, "far too detailed\n");
    av_log(nullptr, AV_LOG_WARNING | AV_LOG_C(134), "coloured warning\n");
    ASSERT_EQ(Messages(), std::vector<std::string>{"coloured warning"});
    EXPECT_EQ(Events()[0].level, llWarning);

    logger_->SetLogLevel(llDebug);
    av_log(nullptr, AV_LOG_VERBOSE, "now wanted\n");
    EXPECT_EQ(Messages().back(), "now wanted");
    EXPECT_EQ(Events().back().level, llVerbose);
}

TEST_F(LoggerTest, ComponentMessagesAreFilteredByLevelWithTheVerboseRule) {
    const struct {
        TLogLevel loggerLevel;
        TLogLevel messageLevel;
        bool delivered;
    } cases[] = {
        {llInfo, llInfo, true},      {llInfo, llError, true},    {llInfo, llDebug, false},
        {llInfo, llVerbose, true},   {llError, llVerbose, true}, {llQuiet, llVerbose, false},
        {llError, llWarning, false}, {llQuiet, llPanic, false},  {llDebug, llDebug, true},
    };
    TFFBaseComponent component;
    for (const auto& c : cases) {
        logger_->SetLogLevel(c.loggerLevel);
        const size_t before = Events().size();
        logger_->Log(&component, c.messageLevel, "message");
        const bool delivered = Events().size() > before;
        EXPECT_EQ(delivered, c.delivered) << int(c.loggerLevel) << " / " << int(c.messageLevel);
        if (delivered) {
            EXPECT_EQ(Events().back().sender, &component);
            EXPECT_EQ(Events().back().level, c.messageLevel);
        }
    }
}

TEST_F(LoggerTest, LogFmtFormatsShortAndLongMessages) {
    TFFBaseComponent component;
    logger_->LogFmt(&component, llError, "%s: %d", "frames", 25);
    const std::string longText(5000, 'y');
    logger_->LogFmt(&component, llError, "[%s]", longText.c_str());
    logger_->LogFmt(&component, llDebug, "filtered %d", 1);
    ASSERT_EQ(Messages().size(), 2u);
    EXPECT_EQ(Messages()[0], "frames: 25");
    EXPECT_EQ(Messages()[1], "[" + longText + "]") << "component messages are not cut";
    EXPECT_EQ(Events()[0].sender, &component);
}

TEST_F(LoggerTest, UnassignedHandlerDropsLinesSilently) {
    logger_->OnLog = nullptr;
    av_log(nullptr, AV_LOG_ERROR, "nobody listens\n");
    logger_->Log(nullptr, llError, "nobody listens");
    EXPECT_TRUE(Events().empty());
}

TEST_F(LoggerTest, SetLogLevelTextReadsNamesAndNumbers) {
    const struct {
        const char* text;
        TLogLevel level;
    } cases[] = {{"VERBOSE", llVerbose}, {"quiet", llQuiet}, {"Debug", llDebug}, {"warning", llWarning},
                 {"20", llError},        {"-100", llQuiet},  {"48", llDebug},    {"7", llPanic},
                 {"+32", llInfo},        {" 16 ", llError}};
    for (const auto& c : cases) {
        logger_->SetLogLevelText(c.text);
        EXPECT_EQ(logger_->LogLevel(), c.level) << c.text;
        EXPECT_EQ(av_log_get_level(), LogLevelToLibrary(c.level)) << "pushed to the library: " << c.text;
    }
    for (const char* bad : {"loud", "", "12abc", "3.5", "99999999999"})
        EXPECT_THROW(logger_->SetLogLevelText(bad), std::invalid_argument) << bad;
}

// Lines of another thread are queued: the worker goes on at once, and the
// main thread gets them in order when it serves its queue.
TEST_F(LoggerTest, QueuesOtherThreadsLinesForTheMainThreadInOrder) {
    logger_->TriggerEventInMainThread = true;
    FakeContext ctx;
    uint32_t workerId = 0;
    std::future<void> worker = std::async(std::launch::async, [&] {
        workerId = CurrentThreadId();
        av_log(&ctx, AV_LOG_ERROR, "from the library\n");
        logger_->Log(nullptr, llWarning, "from a component");
        av_log(&ctx, AV_LOG_ERROR, "library again, ");
        av_log(nullptr, AV_LOG_ERROR, "%d\n", 3);
    });
    const bool finishedAlone = worker.wait_for(5s) == std::future_status::ready;
    EXPECT_TRUE(finishedAlone) << "the worker waited for the main thread";
    if (!finishedAlone)
        ServeUntil([&] { return worker.wait_for(0s) == std::future_status::ready; }, 10s);
    worker.get();
    EXPECT_TRUE(Events().empty()) << "nothing is delivered before the main thread serves";
    ProcessPendingMessages();

    const auto events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].msg, prefixOf(ctx) + "from the library");
    EXPECT_EQ(events[1].msg, "from a component");
    EXPECT_EQ(events[2].msg, prefixOf(ctx) + "library again, 3");
    for (const Event& e : events) {
        EXPECT_TRUE(e.onMainThread);
        EXPECT_EQ(e.threadId, workerId);
    }
}

// A codec's open or close may log while its thread holds CodecLock; the main
// thread takes that lock too (reading stream information, opening the
// player's decoders). Were the line waiting for the main thread, neither
// could move.
TEST_F(LoggerTest, ALineLoggedUnderCodecLockDoesNotWaitForTheMainThread) {
    logger_->TriggerEventInMainThread = true;
    std::atomic<bool> logged{false};
    std::promise<void> holding;
    std::future<void> worker = std::async(std::launch::async, [&] {
        std::lock_guard lock(CodecLock());
        holding.set_value();
        av_log(nullptr, AV_LOG_ERROR, "inside a codec open\n");
        logged = true;
    });
    holding.get_future().wait();
    // The main thread now wants the lock, as AddTask would; it does not serve meanwhile.
    bool locked = false;
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!locked && std::chrono::steady_clock::now() < deadline) {
        locked = CodecLock().try_lock();
        if (!locked)
            std::this_thread::sleep_for(1ms);
    }
    EXPECT_TRUE(locked) << "the worker held CodecLock while it waited for the main thread";
    if (locked)
        CodecLock().unlock();
    else
        ServeUntil([&] { return logged.load(); }, 10s);
    worker.get();
    ProcessPendingMessages();
    EXPECT_EQ(Messages(), std::vector<std::string>{"inside a codec open"});
}

TEST_F(LoggerTest, ASecondLoggerIsRefused) {
    try {
        TFFLogger second;
        FAIL() << "a second logger was created";
    } catch (const std::logic_error& e) {
        EXPECT_STREQ(e.what(), "Allow creating only one instance of TFFLogger.");
    }
    EXPECT_EQ(&GetLogger(), logger_) << "the refused one did not replace the singleton";
}

// These run in a fresh copy of the test program, where nothing is bound yet.
class LoggerProcessTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(LoggerProcessTest, LevelReachesTheLibraryOnlyOnceAVUtilIsBound) {
    EXPECT_EXIT(
        {
            const int before = av_log_get_level();
            GetLogger().SetLogLevel(llDebug);
            const bool untouched = av_log_get_level() == before;
            GetLogger().InstallHook();
            std::exit(untouched && av_log_get_level() == LogLevelToLibrary(llDebug) ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(LoggerProcessTest, ExitWhileALibraryThreadKeepsLogging) {
    EXPECT_EXIT(
        {
            TFFLogger& logger = GetLogger();
            logger.InstallHook();
            logger.OnLog = [](const TFFBaseComponent*, uint32_t, TLogLevel, const std::string&) {};
            std::promise<void> started;
            std::thread([&started] {
                started.set_value();
                for (;;)
                    av_log(nullptr, AV_LOG_ERROR, "late\n");
            }).detach();
            started.get_future().wait();
            std::exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}

} // namespace
