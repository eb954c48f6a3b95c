// How much a conversion task costs over the same conversion written straight on
// the libraries (BareTranscode.h): time and peak memory for each output kind.
//
//   bench_TranscodeVsBare [--input FILE] [--seconds S] [--rounds N] [--keep DIR]
//   bench_TranscodeVsBare --only task|bare [--kind K] [--input FILE] [--seconds S]
//                                   one run of one side in this process, for a profiler
//
// Without --input a 1280x720 H.264+AAC clip of S seconds (default 5) is made.
// Every run happens in a child process of its own, so the child's peak resident
// size (wait4) is that run's alone; task and bare runs alternate for N rounds
// (default 7). Time is judged on each side's fastest user CPU time, memory on the
// median peak above what a child inherits. Exit status 1 when a bound is missed.
#include "BareTranscode.h"
#include "fixtures/FixtureMaker.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"
#include "options/OptionTable.h"
#include "run/TaskRunner.h"
#include "task/FFmpegTask.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr double TimeBound = 1.05;
constexpr double MemoryBound = 1.20;

struct TOutputKind {
    const char* Name;
    const char* Extension;
    std::vector<std::pair<std::string, std::string>> TaskOptions;
    TBareSettings Bare;
};

// What a user profile asks for: H.264 at the source's size in MP4, and MPEG-4
// scaled down to 640x360 in AVI, where the scaler and the sample conversion run.
std::vector<TOutputKind> OutputKinds() {
    TBareSettings h264;
    h264.VideoEncoder = "libx264";
    h264.Width = 1280;
    h264.Height = 720;
    h264.VideoBitRate = 2000000;
    h264.AudioEncoder = "aac";
    h264.SampleFormat = AV_SAMPLE_FMT_FLTP;
    h264.AudioBitRate = 128000;

    TBareSettings mpeg4;
    mpeg4.VideoEncoder = "mpeg4";
    mpeg4.Width = 640;
    mpeg4.Height = 360;
    mpeg4.VideoBitRate = 1200000;
    mpeg4.AudioEncoder = "libmp3lame";
    mpeg4.SampleFormat = AV_SAMPLE_FMT_S32P; // the encoder's first, as a profile without one gets
    mpeg4.AudioBitRate = 128000;

    return {
        {"H.264+AAC 1280x720 mp4",
         "mp4",
         {{"vcodec", "libx264"},
          {"s", "1280x720"},
          {"b", "2000k"},
          {"acodec", "aac"},
          {"ab", "128k"},
          {"ar", "44100"},
          {"ac", "2"}},
         h264},
        {"MPEG-4+MP3 640x360 avi",
         "avi",
         {{"vcodec", "mpeg4"},
          {"s", "640x360"},
          {"b", "1200k"},
          {"acodec", "libmp3lame"},
          {"ab", "128k"},
          {"ar", "44100"},
          {"ac", "2"}},
         mpeg4},
    };
}

// The encoder settings that differ from the library defaults, public and private:
// equal texts mean both sides asked the encoders for the same work.
std::string EncoderSignature(const AVCodecContext* enc) {
    std::string text = std::string(enc->codec->name) + ":";
    for (void* obj : {static_cast<void*>(const_cast<AVCodecContext*>(enc)), enc->priv_data}) {
        char* buffer = nullptr;
        if (obj &&
            av_opt_serialize(obj, AV_OPT_FLAG_ENCODING_PARAM, AV_OPT_SERIALIZE_SKIP_DEFAULTS, &buffer, '=',
                             ',') >= 0 &&
            buffer)
            text += std::string(buffer) + ";";
        av_free(buffer);
    }
    return text;
}

struct TSample {
    double Wall = 0;   // s
    double User = 0;   // s, CPU time in user mode of the whole child process
    double System = 0; // s, CPU time in the kernel
    long PeakKb = 0;
    std::string Signature; // or the error text
    bool Ok = false;
};

