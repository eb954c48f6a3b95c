// Running a peer or our own program as a child process and reading what it cost:
// the benchmarks compare whole programs, so each run is a process of its own.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bench {

struct Sample {
    double Wall = 0; // s
    double Cpu = 0;  // s, user + system of the children
    long PeakKb = 0; // the largest child's peak resident size
    bool Ok = false;
};

inline std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

inline double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs `args` with its output going to `log`; adds the child's times and peak to `sample`.
// True when it exited with status 0.
inline bool RunChild(const std::vector<std::string>& args, const std::filesystem::path& log, Sample& sample) {
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        const int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int devnull = open("/dev/null", O_RDONLY);
        if (fd >= 0) {
            dup2(fd, STDOUT_FILENO);
            dup2(fd, STDERR_FILENO);
        }
        if (devnull >= 0)
            dup2(devnull, STDIN_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return false;
    sample.Wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.Cpu += Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
    sample.PeakKb = std::max(sample.PeakKb, usage.ru_maxrss);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace bench
