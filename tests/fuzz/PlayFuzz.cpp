// A short headless play of a mutated input: open, play for a moment or to its
// end, close.
#include "FuzzSupport.h"

#include "media/MainThreadDispatcher.h"
#include "player/Player.h"

#include <chrono>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzStartOnce(PlayerLibrarySet);
    static const std::string path = FuzzScratchPath("play.media");
    MarkMainThread();
    if (!FuzzWriteFile(path, data, size))
        return 0;
    static auto player = [] {
        auto made = std::make_unique<TDOVidera>();
        made->SetDisableDisplay(true);
        if (!made->LibrariesLoaded() && !made->LoadLibraries(""))
            std::abort();
        return made;
    }();
    bool ended = false;
    player->OnState = [&ended](TCustomPlayer*, TPlayState state) {
        ended = ended || state == psEnd || state == psStop;
    };
    if (player->Open(path, 0, false))
        ServeUntil([&] { return ended; }, std::chrono::milliseconds(300));
    player->Close(true);
    ProcessPendingMessages();
    player->OnState = nullptr;
    std::remove(path.c_str());
    return 0;
}