double Now(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + t.tv_usec * 1e-6;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size) {
        const ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Runs `work` in a child process; the child reports its times and the text
// `work` returns through a pipe, the parent takes its peak size from wait4.
TSample RunInChild(const std::function<std::string()>& work) {
    int fds[2];
    if (pipe(fds) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        close(fds[0]);
        double times[3] = {};
        char ok = 1;
        std::string text;
        const double wall = Now(CLOCK_MONOTONIC);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        try {
            text = work();
        } catch (const std::exception& e) {
            text = e.what();
            ok = 0;
        }
        times[0] = Now(CLOCK_MONOTONIC) - wall;
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        times[1] = Seconds(after.ru_utime) - Seconds(before.ru_utime);
        times[2] = Seconds(after.ru_stime) - Seconds(before.ru_stime);
        const size_t length = text.size();
        const bool sent = WriteAll(fds[1], times, sizeof times) && WriteAll(fds[1], &ok, 1) &&
                          WriteAll(fds[1], &length, sizeof length) && WriteAll(fds[1], text.data(), length);
        _exit(sent ? 0 : 3);
    }
    close(fds[1]);
    std::string received;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        received.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    TSample sample;
    sample.PeakKb = usage.ru_maxrss;
    const size_t header = sizeof(double) * 3 + 1 + sizeof(size_t);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || received.size() < header) {
        sample.Signature = "child ended abnormally";
        return sample;
    }
    double times[3];
    std::memcpy(times, received.data(), sizeof times);
    sample.Wall = times[0];
    sample.User = times[1];
    sample.System = times[2];
    sample.Ok = received[sizeof times] != 0;
    sample.Signature = received.substr(header);
    return sample;
}

// The conversion as the application runs it: options applied by name, the
// task started synchronously by its runner, progress handled at the interval.
std::string RunTask(const std::string& in, const std::string& out, const TOutputKind& kind) {
    TCustomFFmpeg task;
    task.ResetEngineState();
    if (!task.OpenInputFile(in))
        throw std::runtime_error(task.ErrorText());
    for (const auto& [name, value] : kind.TaskOptions)
        DispatchOption(task, name, value);
    if (task.OpenOutputFile(out) <= 0)
        throw std::runtime_error(task.ErrorText());
    std::string signature;
    int reports = 0;
    task.OnProgress = [&](const TProgressInfo& info) {
        ++reports;
        if (info.FileIndex != -1)
            return;
        for (const TOutputStream& ost : task.OutputStreams())
            signature += EncoderSignature(ost.Encoder) + "\n";
    };
    TTaskRunner runner(task);
    runner.Start(false);
    if (runner.Failed())
        throw std::runtime_error(runner.ErrorMessage());
    return signature;
}

std::string RunBare(const std::string& in, const std::string& out, const TOutputKind& kind) {
    TBareTranscode bare(in, out, kind.Bare);
    bare.Run();
    return EncoderSignature(bare.VideoEncoder()) + "\n" + EncoderSignature(bare.AudioEncoder()) + "\n";
}

double Min(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct TSide {
    std::vector<double> Wall, User, System, PeakMb;
};

bool Record(TSide& side, const TSample& sample, const char* name) {
    if (!sample.Ok) {
        std::fprintf(stderr, "%s run failed: %s\n", name, sample.Signature.c_str());
        return false;
    }
    side.Wall.push_back(sample.Wall);
    side.User.push_back(sample.User);
    side.System.push_back(sample.System);
    side.PeakMb.push_back(sample.PeakKb / 1024.0);
    return true;
}

// "video/audio" packet counts of a written file, to show both sides wrote the same media.
std::string PacketCounts(const std::string& path) {
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0)
        return "unreadable";
    InputClosePtr ctx(raw);
    std::vector<int> counts(raw->nb_streams, 0);
    PacketPtr pkt(av_packet_alloc());
    while (pkt && av_read_frame(raw, pkt.get()) >= 0) {
        ++counts[pkt->stream_index];
        av_packet_unref(pkt.get());
    }
    std::string text;
    for (int n : counts)
        text += (text.empty() ? "" : "/") + std::to_string(n);
    return text;
}

long FileKb(const std::string& path) {
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? -1 : static_cast<long>(size / 1024);
}

} // namespace

