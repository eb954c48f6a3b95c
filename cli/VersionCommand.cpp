#include "cli/Commands.h"
#include "engine/ConverterVersion.h"
#include "player/Player.h"

#include <SDL.h>

#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace {

void printLibrary(const char* name, unsigned version) {
    std::printf("%-14s %u.%u.%u\n", name, AV_VERSION_MAJOR(version), AV_VERSION_MINOR(version),
                AV_VERSION_MICRO(version));
}

} // namespace

int RunVersionCommand(const CommandArgs&) {
    std::printf("vantoro-cli %s\n", VANTORO_VERSION);
    std::printf("%-14s %s\n", "converter", ConverterVersion);
    std::printf("%-14s %s\n", "player", TDOVidera::Version());
    printLibrary("libavutil", avutil_version());
    printLibrary("libavcodec", avcodec_version());
    printLibrary("libavformat", avformat_version());
    printLibrary("libavfilter", avfilter_version());
    printLibrary("libswscale", swscale_version());
    printLibrary("libswresample", swresample_version());
    SDL_version sdl;
    SDL_GetVersion(&sdl);
    std::printf("%-14s %u.%u.%u\n", "SDL", sdl.major, sdl.minor, sdl.patch);
    return 0;
}
