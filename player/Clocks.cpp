#include "player/Clocks.h"

#include <algorithm>
#include <chrono>

double WallTime() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double DeviceClockAt(const AudioDeviceClock& device, double now) {
    if (device.CallbackTime <= 0)
        return device.EndPts;
    // The device plays the block it was given from the callback on; the clock
    // moves through it with the wall clock and waits at its end for the next one.
    const double played = std::clamp(now - device.CallbackTime, 0.0, device.BlockSeconds);
    return device.EndPts - device.BlockSeconds + played;
}

double AudioClock(const PlaybackState& st) {
    AudioDeviceClock device;
    {
        std::lock_guard lock(st.Audio.DeviceMutex);
        device = st.Audio.DeviceClock;
    }
    return DeviceClockAt(device, WallTime());
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