int main(int argc, char** argv) {
    MarkMainThread();
    std::string input;
    std::string keep;
    double seconds = 5.0;
    int rounds = 7;
    std::string only;
    size_t onlyKind = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--input" && i + 1 < argc)
            input = argv[++i];
        else if (arg == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else if (arg == "--rounds" && i + 1 < argc)
            rounds = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--keep" && i + 1 < argc)
            keep = argv[++i];
        else if (arg == "--only" && i + 1 < argc)
            only = argv[++i];
        else if (arg == "--kind" && i + 1 < argc)
            onlyKind = static_cast<size_t>(std::atoi(argv[++i]));
        else {
            std::fprintf(stderr,
                         "usage: %s [--input FILE] [--seconds S] [--rounds N] [--keep DIR]\n"
                         "       %s --only task|bare [--kind K] [--input FILE] [--seconds S]\n",
                         argv[0], argv[0]);
            return 2;
        }
    }
    GetLogger().SetLogLevel(llError);
    av_log_set_level(AV_LOG_ERROR);

    TempDir dir;
    const std::filesystem::path outDir = keep.empty() ? dir.Path() : std::filesystem::path(keep);
    if (input.empty()) {
        input = dir.File("source.mp4");
        MakeClip(input, BenchmarkClip(seconds));
        std::printf("source: 1280x720 25 fps H.264 + AAC 44100 Hz stereo, %.1f s\n", seconds);
    } else {
        std::printf("source: %s\n", input.c_str());
    }

    const std::vector<TOutputKind> kinds = OutputKinds();
    if (!only.empty()) {
        const TOutputKind& kind = kinds.at(std::min(onlyKind, kinds.size() - 1));
        const std::string out = (outDir / (only + "." + kind.Extension)).string();
        const double start = Now(CLOCK_MONOTONIC);
        if (only == "task")
            RunTask(input, out, kind);
        else
            RunBare(input, out, kind);
        std::printf("%s %s: %.3f s\n", only.c_str(), kind.Name, Now(CLOCK_MONOTONIC) - start);
        return 0;
    }

    // What a child inherits from this process before it does anything.
    const TSample idle = RunInChild([] { return std::string(); });
    const double baseMb = idle.PeakKb / 1024.0;
    std::printf("rounds: %d, each run in its own child process; baseline child peak %.1f MB\n\n", rounds,
                baseMb);

    bool allPass = true;
    for (const TOutputKind& kind : kinds) {
        const std::string taskOut = (outDir / (std::string("task.") + kind.Extension)).string();
        const std::string bareOut = (outDir / (std::string("bare.") + kind.Extension)).string();
        TSide task, bare;
        std::string taskSignature, bareSignature;
        for (int r = 0; r < rounds; ++r) {
            // Alternate who goes first, so a slow spell of the machine hits both sides alike.
            for (int side = 0; side < 2; ++side) {
                const bool taskTurn = (side == 0) == (r % 2 == 0);
                if (taskTurn) {
                    const TSample s = RunInChild([&] { return RunTask(input, taskOut, kind); });
                    if (!Record(task, s, "task"))
                        return 2;
                    taskSignature = s.Signature;
                } else {
                    const TSample s = RunInChild([&] { return RunBare(input, bareOut, kind); });
                    if (!Record(bare, s, "bare"))
                        return 2;
                    bareSignature = s.Signature;
                }
            }
        }

        // Time is judged on the fastest user-mode CPU time of each side: other
        // processes on the machine only ever add to a run's time, so the minimum is
        // the least noisy; kernel time here is mostly the zeroing of the encoders'
        // fresh pages, which swings with what the rest of the machine leaves free.
        const double tc = Min(task.User), bc = Min(bare.User);
        const double tm = Median(task.PeakMb), bm = Median(bare.PeakMb);
        const double timeRatio = tc / bc;
        const double memoryRatio = (tm - baseMb) / (bm - baseMb);
        const bool timeOk = timeRatio <= TimeBound;
        const bool memoryOk = memoryRatio <= MemoryBound;
        allPass = allPass && timeOk && memoryOk;

        std::printf("%s\n", kind.Name);
        std::printf("  %-30s %10s %10s %8s\n", "", "task", "bare", "ratio");
        const auto row = [](const char* name, double t, double b, int digits = 3) {
            std::printf("  %-30s %10.*f %10.*f %8.3f\n", name, digits, t, digits, b, t / b);
        };
        row("user CPU time, s, min", tc, bc);
        row("user CPU time, s, median", Median(task.User), Median(bare.User));
        row("kernel CPU time, s, min", Min(task.System), Min(bare.System));
        row("kernel CPU time, s, median", Median(task.System), Median(bare.System));
        row("wall time, s, min", Min(task.Wall), Min(bare.Wall));
        row("wall time, s, median", Median(task.Wall), Median(bare.Wall));
        row("peak RSS, MB, median", tm, bm, 1);
        row("peak RSS above baseline, MB", tm - baseMb, bm - baseMb, 1);
        std::printf("  %-30s %10ld %10ld\n", "output, kB", FileKb(taskOut), FileKb(bareOut));
        std::printf("  %-30s %10s %10s\n", "packets video/audio", PacketCounts(taskOut).c_str(),
                    PacketCounts(bareOut).c_str());
        if (taskSignature != bareSignature)
            std::printf("  encoder settings differ:\n  task:\n%s  bare:\n%s", taskSignature.c_str(),
                        bareSignature.c_str());
        std::printf("  time   %s (min user CPU time ratio %.3f, bound %.2f)\n", timeOk ? "PASS" : "FAIL",
                    timeRatio, TimeBound);
        std::printf("  memory %s (ratio above baseline %.3f, bound %.2f)\n\n", memoryOk ? "PASS" : "FAIL",
                    memoryRatio, MemoryBound);
    }
    std::printf("%s\n", allPass ? "PASS" : "FAIL");
    return allPass ? 0 : 1;
}
