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

    if (st.HasAudio())
        delay = SyncedDelay(delay, VideoClockLocked(st) - AudioClock(st), true);
    q.FrameTimer += delay;
    return q.FrameTimer;
}
