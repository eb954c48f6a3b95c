// vantoro-cli play: plays a file with the preview player, headless unless asked
// for a window, printing every event it delivers, one per line.
#include "cli/Commands.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "media/MainThreadDispatcher.h"
#include "player/Player.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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

void put16(std::ofstream& out, uint16_t v) {
    out.put(static_cast<char>(v & 0xff)).put(static_cast<char>(v >> 8));
}
void put32(std::ofstream& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xffff));
    put16(out, static_cast<uint16_t>(v >> 16));
}

// A 24-bit bottom-up BMP file.
bool writeBmp(const std::string& fileName, const TBitmap24& b) {
    std::ofstream out(fileName, std::ios::binary);
    if (!out)
        return false;
    const uint32_t imageBytes = static_cast<uint32_t>(b.Stride()) * static_cast<uint32_t>(b.Height);
    out.put('B').put('M');
    put32(out, 54 + imageBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(b.Width));
    put32(out, static_cast<uint32_t>(b.Height));
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, imageBytes);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = b.Height - 1; y >= 0; --y)
        out.write(reinterpret_cast<const char*>(b.Row(y)), b.Stride());
    return static_cast<bool>(out);
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

    if (!player.LibrariesLoaded() && !player.LoadLibraries(ProgramDirectory() + "LibAV")) {
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
        if (bitmap.Width == 0 || !writeBmp(o.SnapshotFile, bitmap)) {
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
