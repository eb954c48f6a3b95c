#include "player/Clocks.h"

#include <algorithm>
#include <chrono>

double WallTime() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double AudioClock(const PlaybackState& st) {
    const auto& a = st.Audio;
    double clock = a.Clock.load(std::memory_order_relaxed);
    const int bytesPerSecond = a.SampleRate * 2 * a.Channels;
    if (bytesPerSecond > 0) {
        const int unplayed =
            a.BufferSize.load(std::memory_order_relaxed) - a.BufferIndex.load(std::memory_order_relaxed);
        clock -= static_cast<double>(unplayed) / bytesPerSecond;
        // The device plays the block handed over at the last callback during the
        // time up to the next one; without this the clock would stand still for a
        // whole block and then jump (23 ms at 44.1 kHz).
        const int64_t callbackUs = a.CallbackTimeUs.load(std::memory_order_relaxed);
        if (callbackUs > 0 && a.DeviceBufferSize > 0 && !st.Paused) {
            const double block = static_cast<double>(a.DeviceBufferSize) / bytesPerSecond;
            const double elapsed = WallTime() - static_cast<double>(callbackUs) / 1e6;
            clock += std::clamp(elapsed, 0.0, block) - block;
        }
    }
    return clock;
}

double VideoClockLocked(const PlaybackState& st) {
    const auto& q = st.Video.Pictures;
    if (st.Paused.load())
        return q.CurrentPts;
    if (q.CurrentPtsDrift != 0)
        return q.CurrentPtsDrift + WallTime();
    return st.StartSeconds();
}

double VideoClock(PlaybackState& st) {
    std::lock_guard lock(st.Video.Pictures.Mutex);
    return VideoClockLocked(st);
}

double MasterClockLocked(const PlaybackState& st) {
    return st.HasAudio() ? AudioClock(st) : VideoClockLocked(st);
}

double SyncedDelay(double delay, double diff, bool syncToAudio) {
    if (!syncToAudio)
        return delay;
    const double threshold = std::max(SyncThreshold, delay);
    if (std::fabs(diff) < NoSyncThreshold) {
        if (diff <= -threshold)
            return 0;
        if (diff >= threshold)
            return 2 * delay;
    }
    return delay;
}

double ComputeTargetTimeLocked(PlaybackState& st, double pts) {
    auto& q = st.Video.Pictures;
    double delay = pts - q.LastFramePts; // NAN on the first picture
    if (!(delay > 0 && delay < NoSyncThreshold))
        delay = q.LastFrameDelay;
    else
        q.LastFrameDelay = delay;
    q.LastFramePts = pts;

    if (st.HasAudio()) {
        // How far the picture would be from the sound when shown at the nominal
        // time. Pictures may be queued ahead of the one on screen, so the clock of
        // the picture on screen would count a correction already made for the
        // queued ones a second time and overshoot the other way.
        const double now = WallTime();
        const double shownAt = std::max(now, q.FrameTimer + delay);
        const double diff = pts - (AudioClock(st) + (shownAt - now));
        delay = SyncedDelay(delay, diff, true);
    }
    q.FrameTimer += delay;
    return q.FrameTimer;
}
