#include "media/FFmpegLogger.h"

#include "media/MainThreadDispatcher.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <deque>
#include <forward_list>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string_view>
#include <strings.h>
#include <system_error>
#include <unistd.h>
#include <utility>

extern "C" {
#include <libavutil/log.h>
}

namespace {

constexpr size_t LineBufferSize = 2048; // longer library messages are cut to 2047 bytes
constexpr size_t PrefixBufferSize = 160;
constexpr size_t FormatStackSize = 256;
constexpr int LevelBitsMask = 0xff; // above these bits the library may pass a colour
// Lines queued for the main thread beyond this are dropped (and counted), so a
// main thread that stops serving cannot make a chatty worker eat the memory.
constexpr size_t MaxQueuedLines = 100000;

const char* const LevelNames[] = {"quiet", "panic", "fatal", "error", "warning", "info", "verbose", "debug"};

// Process-wide by nature: the library has one log callback and one level. All of
// these are trivially destructible, so a library thread that logs while the
// process exits still finds them.
std::atomic<int> g_libraryThreshold{AV_LOG_INFO}; // the hook lets through what is <= this
std::atomic<bool> g_libraryLevelBound{false};     // avutil bound: levels go to the library
std::atomic<TFFLogger*> g_logger{nullptr};        // the singleton
std::atomic<int> g_busy{0};                       // hook calls in progress past the threshold
std::atomic<int> g_idleWaiters{0};                // threads waiting for g_busy to reach 0
std::atomic<bool> g_unitEnded{false};             // the process is exiting: the hook drops lines

// Text a thread sent to the library log that does not end in a line break yet.
struct TLogItem {
    uint32_t ThreadID;
    std::string Text; // touched only by the thread ThreadID, outside the list's lock
};

class TLogList {
public:
    // The calling thread's item, created (in front) on its first use. Items keep
    // their address until Clear.
    TLogItem& ItemOf(uint32_t threadId) {
        std::lock_guard lock(mutex_);
        for (TLogItem& item : items_) {
            if (item.ThreadID == threadId)
                return item;
        }
        items_.push_front(TLogItem{threadId, {}});
        return items_.front();
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        items_.clear();
    }

private:
    std::mutex mutex_;
    std::forward_list<TLogItem> items_; // guarded by mutex_
};

// Lines other threads logged for the main thread, in the order they came. One
// drain call at a time is posted to the dispatcher; it delivers everything
// queued up to then, so a worker never waits for the main thread to log.
class TQueuedLines {
public:
    // Any thread. Queues `info` and posts a drain unless one is pending already.
    void Push(TLogInfo info) {
        {
            std::lock_guard lock(mutex_);
            if (lines_.size() >= MaxQueuedLines) {
                ++dropped_;
                return;
            }
            lines_.push_back(std::move(info));
            if (drainPosted_)
                return;
            drainPosted_ = true;
        }
        PostToMainThread([this] { Drain(); });
    }

private:
    // Main thread. The lines go to whichever logger is registered now: the one
    // they were queued for may have gone since.
    void Drain();

