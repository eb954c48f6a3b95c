#include "player/PlaybackControl.h"

#include "player/ReadThread.h"
#include "player/RefreshStep.h"

#include <system_error>

std::unique_ptr<PlaybackState> OpenPlayback(PlayerLink& player, PlayerSignals& signals,
                                            const PlaybackSettings& settings, const std::string& fileName,
                                            bool startPaused) {
    std::unique_ptr<PlaybackState> st;
    try {
        st = std::make_unique<PlaybackState>(player, signals, settings);
    } catch (const std::bad_alloc&) {
        player.ReportError("av_mallocz() failed.", true);
        return nullptr;
    }
    if (startPaused) {
        st->Paused = true;
        st->OpenedPausedCounter = 1;
    }
    st->FileName = fileName;
    try {
        st->ReadThread = std::thread(ReadThreadMain, std::ref(*st));
    } catch (const std::system_error&) {
        player.ReportError("SDL_CreateThread() failed.", true);
        return nullptr;
    }
    WaitForSignal(st->OpenDecided);
    if (st->OpenResult != 1) {
        WaitForSignal(st->ReadThreadDone);
        st->ReadThread.join();
        return nullptr;
    }
    if (!st->HasVideo() && !settings.DisableDisplay)
        st->DisplayMode = 1;
    StartRefreshThread(*st);
    return st;
}

void ClosePlayback(PlaybackState& st) {
    st.Abort = true;
    st.ReadWake.Notify();
    st.PauseWake.Notify();
    st.RefreshWake.Notify();
    if (st.ReadThread.joinable())
        st.ReadThread.join();
    StopRefreshThread(st);
}

void SetPlaybackPaused(PlaybackState& st, bool paused) {
    if (st.Paused == paused)
        return;
    // The timer moves by the time spent paused, which is known only once a
    // picture has been shown (a drift of 0 means none has); a resume right after
    // a paused open would otherwise push every picture a whole clock reading away.
    auto& q = st.Video.Pictures;
    if (!paused) {
        std::lock_guard lock(q.Mutex);
        if (q.CurrentPtsDrift != 0) {
            const double now = WallTime();
            q.FrameTimer += now + q.CurrentPtsDrift - q.CurrentPts;
            if (st.ReadPauseResult != AVERROR(ENOSYS))
                q.CurrentPts = q.CurrentPtsDrift + now;
            q.CurrentPtsDrift = q.CurrentPts - now;
        }
    }
    st.Paused = paused;
    st.ReadWake.Notify();
    st.PauseWake.Notify();
    st.RefreshWake.Notify();
}

void RequestSeek(PlaybackState& st, int flags, int64_t target, int64_t relative) {
    if (st.SeekRequest)
        return;
    st.Signals.Seeking = true;
    st.PausedAtSeek = st.Paused.load();
    st.SeekTarget = target;
    st.SeekRelative = relative;
    st.SeekFlags = flags;
    st.Signals.SeekDone.Reset();
    st.SeekRequest = true;
    st.ReadWake.Notify();
    st.PauseWake.Notify();
}
