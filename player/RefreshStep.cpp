#include "player/RefreshStep.h"

#include "player/Clocks.h"
#include "player/PlaybackDisplay.h"
#include "player/SubtitleComponent.h"

#include <algorithm>
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

// When the picture at the head of the queue is due; +infinity without one.
double nextPictureDue(PlaybackState& st) {
    if (!st.HasVideo())
        return INFINITY;
    auto& q = st.Video.Pictures;
    std::lock_guard lock(q.Mutex);
    return q.Size > 0 ? q.Slots[q.ReadIndex].TargetTime : INFINITY;
}

std::chrono::steady_clock::time_point wallTimePoint(double seconds) {
    using namespace std::chrono;
    return steady_clock::time_point(duration_cast<steady_clock::duration>(duration<double>(seconds)));
}

// Posts a refresh every interval, and also the moment the next picture is due:
// sleeping the interval through would show it up to a whole interval late.
void refreshThread(PlaybackState& st) {
    double nextPost = WallTime();
    while (!st.Abort) {
        const unsigned seen = st.RefreshWake.Generation();
        const double now = WallTime();
        const double due = nextPictureDue(st);
        const double interval =
            (st.HasAudio() && st.DisplayMode != 0 ? WaveformRefreshIntervalMs : RefreshIntervalMs) / 1000.0;
        if ((now >= nextPost || now >= due) && !st.RefreshPending.exchange(true)) {
            st.Player.PostEvent(RefreshEvent);
            nextPost = now + interval;
        }
        double wake = std::min(nextPost, due);
        if (wake <= now) {
            // What is wanted now waits for the refresh in hand (a slow event loop);
            // its end wakes us, so we neither spin nor oversleep.
            st.RefreshAwaitsStep = true;
            if (!st.RefreshPending)
                continue;
            wake = now + interval;
        }
        st.RefreshWake.SleepUntil(wallTimePoint(wake), seen);
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
    st.RefreshWake.Notify();
    if (st.RefreshThread.joinable())
        st.RefreshThread.join();
}