    std::mutex mutex_;
    std::deque<TLogInfo> lines_; // guarded by mutex_
    size_t dropped_ = 0;         // guarded by mutex_
    bool drainPosted_ = false;   // guarded by mutex_
};

struct LoggingUnit {
    TLogList list;
    TQueuedLines queued;
    std::mutex createMutex;
    std::unique_ptr<TFFLogger> owned; // guarded by createMutex; the logger GetLogger made
};

// Waits until no hook call is past its threshold test. On the main thread it keeps
// serving main-thread calls meanwhile, since those hook calls may be waiting for it.
void waitUntilIdle() {
    ++g_idleWaiters;
    if (IsMainThread()) {
        ServeUntil([] { return g_busy.load() == 0; });
    } else {
        for (int busy = g_busy.load(); busy != 0; busy = g_busy.load())
            g_busy.wait(busy);
    }
    --g_idleWaiters;
}

class BusyScope {
public:
    BusyScope() { ++g_busy; }
    ~BusyScope() {
        if (g_busy.fetch_sub(1) == 1 && g_idleWaiters.load() != 0) {
            g_busy.notify_all();
            WakeMainThread();
        }
    }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// End of logging at process exit: stop the hook, let calls in progress finish,
// destroy the logger GetLogger made and the pending texts.
class UnitEnd {
public:
    explicit UnitEnd(LoggingUnit& unit) : unit_(unit) {
        // The dispatcher must outlive this object, since the waits below use it;
        // touching it first makes it be destroyed after us.
        (void)IsMainThread();
    }
    ~UnitEnd() {
        g_unitEnded = true;
        if (g_libraryLevelBound)
            av_log_set_callback(av_log_default_callback);
        std::unique_ptr<TFFLogger> doomed;
        {
            std::lock_guard lock(unit_.createMutex);
            doomed = std::move(unit_.owned);
        }
        doomed.reset();
        waitUntilIdle();
        unit_.list.Clear();
    }
    UnitEnd(const UnitEnd&) = delete;
    UnitEnd& operator=(const UnitEnd&) = delete;

private:
    LoggingUnit& unit_;
};

LoggingUnit& unit() {
    // Never destroyed: a library thread may log while static objects go away.
    static LoggingUnit* const u = new LoggingUnit;
    static UnitEnd end(*u);
    return *u;
}

void TQueuedLines::Drain() {
    std::deque<TLogInfo> lines;
    size_t dropped;
    {
        std::lock_guard lock(mutex_);
        lines.swap(lines_);
        dropped = std::exchange(dropped_, 0);
        drainPosted_ = false;
    }
    for (const TLogInfo& info : lines) {
        TFFLogger* logger = g_logger.load();
        if (logger && logger->OnLog)
            logger->OnLog(info.Sender, info.ThreadID, info.LogLevel, info.LogMsg);
    }
    TFFLogger* logger = g_logger.load();
    if (dropped > 0 && logger && logger->OnLog)
        logger->OnLog(logger, CurrentThreadId(), llWarning,
                      std::to_string(dropped) + " log lines were dropped: the main thread did not take them");
}

void formatPrefix(void* context, char (&prefix)[PrefixBufferSize]) {
    prefix[0] = '\0';
    if (!context)
        return;
    const AVClass* cls = *static_cast<const AVClass* const*>(context);
    if (!cls)
        return;
    const char* name = cls->item_name ? cls->item_name(context) : cls->class_name;
    // The full address: 64-bit pointers do not fit in eight digits.
    std::snprintf(prefix, sizeof prefix, "[%s @ %08" PRIXPTR "]", name ? name : "",
                  reinterpret_cast<uintptr_t>(context));
}

void hookLine(void* context, int level, const char* format, va_list args) {
    char prefix[PrefixBufferSize];
    formatPrefix(context, prefix);
    char text[LineBufferSize];
    if (std::vsnprintf(text, sizeof text, format, args) < 0)
        text[0] = '\0';

    const uint32_t threadId = CurrentThreadId();
    TLogItem& item = unit().list.ItemOf(threadId);
    if (item.Text.empty())
        item.Text = prefix;
    item.Text += text;
    const size_t last = item.Text.rfind('\n');
    if (last == std::string::npos)
        return;
    // Take the complete lines out before delivering: a handler running on this
    // thread may log through the library again and so append to this item.
    std::string lines(item.Text, 0, last + 1);
    item.Text.erase(0, last + 1);

    TFFLogger& logger = GetLogger();
    TLogInfo info{&logger, threadId, LibraryToLogLevel(level), {}};
    for (size_t start = 0; start < lines.size();) {
        const size_t end = lines.find('\n', start);
        info.LogMsg.assign(lines, start, end - start);
        logger.Deliver(info);
        start = end + 1;
    }
}

// Called by the library on any thread. Never lets an exception into the library.
void libraryHook(void* context, int level, const char* format, va_list args) {
    if (level >= 0)
        level &= LevelBitsMask;
    if (level > g_libraryThreshold.load(std::memory_order_relaxed))
        return;
    BusyScope busy;
    if (g_unitEnded)
        return;
    try {
        hookLine(context, level, format, args);
    } catch (...) {
        // A handler's failure must not unwind through C code; the line is lost.
    }
}

void pushLevel(TLogLevel level) {
    if (!g_libraryLevelBound)
        return;
    const int number = LogLevelToLibrary(level);
    g_libraryThreshold = number;
    av_log_set_level(number);
}

std::string formatMessage(const char* format, va_list args) {
    va_list again;
    va_copy(again, args);
    char small[FormatStackSize];
    const int length = std::vsnprintf(small, sizeof small, format, args);
    std::string text;
    if (length < 0) {
        // encoding error: nothing usable
    } else if (static_cast<size_t>(length) < sizeof small) {
        text.assign(small, static_cast<size_t>(length));
    } else {
        text.resize(static_cast<size_t>(length));
        std::vsnprintf(text.data(), text.size() + 1, format, again);
    }
    va_end(again);
    return text;
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

int parseInteger(const std::string& text) {
    std::string_view digits = trimmed(text);
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size())
        throw std::invalid_argument("'" + text + "' is not a valid integer value");
    return value;
}

} // namespace

int LogLevelToLibrary(TLogLevel level) {
    return (static_cast<int>(level) - 1) * 8;
}

TLogLevel LibraryToLogLevel(int number) {
    return static_cast<TLogLevel>(
        std::clamp(number / 8 + 1, static_cast<int>(llQuiet), static_cast<int>(llDebug)));
}

uint32_t CurrentThreadId() {
    thread_local const uint32_t id = static_cast<uint32_t>(::gettid());
    return id;
}

TFFLogger::TFFLogger(TFFBaseComponent* owner)
    : TFFBaseComponent(owner), logLevel_(LibraryToLogLevel(g_libraryThreshold.load())) {
    TFFLogger* none = nullptr;
    if (!g_logger.compare_exchange_strong(none, this))
        throw std::logic_error("Allow creating only one instance of TFFLogger.");
}

TFFLogger::~TFFLogger() {
    TFFLogger* self = this;
    g_logger.compare_exchange_strong(self, nullptr);
    // A hook call that found this logger before it was unregistered may still be
    // delivering through it.
    waitUntilIdle();
}

TLogLevel TFFLogger::LogLevel() const {
    return logLevel_.load();
}

void TFFLogger::SetLogLevel(TLogLevel level) {
    if (logLevel_.exchange(level) != level)
        pushLevel(level);
}

void TFFLogger::SetLogLevelText(const std::string& text) {
    const std::string_view name = trimmed(text);
    for (size_t i = 0; i < std::size(LevelNames); ++i) {
        if (name.size() == std::char_traits<char>::length(LevelNames[i]) &&
            ::strncasecmp(name.data(), LevelNames[i], name.size()) == 0) {
            SetLogLevel(static_cast<TLogLevel>(i));
            return;
        }
    }
    SetLogLevel(LibraryToLogLevel(parseInteger(text)));
}

void TFFLogger::InstallHook() {
    av_log_set_callback(libraryHook);
    g_libraryLevelBound = true;
    pushLevel(LogLevel());
}

bool TFFLogger::passes(TLogLevel level) const {
    if (!OnLog)
        return false;
    const TLogLevel current = LogLevel();
    // Verbose component messages get through at every level but quiet.
    return level <= current || (level == llVerbose && current != llQuiet);
}

void TFFLogger::Log(const TFFBaseComponent* sender, TLogLevel level, const std::string& msg) {
    if (passes(level))
        Deliver(TLogInfo{sender, CurrentThreadId(), level, msg});
}

void TFFLogger::LogFmt(const TFFBaseComponent* sender, TLogLevel level, const char* format, ...) {
    if (!passes(level))
        return;
    va_list args;
    va_start(args, format);
    std::string msg = formatMessage(format, args);
    va_end(args);
    Deliver(TLogInfo{sender, CurrentThreadId(), level, std::move(msg)});
}

void TFFLogger::Deliver(const TLogInfo& info) {
    if (!OnLog)
        return;
    if (!TriggerEventInMainThread || IsMainThread()) {
        OnLog(info.Sender, info.ThreadID, info.LogLevel, info.LogMsg);
        return;
    }
    // Queued, not waited for: the caller may hold a lock the main thread takes
    // (CodecLock inside a codec's open, the converter's termination lock).
    unit().queued.Push(info);
}

TFFLogger& GetLogger() {
    if (TFFLogger* logger = g_logger.load())
        return *logger;
    LoggingUnit& u = unit();
    std::lock_guard lock(u.createMutex);
    if (TFFLogger* logger = g_logger.load())
        return *logger;
    try {
        u.owned = std::make_unique<TFFLogger>();
    } catch (const std::logic_error&) {
        // The application registered its own logger in the meantime.
        if (TFFLogger* logger = g_logger.load())
            return *logger;
        throw;
    }
    return *u.owned;
}
