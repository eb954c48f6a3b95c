// What the playback core needs from the player that owns it: reports, the
// position update, the frame hook, the event loop and the live settings.
#pragma once

#include "player/PlayerTypes.h"
#include "player/Signal.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

struct AVFrame;
struct PlaybackState;
struct YuvOverlay;
class TPlayerDisplay;

// Work the core hands to the player's event-loop thread.
enum TPlayerEventCode : int { AllocEvent = 24, RefreshEvent = 25, QuitEvent = 26, RedisplayEvent = 27 };

// What was drawn, for diagnostics and tests.
struct TDisplayStats {
    int Pictures = 0;        // pictures drawn by the refresh step
    int Redraws = 0;         // pictures drawn again (expose, resize, redisplay)
    int Waveforms = 0;       // waveform drawings
    int64_t WaveformInk = 0; // pixels of trace in the last waveform
    int WaveformBands = 0;   // channel bands of the last waveform
    int LastX = 0, LastY = 0, LastWidth = 0, LastHeight = 0; // where the last picture went
    double LastPicturePts = 0;                               // seconds
    // Displayed picture's pts minus the audio clock when it was shown (files with audio).
    int SyncSamples = 0;
    double SyncErrorSum = 0;
    double SyncErrorMax = 0; // largest absolute difference
};

// Owned by the player, outlive every playback; set and reset by the core.
struct PlayerSignals {
    ManualResetEvent SeekDone{true};
    ManualResetEvent PictureQueued{true};
    std::atomic<bool> Seeking{false}; // set by a seek request, cleared when it has taken effect
    std::mutex StatsMutex;
    TDisplayStats Stats; // guarded by StatsMutex
};

class PlayerLink {
public:
    virtual ~PlayerLink() = default;

    // Logged at llError with the player as sender; optionally also the player's LastError.
    virtual void ReportError(const std::string& message, bool setLastError) = 0;
    virtual void ReportInfo(const std::string& message) = 0;
    // Sets the player's LastError without a log line.
    virtual void SetLastError(const std::string& message) = 0;
    // The position update (refresh step, end of input); any core thread.
    virtual void PositionUpdate(PlaybackState& state) = 0;
    virtual void ReportState(TPlayState state) = 0;
    // Video thread, overlay locked: may replace the overlay's content.
    virtual void FrameHook(PlaybackState& state, const AVFrame* picture, YuvOverlay& overlay, double pts) = 0;
    // Queues work for the event-loop thread (any thread).
    virtual void PostEvent(TPlayerEventCode code, int data = 0) = 0;

    // Live settings.
    virtual bool Mute() const = 0;
    virtual int AudioVolume() const = 0;
    virtual float AspectRatio() const = 0;
    virtual int ScreenWidth() const = 0;
    virtual int ScreenHeight() const = 0;
    virtual bool HasHostWindow() const = 0;

    // Event-loop thread only; null when nothing may be drawn.
    virtual TPlayerDisplay* Display() = 0;
};
