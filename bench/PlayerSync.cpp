// Audio/video sync of the preview player over a 10-second play, and a maker for
// the clips used to measure the player by hand.
//
//   bench_PlayerSync                      run the sync benchmark (offscreen/dummy drivers)
//   bench_PlayerSync make FILE [--720p] [--seconds S]
//                                         write a clip with white frames and audio clicks
//                                         at every whole second (for vantoro-cli play)
#include "fixtures/FixtureMaker.h"
#include "media/MainThreadDispatcher.h"
#include "player/MarkSyncProbe.h"
#include "player/Player.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// On a frame time (25 fps), so that one picture is white, not the two around it.
constexpr int64_t MarkOffsetUs = 520000;

ClipSpec markedClip(double seconds, bool hd) {
    ClipSpec spec = hd ? BenchmarkClip(seconds) : VideoAndAudioClip(seconds);
    if (!hd) {
        spec.Format = "mp4";
        spec.Video.front().Width = 320;
        spec.Video.front().Height = 240;
    }
    std::vector<int64_t> marks;
    for (int s = 0; s < static_cast<int>(seconds); ++s)
        marks.push_back(static_cast<int64_t>(s) * 1000000 + MarkOffsetUs);
    spec.Video.front().MarksUs = marks;
    spec.Audio.front().ClicksUs = marks;
    return spec;
}

// Plays the clip to its end and reports how far the shown pictures were from the
// audio clock when they were shown (sync_*), and how far each white picture came
// on the screen from the click the device played with it (mark_*).
void BM_AudioVideoSync(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    TempDir dir;
    const std::string file = dir.File("sync.mp4");
    MakeClip(file, markedClip(10.0, false));

    TDisplayStats stats;
    MarkSyncProbe::Result marks;
    for (auto _ : state) {
        TDOVidera player;
        MarkSyncProbe probe;
        probe.Install(player);
        bool ended = false;
        player.OnState = [&](TCustomPlayer*, TPlayState s) { ended = ended || s == psEnd; };
        if (!player.LibrariesLoaded() && !player.LoadLibraries("")) {
            state.SkipWithError(player.LastError().c_str());
            return;
        }
        const TDisplayStats before = player.DisplayStats();
        if (!player.Open(file, 0, false)) {
            state.SkipWithError(player.LastError().c_str());
            return;
        }
        ServeUntil([&] { return ended; }, std::chrono::seconds(20));
        stats = player.DisplayStats();
        stats.SyncSamples -= before.SyncSamples;
        player.Close(true);
        marks = probe.Measure();
    }
    state.counters["pictures"] = stats.Pictures;
    state.counters["sync_max_ms"] = stats.SyncErrorMax * 1000;
    state.counters["sync_mean_ms"] = stats.SyncSamples ? stats.SyncErrorSum / stats.SyncSamples * 1000 : 0;
    state.counters["marks"] = marks.Pairs;
    state.counters["mark_max_ms"] = marks.MaxAbsSeconds * 1000;
    state.counters["mark_mean_ms"] = marks.MeanSeconds * 1000;
    state.counters["clock_error_max_ms"] = marks.MaxClockErrorSeconds * 1000;
}
BENCHMARK(BM_AudioVideoSync)->Iterations(1)->Unit(benchmark::kSecond);

int makeFixture(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_PlayerSync make FILE [--720p] [--seconds S]\n");
        return 2;
    }
    bool hd = false;
    double seconds = 10;
    for (int i = 3; i < argc; ++i) {
        if (std::strcmp(argv[i], "--720p") == 0)
            hd = true;
        else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::atof(argv[++i]);
    }
    MakeClip(argv[2], markedClip(seconds, hd));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    MarkMainThread();
    if (argc >= 2 && std::strcmp(argv[1], "make") == 0)
        return makeFixture(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
