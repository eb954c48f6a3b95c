// An input read from a named pipe whose writer goes quiet part way: a stop
// still ends the run at once, and what came through is a complete file.
#include "media/PipeInput.h"
#include "BoundedRun.h"
#include "DecodedOutput.h"
#include "SetupTestSupport.h"
#include "media/AVProbe.h"
#include "media/FFmpegLoader.h"
#include "media/FileHelpers.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;

// Writes the first `count` bytes into a pipe as the reader takes them, then
// keeps its end open and silent until released.
class SilentPipeWriter {
public:
    SilentPipeWriter(std::string path, const char* data, size_t count)
        : path_(std::move(path)), data_(data), count_(count), thread_([this] { Write(); }) {}
    ~SilentPipeWriter() {
        Release();
        thread_.join();
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        wake_.notify_all();
    }

private:
    bool Released() {
        std::lock_guard lock(mutex_);
        return released_;
    }
    void Write() {
        // A reader gone early must give this thread an error, not the process a signal.
        sigset_t pipeSignal;
        sigemptyset(&pipeSignal);
        sigaddset(&pipeSignal, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);
        int fd = -1;
        while (fd < 0 && !Released()) { // no reader yet: opening fails at once
            fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                std::this_thread::sleep_for(5ms);
        }
        size_t done = 0;
        while (fd >= 0 && done < count_ && !Released()) {
            pollfd wait{fd, POLLOUT, 0};
            if (::poll(&wait, 1, 20) <= 0)
                continue;
            const ssize_t n = ::write(fd, data_ + done, count_ - done);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (errno != EAGAIN && errno != EINTR)
                break;
        }
        std::unique_lock lock(mutex_);
        wake_.wait(lock, [this] { return released_; });
        if (fd >= 0)
            ::close(fd);
    }

    std::string path_;
    const char* data_;
    size_t count_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool released_ = false; // guarded by mutex_
    std::thread thread_;
};

class PipeInputTest : public SetupTest {};

TEST_F(PipeInputTest, OnlyPipesAndDevicesAreReadThroughThePipeReader) {
    const std::string fifo = dir.File("in.pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string file = Clip("in.ts", VideoOnlyClip(0.2));
    EXPECT_TRUE(IsPipeInput(fifo));
    EXPECT_TRUE(IsPipeInput("file:" + fifo));
    EXPECT_TRUE(IsPipeInput("/dev/null"));
    EXPECT_FALSE(IsPipeInput(file));
    EXPECT_FALSE(IsPipeInput(dir.File("missing.ts")));
    EXPECT_FALSE(IsPipeInput("pipe:0"));
}

// The input opened by the task itself, or taken over from a probe that read
// the first part of the pipe (what it read must not be lost, and the stop must
// reach reads made through the probe's reader).
TEST_F(PipeInputTest, StopEndsARunWaitingOnASilentPipe) {
    std::vector<char> clip;
    int64_t size = 0;
    ASSERT_EQ(ReadWholeFile(Clip("in.ts", VideoOnlyClip(4.0)), clip, size), 0);
    for (const bool fromProbe : {false, true}) {
        SCOPED_TRACE(fromProbe ? "taken from a probe" : "opened by the task");
        task.ResetEngineState();
        const std::string fifo = dir.File(fromProbe ? "probed.pipe" : "in.pipe");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        SilentPipeWriter writer(fifo, clip.data(), static_cast<size_t>(size - 1) / 2);

        TAVProbe probe;
        if (fromProbe) {
            ASSERT_TRUE(FFmpegLoader().BindSet(ConverterLibrarySet));
            ASSERT_TRUE(probe.Open(fifo, "mpegts")) << probe.LastError();
            Apply({{"f", "mpegts"}});
            ASSERT_TRUE(task.OpenInputFile(fifo, &probe)) << task.ErrorText();
            ASSERT_EQ(probe.Context(), nullptr) << "the probe's input was not taken";
        } else {
            OpenInput(fifo, {{"f", "mpegts"}});
        }
        const std::string path = dir.File(fromProbe ? "probed.mkv" : "out.mkv");
        OpenOutput(path, {{"vcodec", "mpeg4"}});
        std::vector<TProgressInfo> reports; // filled on the run thread, read after it ended
        task.OnProgress = [&](const TProgressInfo& info) { reports.push_back(info); };
        StopFlag control;
        std::thread stopper([&] {
            std::this_thread::sleep_for(700ms); // the loop has drained the pipe and waits
            control.Stop();
        });
        const auto start = std::chrono::steady_clock::now();
        const TBoundedRun run = RunWithin(task, control, 3s, [&] { writer.Release(); });
        stopper.join();
        EXPECT_TRUE(run.InTime) << "the stop did not reach the waiting read";
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_EQ(run.Error, "");
        ASSERT_FALSE(reports.empty());
        EXPECT_EQ(reports.back().FileIndex, -1); // the last report came too

        const TDecodedFile out = DecodeWholeFile(path);
        ASSERT_TRUE(out.Opened); // flushed, with its trailer
        // Half of 100 frames went into the pipe.
        EXPECT_GT(out.Frames[0], 35);
        EXPECT_LT(out.Frames[0], 100);
        EXPECT_EQ(out.Errors, 0);
    }
}

} // namespace
