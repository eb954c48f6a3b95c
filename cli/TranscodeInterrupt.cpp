#include "cli/TranscodeInterrupt.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <stdexcept>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The write end of the pipe, for the handler: a handler can reach nothing else.
// One command runs per process, so one pipe at a time.
std::atomic<int> g_signalPipe{-1};

constexpr unsigned char QuitByte = 0; // no signal has number 0

extern "C" void onSignal(int signal) {
    const int saved = errno;
    const int fd = g_signalPipe.load(std::memory_order_relaxed);
    if (fd >= 0) {
        const unsigned char byte = static_cast<unsigned char>(signal);
        // A full pipe already holds more requests than are needed.
        [[maybe_unused]] const ssize_t written = write(fd, &byte, 1);
    }
    errno = saved;
}

} // namespace

TTranscodeInterrupt::TTranscodeInterrupt(std::function<void()> onRequest) : onRequest_(std::move(onRequest)) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    readFd_ = fds[0];
    writeFd_ = fds[1];
    fcntl(writeFd_, F_SETFL, O_NONBLOCK);
    g_signalPipe.store(writeFd_);
    watcher_ = std::thread([this] { Watch(); });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // Library calls on other threads must not fail with EINTR because of us.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &previousInt_);
    sigaction(SIGTERM, &action, &previousTerm_);
}

TTranscodeInterrupt::~TTranscodeInterrupt() {
    // The handlers stay until the watcher has ended, so a late Ctrl-C is still
    // taken gently; once it has, their bytes only fill the unread pipe.
    const unsigned char quit = QuitByte;
    while (write(writeFd_, &quit, 1) < 0 && errno == EINTR) {
    }
    watcher_.join();
    sigaction(SIGINT, &previousInt_, nullptr);
    sigaction(SIGTERM, &previousTerm_, nullptr);
    g_signalPipe.store(-1);
    close(writeFd_);
    close(readFd_);
}

void TTranscodeInterrupt::Watch() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t got = read(readFd_, &byte, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || byte == QuitByte)
            return;
        if (requested_.exchange(true, std::memory_order_acq_rel)) {
            static const char text[] = "vantoro-cli: interrupted again, quitting\n";
            [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, text, sizeof text - 1);
            _exit(ExitStatus);
        }
        std::fputs("vantoro-cli: stopping; the outputs are being completed (Ctrl-C again quits at once)\n",
                   stderr);
        if (onRequest_)
            onRequest_();
    }
}
