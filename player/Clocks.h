// The playback's clocks and the display time of each picture. The audio clock
// is the master whenever the file has audio; otherwise pictures follow their
// own timing.
#pragma once

#include "player/PlaybackState.h"

// The stream time of the sound the device plays now: the end of what it was
// given, less the block it is still playing, moved on by the time since then.
double AudioClock(const PlaybackState& st);
double DeviceClockAt(const AudioDeviceClock& device, double now);
// Caller holds st.Video.Pictures.Mutex.
double VideoClockLocked(const PlaybackState& st);
double VideoClock(PlaybackState& st);
// Caller holds st.Video.Pictures.Mutex (when the file has video).
double MasterClockLocked(const PlaybackState& st);

// Advances the frame timer for a picture with `pts` and returns the wall time at
// which it is due. Caller holds st.Video.Pictures.Mutex.
double ComputeTargetTimeLocked(PlaybackState& st, double pts);

// The delay step on its own, for a given master-clock difference (video − audio).
// `syncToAudio` false: the delay is kept as it is.
double SyncedDelay(double delay, double diff, bool syncToAudio);
