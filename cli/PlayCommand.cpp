// vantoro-cli play: plays a file with the preview player, headless unless asked
// for a window, printing every event it delivers, one per line.
#include "app/SnapshotWriter.h"
#include "cli/Commands.h"
#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "media/MainThreadDispatcher.h"
#include "player/Player.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct PlayOptions {
    std::string File;
    double Seconds = -1;
    double SeekSeconds = -1;
    bool Paused = false;
    std::string SnapshotFile;
    bool Window = false;
};

constexpr const char* Usage = "usage: vantoro-cli play FILE [--seconds S] [--seek SECONDS] [--paused] "
                              "[--snapshot OUT.bmp] [--window]\n";

int usage() {
    std::fputs(Usage, stderr);
    return 2;
}

bool parse(const CommandArgs& args, PlayOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](double& out) {
            if (i + 1 >= args.size())
                return false;
            char* end = nullptr;
            out = std::strtod(args[++i].c_str(), &end);
            return end && *end == 0 && out >= 0;
        };
        if (a == "--seconds") {
            if (!value(o.Seconds))
                return false;
        } else if (a == "--seek") {
            if (!value(o.SeekSeconds))
                return false;
        } else if (a == "--paused") {
            o.Paused = true;
        } else if (a == "--window") {
            o.Window = true;
        } else if (a == "--snapshot") {
            if (i + 1 >= args.size())
                return false;
            o.SnapshotFile = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            return false;
        } else if (o.File.empty()) {
            o.File = a;
        } else {
            return false;
        }
    }
    return !o.File.empty();
}

// A snapshot as a BMP file, replacing what `fileName` held.
bool WriteSnapshotBmp(const std::string& fileName, const TBitmap24& bitmap) {
    FilePtr out(std::fopen(fileName.c_str(), "wb"));
    std::string error;
    return out && WriteBmp(bitmap, out.get(), error) && std::fclose(out.release()) == 0;
}

} // namespace

int RunPlayCommand(const CommandArgs& args) {
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::fputs(Usage, stdout);
        return 0;
    }
    PlayOptions o;
    if (!parse(args, o))
        return usage();
    if (!o.Window) {
        setenv("SDL_VIDEODRIVER", "offscreen", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }

    GetLogger().OnLog = [](const TFFBaseComponent*, uint32_t, TLogLevel level, const std::string& msg) {
        if (level <= llWarning)
            std::fprintf(stderr, "log: %s\n", msg.c_str());
    };

    bool ended = false;
    bool pausedReported = false;
    TDOVidera player;
    player.OnFileOpen = [](TCustomPlayer*, int64_t duration, int width, int height, int&, int&) {
        std::printf("open %lld %d %d\n", static_cast<long long>(duration), width, height);
        std::fflush(stdout);
    };
    player.OnState = [&](TCustomPlayer*, TPlayState state) {
        std::printf("state %s\n", PlayStateName(state));
        std::fflush(stdout);
        if (state == psEnd)
            ended = true;
        if (state == psPause)
            pausedReported = true;
    };
    player.OnPosition = [](TCustomPlayer*, int64_t pts) {
        std::printf("position %lld\n", static_cast<long long>(pts));
        std::fflush(stdout);
    };

    if (!player.LibrariesLoaded() && !player.LoadLibraries(LibraryFolderIn(ProgramDirectory()))) {
        std::fprintf(stderr, "vantoro-cli: %s\n", player.LastError().c_str());
        return 1;
    }
    if (!player.Open(o.File, 0, o.Paused)) {
        std::fprintf(stderr, "vantoro-cli: %s\n", player.LastError().c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    if (o.SeekSeconds >= 0)
        player.Seek(0, true, static_cast<int64_t>(o.SeekSeconds * 1e6));

    // Without a time limit a paused start ends once the first pictures are shown.
    auto done = [&] { return ended || (o.Paused && o.Seconds < 0 && pausedReported) || !player.IsOpen(); };
    if (o.Seconds >= 0) {
        const auto limit = start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(o.Seconds));
        while (!done() && std::chrono::steady_clock::now() < limit)
            ServeUntil(done, std::chrono::duration_cast<std::chrono::milliseconds>(
                                 limit - std::chrono::steady_clock::now()) +
                                 std::chrono::milliseconds(1));
    } else {
        ServeUntil(done);
    }
    ProcessPendingMessages();

    int status = 0;
    if (!o.SnapshotFile.empty()) {
        int64_t pts = 0;
        const TBitmap24& bitmap = player.Snapshot(pts);
        if (bitmap.Width == 0 || !WriteSnapshotBmp(o.SnapshotFile, bitmap)) {
            std::fprintf(stderr, "vantoro-cli: no snapshot written\n");
            status = 1;
        } else {
            std::printf("snapshot %lld %dx%d\n", static_cast<long long>(pts), bitmap.Width, bitmap.Height);
        }
    }
    player.Close(true);
    ProcessPendingMessages();
    return status;
}
