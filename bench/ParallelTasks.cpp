// Two identical conversion tasks through the converter component, run one
// after the other (StartTask(0)) and at once on two worker threads
// (StartTask(2)), in alternating order over several rounds. The goal on a
// machine with two free cores: the parallel run takes at most 0.6 of the time.
//
//   bench_ParallelTasks [--rounds N] [--seconds S] [--vcodec NAME]
//
// Each task decodes the 720p benchmark clip and encodes it again with one codec
// thread (the component is not asked to share cores with the codecs), so each
// keeps one core busy. Wall times and the ratio go to standard output, together with the
// load average before and after, since other processes skew the figure.
#include "engine/RAzidiZUV.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <time.h>

namespace {

using Clock = std::chrono::steady_clock;

struct Settings {
    int Rounds = 3;
    double Seconds = 8.0;
    std::string VideoCodec = "mpeg4";
};

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five, fifteen;
    in >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Timing {
    double Wall = 0; // seconds from StartTask to the all-done report
    double Cpu = 0;  // seconds of processor time of the whole process meanwhile
};

// Two tasks converting `input`, run with `threadCount`.
Timing TimeTwoTasks(const std::string& input, const TempDir& dir, const Settings& settings, int threadCount) {
    TRAzidiZUV converter;
    if (!converter.LibrariesLoaded() && !converter.LoadLibraries())
        throw std::runtime_error(converter.LastError());
    bool allDone = false;
    int failed = 0;
    std::string failure;
    // Thread mode reports on delivery threads: count on the main thread.
    converter.OnTerminate = [&](TCustomRAzidiZUV*, const TTerminateInfo& info) {
        RunInMainThread([&, info] {
            if (info.TaskIndex < 0) {
                allDone = true;
            } else if (!info.Finished || info.Failed) {
                ++failed;
                failure = info.ErrorMessage;
            }
        });
        WakeMainThread();
    };
    for (int n = 0; n < 2; ++n) {
        const int index = converter.AddTask(input);
        TOutputOptions output;
        InitOutputOptions(output);
        output.ExtOptions = "vcodec=" + settings.VideoCodec + "\r\nan=1";
        if (index < 0 ||
            !converter.SetOutputFile(index, dir.File("out" + std::to_string(n) + ".avi"), output))
            throw std::runtime_error(converter.LastError());
    }
    const auto start = Clock::now();
    const double cpuStart = ProcessCpuSeconds();
    converter.StartTask(threadCount);
    ServeUntil([&] { return allDone; });
    const Timing timing{std::chrono::duration<double>(Clock::now() - start).count(),
                        ProcessCpuSeconds() - cpuStart};
    if (failed > 0)
        throw std::runtime_error("a task did not finish: " + failure);
    return timing;
}

bool ParseArgs(int argc, char** argv, Settings& settings) {
    for (int i = 1; i < argc; ++i) {
        if (i + 1 >= argc)
            return false;
        if (std::strcmp(argv[i], "--rounds") == 0)
            settings.Rounds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--seconds") == 0)
            settings.Seconds = std::max(1.0, std::atof(argv[++i]));
        else if (std::strcmp(argv[i], "--vcodec") == 0)
            settings.VideoCodec = argv[++i];
        else
            return false;
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    MarkMainThread();
    Settings settings;
    if (!ParseArgs(argc, argv, settings)) {
        std::fprintf(stderr, "usage: bench_ParallelTasks [--rounds N] [--seconds S] [--vcodec NAME]\n");
        return 2;
    }
    GetLogger().SetLogLevel(llError);
    try {
        TempDir dir;
        const std::string input = dir.File("benchmark.mp4");
        MakeClip(input, BenchmarkClip(settings.Seconds));
        std::printf("two tasks: %.0f s of 1280x720 -> %s, one codec thread each; %u hardware threads\n",
                    settings.Seconds, settings.VideoCodec.c_str(), std::thread::hardware_concurrency());
        std::printf("load average before: %s\n", LoadAverage().c_str());
        std::vector<double> ratios;
        double sequentialSum = 0;
        double parallelSum = 0;
        for (int round = 1; round <= settings.Rounds; ++round) {
            // Alternate the order so that a warm cache or a change in load favours neither.
            Timing sequential;
            Timing parallel;
            if (round % 2) {
                sequential = TimeTwoTasks(input, dir, settings, 0);
                parallel = TimeTwoTasks(input, dir, settings, 2);
            } else {
                parallel = TimeTwoTasks(input, dir, settings, 2);
                sequential = TimeTwoTasks(input, dir, settings, 0);
            }
            sequentialSum += sequential.Wall;
            parallelSum += parallel.Wall;
            ratios.push_back(parallel.Wall / sequential.Wall);
            // Processor over wall time shows how many cores the run really had.
            std::printf("round %d: one after the other %.3f s (%.2f cores), two threads %.3f s (%.2f cores), "
                        "ratio %.3f\n",
                        round, sequential.Wall, sequential.Cpu / sequential.Wall, parallel.Wall,
                        parallel.Cpu / parallel.Wall, ratios.back());
            std::fflush(stdout);
        }
        std::printf("load average after: %s\n", LoadAverage().c_str());
        std::printf("ratio: median %.3f, best %.3f, of the summed times %.3f (goal: at most 0.6)\n",
                    Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
                    parallelSum / sequentialSum);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_ParallelTasks: %s\n", e.what());
        return 1;
    }
    return 0;
}
