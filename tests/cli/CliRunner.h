// Runs the built vantoro-cli and watches one of its output streams line by
// line as the lines come (to send a signal at the right moment, say); the
// other stream goes to a file. A run that outlives its limit is killed and
// fails the test.
#pragma once

#include "CliProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

// Sees each line of the watched stream with the process id.
using CliLineWatcher = std::function<void(const std::string& line, pid_t pid)>;

struct CliRun {
    std::vector<std::string> Args;        // after the program name
    int WatchedFd = 1;                    // 1: standard output, 2: standard error
    std::string OtherStreamFile;          // where the other stream goes
    std::vector<std::string> Environment; // empty: this process's
    CliLineWatcher OnLine;
    std::chrono::seconds Limit{60};
    std::filesystem::path Program; // empty: the built vantoro-cli
};

inline CliResult RunCliWatching(const CliRun& run) {
    const std::string program = (run.Program.empty() ? CliProgram() : run.Program).string();
    std::vector<std::string> args{program};
    args.insert(args.end(), run.Args.begin(), run.Args.end());
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = run.Environment;
    // A sanitizer build's checks follow the program into its own environment.
    if (!env.empty())
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "TSAN_OPTIONS", "UBSAN_OPTIONS"})
            if (const char* value = std::getenv(name))
                env.push_back(std::string(name) + "=" + value);
    std::vector<char*> envp;
    for (auto& e : env)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    CliResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "no pipe";
        return result;
    }
    const int otherFd = run.WatchedFd == 1 ? 2 : 1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], run.WatchedFd);
    posix_spawn_file_actions_addopen(&actions, otherFd, run.OtherStreamFile.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(),
                                    run.Environment.empty() ? environ : envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        ADD_FAILURE() << "cannot start " << program;
        return result;
    }

    std::string& watched = run.WatchedFd == 1 ? result.out : result.err;
    const auto deadline = std::chrono::steady_clock::now() + run.Limit;
    std::string pending;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{fds[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) == 0) {
            ADD_FAILURE() << "vantoro-cli still running after " << run.Limit.count() << " s";
            kill(pid, SIGKILL);
            break;
        }
        const ssize_t got = read(fds[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        watched.append(buffer, static_cast<size_t>(got));
        pending.append(buffer, static_cast<size_t>(got));
        for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (run.OnLine)
                run.OnLine(line, pid);
        }
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    (run.WatchedFd == 1 ? result.err : result.out) = ReadFile(run.OtherStreamFile);
    return result;
}

// An environment of the run's own below `folder`: the program sees none of the
// settings, own profiles or desktop of whoever runs the tests.
inline std::vector<std::string> PrivateEnvironment(const std::filesystem::path& folder) {
    return {"HOME=" + (folder / "home").string(), "XDG_CONFIG_HOME=" + (folder / "config").string(),
            "PATH=/usr/bin:/bin"};
}

// A conversion command in that environment, its standard error watched and its
// standard output in `folder`/stdout, given two minutes.
inline CliResult RunCliPrivately(const std::vector<std::string>& args, const std::filesystem::path& folder) {
    return RunCliWatching({args,
                           2,
                           (folder / "stdout").string(),
                           PrivateEnvironment(folder),
                           {},
                           std::chrono::seconds(120),
                           {}});
}
