// The player's event loop handlers (play thread) and the event thread that
// delivers position and state events.
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"
#include "player/PlaybackDisplay.h"
#include "player/PlaybackState.h"
#include "player/Player.h"
#include "player/RefreshStep.h"
#include "player/SdlDisplay.h"
#include "player/VideoComponent.h"

#include <SDL.h>

bool TCustomPlayer::handleLoopEvent(const LoopEvent& event) {
    PlaybackState& st = *playback_;
    switch (event.Code) {
    case AllocEvent:
        if (Display() && !Display()->HasSurface())
            OpenVideoMode(st, false);
        AllocatePictureSlot(st, event.Data);
        return true;
    case RefreshEvent:
        RefreshStep(st, true);
        st.RefreshPending = false;
        if (st.RefreshAwaitsStep.exchange(false))
            st.RefreshWake.Notify();
        return true;
    case RedisplayEvent:
        if (Display()) {
            OpenVideoMode(st, true);
            DisplayPlayback(st, true);
        }
        return true;
    case QuitEvent:
        closeCurrentLocked();
        return false;
    }
    return true;
}

bool TCustomPlayer::handleWindowEvents() {
    if (!display_)
        return true;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        if (!playback_)
            return false;
        PlaybackState& st = *playback_;
        switch (e.type) {
        case SDL_QUIT:
            // A host window is closed by its owner, never by us.
            if (!display_->HasHost()) {
                closeCurrentLocked();
                return false;
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.windowID == display_->WindowId())
                SDL_SetWindowInputFocus(SDL_GetWindowFromID(e.button.windowID));
            break;
        case SDL_WINDOWEVENT:
            if (e.window.windowID != display_->WindowId())
                break;
            switch (e.window.event) {
            case SDL_WINDOWEVENT_EXPOSED:
                if (st.Paused)
                    RefreshStep(st, false);
                else
                    DisplayPlayback(st, true);
                break;
            case SDL_WINDOWEVENT_SIZE_CHANGED:
                if (e.window.data1 > 0 && e.window.data2 > 0 &&
                    (e.window.data1 != st.WindowWidth || e.window.data2 != st.WindowHeight)) {
                    screenWidth_ = e.window.data1;
                    screenHeight_ = e.window.data2;
                    OpenVideoMode(st, false);
                    if (st.Paused)
                        RefreshStep(st, false);
                }
                break;
            default:
                break;
            }
            break;
        default:
            break;
        }
    }
    return true;
}

void TCustomPlayer::deliver(const std::function<void()>& call) {
    try {
        if (triggerEventInMainThread_)
            RunInMainThread(call);
        else
            call();
    } catch (const std::exception& e) {
        GetLogger().Log(this, llError, std::string("event handler: ") + e.what());
    }
}

void TCustomPlayer::eventThreadMain() {
    for (;;) {
        TPlayerEventEntry entry;
        {
            std::unique_lock lock(ringMutex_);
            ringCond_.wait(lock, [&] { return !ring_.Empty(); });
            ring_.Pop(entry);
        }
        if (entry.Kind == ekStop)
            break;
        if (entry.Kind == ekPosition) {
            if (OnPosition && !eventsDetached_)
                deliver([&] { OnPosition(this, entry.Position); });
        } else if (entry.Kind == ekState) {
            if (OnState && !eventsDetached_)
                deliver([&] { OnState(this, entry.State); });
            if (entry.State == psStop)
                break;
        }
    }
    eventThreadFinished_.Set();
}
