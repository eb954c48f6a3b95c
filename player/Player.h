// The preview player component: opens one file at a time into a host window,
// plays it with synchronised sound, reports position and state, hands each
// picture to an optional hook, and gives out stills for snapshots.
//
// Threads: the caller's (the main thread in the program), the play thread (the
// event loop that does all drawing), the event thread (delivers OnPosition and
// OnState), and the playback's own threads.
#pragma once

#include "media/BaseComponent.h"
#include "media/FrameBitmap.h"
#include "media/OpenInterrupt.h"
#include "player/EventRing.h"
#include "player/PlayerLink.h"
#include "player/PlayerTypes.h"
#include "player/Signal.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct PlaybackState;
class TSdlDisplay;

class TCustomPlayer : public TFFBaseComponent, private PlayerLink {
public:
    explicit TCustomPlayer(TFFBaseComponent* owner = nullptr);
    ~TCustomPlayer() override;

    // Settings read at Open.
    TAudioDriver AudioDriver() const { return audioDriver_; }
    void SetAudioDriver(TAudioDriver driver) { audioDriver_ = driver; }
    TVideoDriver VideoDriver() const { return videoDriver_; }
    void SetVideoDriver(TVideoDriver driver) { videoDriver_ = driver; }
    bool DisableAudio() const { return disableAudio_; }
    void SetDisableAudio(bool value) { disableAudio_ = value; }
    bool DisableVideo() const { return disableVideo_; }
    void SetDisableVideo(bool value) { disableVideo_ = value; }
    bool DisableDisplay() const { return disableDisplay_; }
    void SetDisableDisplay(bool value) { disableDisplay_ = value; }
    // How long Open may wait for the file to give data (default TOpenInterrupt::DefaultLimit).
    std::chrono::milliseconds OpenLimit() const { return openLimit_; }
    void SetOpenLimit(std::chrono::milliseconds value) { openLimit_ = value; }
    int FrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int value) { frameWidth_ = value; }
    int FrameHeight() const { return frameHeight_; }
    void SetFrameHeight(int value) { frameHeight_ = value; }
    // A surface of the caller's own that the play thread draws into instead of
    // SDL's video (a toolkit's widget where no native window can be shared).
    // Not owned: it must outlive every playback opened while it is set. Null: SDL draws.
    TPlayerDisplay* CustomDisplay() const { return customDisplay_; }
    void SetCustomDisplay(TPlayerDisplay* display) { customDisplay_ = display; }

    // Live settings.
    float AspectRatio() const override { return aspectRatio_; }
    // A different value redraws at once when a playback is open.
    void SetAspectRatio(float value);
    int AudioVolume() const override { return audioVolume_; }
    void SetAudioVolume(TAudioVolume value);
    bool Mute() const override { return mute_; }
    void SetMute(bool value) { mute_ = value; }
    bool Hook() const { return hook_; }
    void SetHook(bool value) { hook_ = value; }
    int ScreenWidth() const override { return screenWidth_; }
    void SetScreenWidth(int value) { screenWidth_ = value; }
    int ScreenHeight() const override { return screenHeight_; }
    void SetScreenHeight(int value) { screenHeight_ = value; }
    bool TriggerEventInMainThread() const { return triggerEventInMainThread_; }
    void SetTriggerEventInMainThread(bool value) { triggerEventInMainThread_ = value; }

    // Assign on the caller's thread while no playback is open.
    TFileOpenEvent OnFileOpen;
    THookEvent OnHook;
    TPositionEvent OnPosition;
    TPlayStateEvent OnState;

    // Diagnostics and tests; assign while no playback is open.
    TAudioTap OnAudioDelivered;
    TPictureTap OnPictureShown;

    static const char* Version() { return "2.3"; }

    bool LoadLibraries(const std::string& directory);
    bool LibrariesLoaded() const;

    // Closes any open playback, then opens `fileName` into the host window (an X11
    // window id; 0: a window of the player's own). False leaves the reason in LastError.
    bool Open(const std::string& fileName, uintptr_t hostWindow, bool startPaused);
    // Ends the open playback; with `wait`, returns once it has stopped (forcing it
    // closed after the bounded number of quit requests).
    void Close(bool wait);
    void Pause();
    void Resume();
    void TogglePause();
    // Position in microseconds (a byte offset with sfByte). With `wait`, returns once
    // the seek is done and, with video, the first picture at the new place is queued.
    void Seek(TSeekFlags flags, bool wait, int64_t position);
    // The current picture as a bitmap owned by the player (overwritten by the next
    // call); 0 × 0 and pts -1 without a picture.
    const TBitmap24& Snapshot(int64_t& pts);

    TPlayState State() const { return state_; }
    std::string LastError() const;
    bool IsOpen() const { return open_; }
    int64_t Position() const;
    // What has been drawn so far in this player's life; for diagnostics and tests.
    TDisplayStats DisplayStats();
    // Pauses the caller until the play thread has handled everything posted so far.
    void SyncWithEventLoop();

