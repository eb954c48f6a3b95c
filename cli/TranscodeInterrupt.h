// Ctrl-C (SIGINT) and SIGTERM for "vantoro-cli transcode": the first asks the
// run to stop, the second ends the process at once.
//
// The signal handler only writes the signal number to a pipe; a watcher thread
// reads it, sets the request and calls the owner's wake function (which may
// lock, unlike the handler). The main thread reads Requested().
#pragma once

#include <atomic>
#include <csignal>
#include <functional>
#include <thread>

class TTranscodeInterrupt {
public:
    // Exit status of a run stopped by the user, and of the hard exit.
    static constexpr int ExitStatus = 130;

    // Installs the handlers and starts the watcher. `onRequest` runs on the
    // watcher thread after Requested() has become true.
    explicit TTranscodeInterrupt(std::function<void()> onRequest);
    // Ends the watcher, then restores the previous handlers.
    ~TTranscodeInterrupt();
    TTranscodeInterrupt(const TTranscodeInterrupt&) = delete;
    TTranscodeInterrupt& operator=(const TTranscodeInterrupt&) = delete;

    bool Requested() const { return requested_.load(std::memory_order_acquire); }

private:
    void Watch();

    std::function<void()> onRequest_;
    std::atomic<bool> requested_{false};
    int readFd_ = -1;
    int writeFd_ = -1;
    struct sigaction previousInt_ {};
    struct sigaction previousTerm_ {};
    std::thread watcher_;
};
