#include "player/RefreshStep.h"

#include "player/Clocks.h"
#include "player/PlaybackDisplay.h"
#include "player/SubtitleComponent.h"

#include <chrono>
#include <cmath>

namespace {

// Caller holds q.Mutex.
void removeFirstPictureLocked(PictureQueue& q) {
    q.ReadIndex = (q.ReadIndex + 1) % PictureQueueSlots;
    --q.Size;
    q.Cond.notify_all();
}

void expireSubtitles(PlaybackState& st, double currentPts) {
    auto& s = st.Subtitles;
    if (s.Changed) {
        DropAllSubtitles(s);
        s.Changed = false;
        return;
    }
    bool expired = false;
    {
        std::lock_guard lock(s.Mutex);
        if (s.Size == 0)
            return;
        const auto& sp = s.Slots[s.ReadIndex];
        if (currentPts > sp.Pts + sp.Sub.end_display_time / 1000.0) {
            expired = true;
        } else if (s.Size > 1) {
            const auto& next = s.Slots[(s.ReadIndex + 1) % SubtitleQueueSlots];
            expired = currentPts > next.Pts + next.Sub.start_display_time / 1000.0;
        }
    }
    if (expired)
        DropOldestSubtitle(s);
}

void recordSync(PlaybackState& st, double pts) {
    const double diff = pts - AudioClock(st);
    std::lock_guard lock(st.Signals.StatsMutex);
    auto& stats = st.Signals.Stats;
    ++stats.SyncSamples;
    stats.SyncErrorSum += diff;
    stats.SyncErrorMax = std::max(stats.SyncErrorMax, std::fabs(diff));
}

void refreshThread(PlaybackState& st) {
    while (!st.Abort) {
        if (!st.RefreshPending.exchange(true))
            st.Player.PostEvent(RefreshEvent);
        const int interval =
            st.HasAudio() && st.DisplayMode != 0 ? WaveformRefreshIntervalMs : RefreshIntervalMs;
        st.PauseWake.SleepFor(std::chrono::milliseconds(interval));
    }
}

} // namespace

void RefreshStep(PlaybackState& st, bool consume) {
    if (!st.HasVideo()) {
        if (st.HasAudio()) {
            DisplayPlayback(st, !consume);
            st.Player.PositionUpdate(st);
        }
        return;
    }

    auto& q = st.Video.Pictures;
    bool dropped = false;
    bool haveCurrent = false;
    double currentPts = 0;
    for (;;) {
        std::unique_lock lock(q.Mutex);
        const bool dropAll = st.DropStalePictures;
        if (q.Size == 0)
            break;
        const double now = WallTime();
        auto& slot = q.Slots[q.ReadIndex];
        if (now < slot.TargetTime)
            return; // not due yet
        q.CurrentPts = slot.Pts;
        q.CurrentPtsDrift = slot.Pts - now;
        q.CurrentPos = slot.Pos;
        const double nextTarget = q.Size > 1 ? q.Slots[(q.ReadIndex + 1) % PictureQueueSlots].TargetTime
                                             : slot.TargetTime + st.Video.PredictedNextPts - slot.Pts;
        if ((now > nextTarget && !st.CaptureDevice) || dropAll) {
            q.SkipRatio *= SkipGrowth;
            if (q.Size > 1 || now > nextTarget + LatePictureGrace || dropAll) {
                removeFirstPictureLocked(q);
                lock.unlock();
                dropped = true;
                st.ReadWake.Notify();
                continue;
            }
        }
        if (consume) {
            std::swap(q.Shown, slot.Overlay);
            q.ShownPts = slot.Pts;
            q.ShownPixelAspect = slot.PixelAspect;
        }
        haveCurrent = true;
        currentPts = slot.Pts;
        break;
    }

    if (!haveCurrent) {
        if (!consume)
            DisplayPlayback(st, true);
    } else {
        if (st.HasSubtitles())
            expireSubtitles(st, currentPts);
        DisplayPlayback(st, !consume);
        if (consume) {
            if (st.HasAudio())
                recordSync(st, currentPts);
            {
                std::lock_guard lock(q.Mutex);
                removeFirstPictureLocked(q);
            }
            st.ReadWake.Notify();
        }
    }
    if (!dropped)
        st.Player.PositionUpdate(st);
}

void StartRefreshThread(PlaybackState& st) {
    st.RefreshThread = std::thread(refreshThread, std::ref(st));
}

void StopRefreshThread(PlaybackState& st) {
    st.PauseWake.Notify();
    if (st.RefreshThread.joinable())
        st.RefreshThread.join();
}