protected:
    // Queues work for the event-loop thread (any thread).
    void PostEvent(TPlayerEventCode code, int data) override;

private:
    struct LoopEvent {
        TPlayerEventCode Code;
        int Data;
    };
    enum class StartPhase { Starting, Started, Failed, Go, Cancel };

    // PlayerLink
    void ReportError(const std::string& message, bool setLastError) override;
    void ReportInfo(const std::string& message) override;
    void SetLastError(const std::string& message) override;
    void PositionUpdate(PlaybackState& state) override;
    void ReportState(TPlayState state) override { SetState(state); }
    void FrameHook(PlaybackState& state, const AVFrame* picture, YuvOverlay& overlay, double pts) override;
    bool HasHostWindow() const override { return hostWindow_ != 0; }
    TPlayerDisplay* Display() override;

    void SetState(TPlayState state);
    void queueEvent(const TPlayerEventEntry& entry);
    void resetPerPlayback();
    // Player lock held.
    void closeCurrentLocked();
    void playThreadMain(uintptr_t hostWindow, bool withDisplay);
    bool handleLoopEvent(const LoopEvent& event); // false: the playback has ended
    bool handleWindowEvents();                    // false: the playback has ended
    void eventThreadMain();
    void waitForPlayThread();
    void pauseLocked(std::unique_lock<std::mutex>& lock, bool pause);
    // Runs an event handler where TriggerEventInMainThread says.
    void deliver(const std::function<void()>& call);

    // Settings.
    TAudioDriver audioDriver_ = adDefault;
    TVideoDriver videoDriver_ = vdDefault;
    bool disableAudio_ = false;
    bool disableVideo_ = false;
    bool disableDisplay_ = false;
    std::chrono::milliseconds openLimit_ = TOpenInterrupt::DefaultLimit;
    int frameWidth_ = 0;
    int frameHeight_ = 0;
    TPlayerDisplay* customDisplay_ = nullptr; // read by the play thread, which starts after it is set
    std::atomic<float> aspectRatio_{0};
    std::atomic<int> audioVolume_{MaxAudioVolume};
    std::atomic<bool> mute_{false};
    std::atomic<bool> hook_{false};
    std::atomic<int> screenWidth_{0};
    std::atomic<int> screenHeight_{0};
    std::atomic<bool> triggerEventInMainThread_{true};
    std::atomic<bool> eventsDetached_{false}; // the destructor runs: handlers are not called any more

    // The player lock: held by the play thread while it handles one event and by
    // callers that look at or change the open playback.
    mutable std::mutex playerLock_;
    std::unique_ptr<PlaybackState> playback_; // guarded by playerLock_
    // Mirrors playback_ != nullptr for lock-free readers: a main thread waiting
    // in the dispatcher must not take the player lock (its holders wake that
    // thread through the dispatcher's own lock).
    std::atomic<bool> open_{false};
    std::string fileName_;     // guarded by playerLock_
    uintptr_t hostWindow_ = 0; // set while no play thread runs
    bool sdlStarted_ = false;  // caller's thread only
    std::atomic<TPlayState> state_{psStop};
    PlayerSignals signals_;

    mutable std::mutex errorMutex_;
    std::string lastError_; // guarded by errorMutex_

    mutable std::mutex positionMutex_;
    int64_t currentPosition_ = -1;    // guarded by positionMutex_
    int64_t lastReported_ = 0;        // guarded by positionMutex_
    bool reported_ = false;           // guarded by positionMutex_
    unsigned seekGeneration_ = 0;     // guarded by positionMutex_; positions may go back after a seek
    unsigned reportedGeneration_ = 0; // guarded by positionMutex_

    FrameBitmapConverter snapshotConverter_; // guarded by playerLock_
    FrameBitmapConverter hookConverter_;     // video thread only

    // Play thread and its event loop.
    std::thread playThread_;
    std::unique_ptr<TSdlDisplay> display_; // play thread only
    std::mutex loopMutex_;
    std::condition_variable loopCond_;
    std::deque<LoopEvent> loopEvents_;             // guarded by loopMutex_
    StartPhase startPhase_ = StartPhase::Starting; // guarded by loopMutex_
    std::string startError_;                       // guarded by loopMutex_
    int hostWidth_ = 0, hostHeight_ = 0;           // guarded by loopMutex_
    unsigned handledEvents_ = 0;                   // guarded by loopMutex_
    unsigned postedEvents_ = 0;                    // guarded by loopMutex_
    ManualResetEvent playThreadFinished_{true};

    // Event thread and its ring.
    std::thread eventThread_;
    std::mutex ringMutex_;
    std::condition_variable ringCond_;
    TEventRing ring_; // guarded by ringMutex_
    ManualResetEvent eventThreadFinished_{true};
};

class TDOVidera : public TCustomPlayer {
public:
    using TCustomPlayer::TCustomPlayer;
};
