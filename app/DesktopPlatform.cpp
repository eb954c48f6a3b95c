#include "app/DesktopPlatform.h"

#include "app/HttpDownload.h"
#include "media/MainThreadDispatcher.h"

#include <cerrno>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

pid_t Spawn(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
        return -1;
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

int RunProgram(const std::vector<std::string>& argv) {
    const pid_t pid = Spawn(argv);
    return pid < 0 ? -1 : Wait(pid);
}

bool StartProgram(const std::vector<std::string>& argv) {
    const pid_t pid = Spawn(argv);
    if (pid < 0)
        return false;
    // Reaps the child so that no zombie stays behind.
    std::thread([pid] { Wait(pid); }).detach();
    return true;
}

bool TDesktopPlatform::OpenWithDesktop(const std::string& target, std::function<void(bool opened)> done) {
    const pid_t pid = Spawn({"xdg-open", target});
    if (pid < 0)
        return false;
    // xdg-open's exit status says whether something opened the target; it
    // is awaited off the main thread, which only gets the answer.
    std::thread([pid, done = std::move(done), alive = std::weak_ptr<bool>(alive_)] {
        const bool opened = Wait(pid) == 0;
        // Nobody is left to tell once the platform is gone (the program ends).
        if (done && alive.lock())
            PostToMainThread([done, opened] { done(opened); });
    }).detach();
    return true;
}

bool TDesktopPlatform::PowerOff() {
    // logind decides whether this user may power off; "false" means do not ask
    // interactively.
    return RunProgram({"gdbus", "call", "--system", "--dest", "org.freedesktop.login1", "--object-path",
                       "/org/freedesktop/login1", "--method", "org.freedesktop.login1.Manager.PowerOff",
                       "false"}) == 0;
}

TDownloadResult TDesktopPlatform::Download(const std::string& url, const std::string& fileName,
                                           int timeoutSeconds, int64_t maxBytes,
                                           const std::atomic<bool>& cancel, std::string& error) {
    return DownloadUrlToFile(url, fileName, timeoutSeconds, maxBytes, cancel, error);
}

void TDesktopPlatform::PlaySound(const std::string& fileName) {
    // In the process, without waiting; the desktop's players only when SDL has
    // no audio output (PulseAudio/PipeWire first, then ALSA; none stays silent).
    if (sound_.Play(fileName))
        return;
    if (!StartProgram({"paplay", fileName}))
        StartProgram({"aplay", "-q", fileName});
}

TPasswordStore TDesktopPlatform::ReadPasswordStore() {
    return ReadPasswordLockFile(passwordLockFile_);
}
