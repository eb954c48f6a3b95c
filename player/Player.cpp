#include "player/Player.h"

#include "media/FFmpegLoader.h"
#include "media/FFmpegLogger.h"
#include "media/MainThreadDispatcher.h"
#include "player/Clocks.h"
#include "player/PlaybackControl.h"
#include "player/PlaybackState.h"
#include "player/SdlDisplay.h"

#include <SDL.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libswscale/swscale.h>
}

namespace {

constexpr auto ClosePollInterval = std::chrono::milliseconds(100);
constexpr int MaxQuitRequests = 20;
constexpr int MaxQuitRequestsWithWaveform = 10;
constexpr auto PauseSignalWait = std::chrono::milliseconds(250);
constexpr int64_t PositionReportStepUs = 10000;

// The decoder's picture size as shown: a quarter turn swaps the sides.
void UprightSize(const PlaybackState& st, int& width, int& height) {
    const bool quarter = st.Video.Rotation % 180 != 0;
    width = quarter ? st.Video.Codec->height : st.Video.Codec->width;
    height = quarter ? st.Video.Codec->width : st.Video.Codec->height;
}

} // namespace

TCustomPlayer::TCustomPlayer(TFFBaseComponent* owner) : TFFBaseComponent(owner) {
    resetPerPlayback();
}

TCustomPlayer::~TCustomPlayer() {
    // The handlers stay in place (other threads may be reading them) but are not called.
    eventsDetached_ = true;
    Close(true);
}

// ---- settings ----

void TCustomPlayer::SetAspectRatio(float value) {
    if (aspectRatio_.exchange(value) == value)
        return;
    std::lock_guard lock(playerLock_);
    if (playback_)
        PostEvent(RedisplayEvent, 0);
}

void TCustomPlayer::SetAudioVolume(TAudioVolume value) {
    audioVolume_ = value < 0 ? 0 : value > MaxAudioVolume ? MaxAudioVolume : value;
}

bool TCustomPlayer::LoadLibraries(const std::string& directory) {
    FFmpegLoader().SetLibraryPath(directory);
    if (!FFmpegLoader().BindSet(PlayerLibrarySet)) {
        SetLastError(FFmpegLoader().LastError());
        return false;
    }
    return true;
}

bool TCustomPlayer::LibrariesLoaded() const {
    return FFmpegLoader().IsSetBound(PlayerLibrarySet);
}

std::string TCustomPlayer::LastError() const {
    std::lock_guard lock(errorMutex_);
    return lastError_;
}

int64_t TCustomPlayer::Position() const {
    std::lock_guard lock(positionMutex_);
    return currentPosition_;
}

TDisplayStats TCustomPlayer::DisplayStats() {
    std::lock_guard lock(signals_.StatsMutex);
    return signals_.Stats;
}

// ---- reports ----

void TCustomPlayer::ReportError(const std::string& message, bool setLastError) {
    if (setLastError)
        SetLastError(message);
    GetLogger().Log(this, llError, message);
}

void TCustomPlayer::ReportInfo(const std::string& message) {
    GetLogger().Log(this, llInfo, message);
}

void TCustomPlayer::SetLastError(const std::string& message) {
    std::lock_guard lock(errorMutex_);
    lastError_ = message;
}

void TCustomPlayer::SetState(TPlayState state) {
    state_ = state;
    if (OnState && !eventsDetached_)
        queueEvent({ekState, state, 0});
    else if (state == psStop)
        queueEvent({ekStop, state, 0});
}

void TCustomPlayer::queueEvent(const TPlayerEventEntry& entry) {
    {
        std::lock_guard lock(ringMutex_);
        ring_.Push(entry);
    }
    ringCond_.notify_one();
}

void TCustomPlayer::resetPerPlayback() {
    {
        std::lock_guard lock(positionMutex_);
        currentPosition_ = -1;
        lastReported_ = 0;
        reported_ = false;
        ++seekGeneration_;
    }
    signals_.SeekDone.Set();
    signals_.PictureQueued.Set();
    signals_.Seeking = false;
}

void TCustomPlayer::PositionUpdate(PlaybackState& st) {
    if (st.ImageSequence)
        return;
    int64_t position;
    if (st.HasVideo()) {
        position = std::llround(VideoClock(st) * 1e6) - st.StartMicroseconds();
    } else if (st.HasAudio()) {
        position = std::llround(AudioClock(st) * 1e6) - st.StartMicroseconds();
        if (st.Audio.StreamDurationUs > 0 && position >= st.Audio.StreamDurationUs && position < st.Duration)
            position = st.Duration;
    } else {
        return;
    }

    bool report = false;
    {
        std::lock_guard lock(positionMutex_);
        if (st.Duration > 0 && position >= st.Duration) {
            position = st.Duration;
            if (lastReported_ != st.Duration)
                lastReported_ = 0;
        }
        currentPosition_ = position;
        // Between seeks the reported position only moves forward: a picture shown
        // a little late must not make the slider step back.
        const bool sameSeek = reported_ && reportedGeneration_ == seekGeneration_;
        const bool backwards = sameSeek && position < lastReported_;
        if (!backwards && (!reported_ || std::llabs(position - lastReported_) > PositionReportStepUs ||
                           reportedGeneration_ != seekGeneration_)) {
            reported_ = true;
            reportedGeneration_ = seekGeneration_;
            lastReported_ = position;
            report = static_cast<bool>(OnPosition);
        }
    }
    if (report)
        queueEvent({ekPosition, psPlay, position});

    if (!st.CaptureDevice && st.EndOfData && !st.EndSignalled) {
        if (st.HasVideo())
            st.EndSignalled = true;
        SetState(psEnd);
    }
}

// ---- frame hook ----

void TCustomPlayer::FrameHook(PlaybackState& st, const AVFrame* picture, YuvOverlay& overlay, double pts) {
    if (!hook_ || !OnHook || eventsDetached_)
        return;
    auto& c = hookConverter_;
    if (!FrameToBitmap(c, picture->data, picture->linesize, static_cast<AVPixelFormat>(picture->format),
                       picture->height, picture->width)) {
        ReportError("Cannot initialize the toRGB conversion context", false);
        return;
    }
    const int64_t apts = std::llround(pts * 1e6) - st.StartMicroseconds();
    try {
        OnHook(this, &c.Bitmap, apts);
    } catch (const std::exception& e) {
        ReportError(std::string("Error occurs OnHook: ") + e.what(), false);
        return;
    }
    const TBitmap24& b = c.Bitmap;
    c.FromRGB =
        sws_getCachedContext(c.FromRGB, b.Width, b.Height, AV_PIX_FMT_BGR24, overlay.Width, overlay.Height,
                             AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (!c.FromRGB) {
        ReportError("Cannot initialize the fromRGB conversion context", false);
        return;
    }
    const uint8_t* source[4] = {b.Bits.data(), nullptr, nullptr, nullptr};
    const int sourceStride[4] = {b.Stride(), 0, 0, 0};
    sws_scale(c.FromRGB, source, sourceStride, 0, b.Height, overlay.Planes, overlay.Pitches);
}

// ---- open and close ----

bool TCustomPlayer::Open(const std::string& fileName, uintptr_t hostWindow, bool startPaused) {
    if (!LibrariesLoaded()) {
        ReportError("libav or libsdl not loaded.", true);
        return false;
    }
    Close(true);

    // The default driver leaves the process environment (and so SDL's own choice) alone.
    if (audioDriver_ != adDefault)
        setenv("SDL_AUDIODRIVER", AudioDriverName(audioDriver_), 1);
    if (videoDriver_ != vdDefault)
        setenv("SDL_VIDEODRIVER", VideoDriverName(videoDriver_), 1);
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");

    auto sdlFailure = [&](const std::string& reason) {
        char text[64];
        std::snprintf(text, sizeof text,
                      "Could not initialize SDL with ScreenHandle(%u): ", static_cast<unsigned>(hostWindow));
        ReportError(text + reason, true);
    };
    if (SDL_InitSubSystem(SDL_INIT_TIMER | SDL_INIT_AUDIO) < 0) {
        sdlFailure(SDL_GetError());
        return false;
    }
    sdlStarted_ = true;
    if (hostWindow)
        GetLogger().LogFmt(this, llDebug, "using audio driver: %s\n", SDL_GetCurrentAudioDriver());
    if (disableDisplay_)
        disableVideo_ = true;

    // The play thread owns SDL's video part, so every video call happens on it.
    {
        std::lock_guard lock(loopMutex_);
        loopEvents_.clear();
        startPhase_ = StartPhase::Starting;
        startError_.clear();
    }
    hostWindow_ = hostWindow;
    playThreadFinished_.Reset();
    playThread_ = std::thread(&TCustomPlayer::playThreadMain, this, hostWindow, !disableDisplay_);
    std::string startError;
    {
        std::unique_lock lock(loopMutex_);
        loopCond_.wait(lock, [&] { return startPhase_ != StartPhase::Starting; });
        if (startPhase_ == StartPhase::Failed)
            startError = startError_;
    }
    auto stopPlayThread = [&] {
        {
            std::lock_guard lock(loopMutex_);
            startPhase_ = StartPhase::Cancel;
        }
        loopCond_.notify_all();
        playThread_.join();
        hostWindow_ = 0;
        SDL_QuitSubSystem(SDL_INIT_TIMER | SDL_INIT_AUDIO);
        sdlStarted_ = false;
    };
    if (!startError.empty()) {
        stopPlayThread();
        if (startError.rfind("SDL_GetVideoInfo", 0) == 0)
            ReportError("SDL_GetVideoInfo() failed", true);
        else
            sdlFailure(startError);
        return false;
    }

    PlaybackSettings settings;
    settings.DisableAudio = disableAudio_;
    settings.DisableVideo = disableVideo_;
    settings.DisableDisplay = disableDisplay_;
    settings.FrameWidth = frameWidth_;
    settings.FrameHeight = frameHeight_;
    settings.OpenLimit = openLimit_;
    settings.AudioTap = OnAudioDelivered;
    settings.PictureTap = OnPictureShown;
    resetPerPlayback();
    auto playback = OpenPlayback(*this, signals_, settings, fileName, startPaused);
    if (!playback) {
        stopPlayThread();
        resetPerPlayback();
        return false;
    }

    int64_t duration = playback->ImageSequence ? 0 : playback->Duration;
    int frameWidth = -1, frameHeight = -1;
    if (playback->HasVideo() && playback->Video.Codec->width > 0)
        UprightSize(*playback, frameWidth, frameHeight);
    {
        std::lock_guard lock(playerLock_);
        playback_ = std::move(playback);
        open_ = true;
        fileName_ = fileName;
    }
    int screenWidth = screenWidth_, screenHeight = screenHeight_;
    if (OnFileOpen) {
        deliver([&] { OnFileOpen(this, duration, frameWidth, frameHeight, screenWidth, screenHeight); });
    }
    if (hostWindow && (screenWidth == 0 || screenHeight == 0)) {
        std::lock_guard lock(loopMutex_);
        screenWidth = hostWidth_;
        screenHeight = hostHeight_;
    }
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;

    eventThreadFinished_.Reset();
    eventThread_ = std::thread(&TCustomPlayer::eventThreadMain, this);
    {
        std::lock_guard lock(loopMutex_);
        startPhase_ = StartPhase::Go;
    }
    loopCond_.notify_all();
    return true;
}

void TCustomPlayer::Close(bool wait) {
    {
        std::unique_lock lock(playerLock_);
        if (playback_) {
            if (playback_->Paused)
                SetPlaybackPaused(*playback_, false);
            PostEvent(QuitEvent, 0);
        }
    }
    if (!wait)
        return;
    if (playThread_.joinable()) {
        waitForPlayThread();
        playThread_.join();
    }
    if (eventThread_.joinable()) {
        WaitForSignal(eventThreadFinished_);
        eventThread_.join();
    }
    hostWindow_ = 0;
    if (sdlStarted_) {
        SDL_QuitSubSystem(SDL_INIT_TIMER | SDL_INIT_AUDIO);
        sdlStarted_ = false;
    }
}

void TCustomPlayer::waitForPlayThread() {
    int attempts = 1; // Close has sent the first quit request
    for (;;) {
        if (WaitForSignal(playThreadFinished_, ClosePollInterval))
            return;
        // Tried, not waited for: the wait above already paces the loop, and the
        // thread sanitizer cannot follow a timed lock of this library.
        std::unique_lock lock(playerLock_, std::try_to_lock);
        if (!lock.owns_lock())
            continue;
        if (!playback_)
            return;
        ++attempts;
        const int limit = playback_->DisplayMode != 0 ? MaxQuitRequestsWithWaveform : MaxQuitRequests;
        if (attempts <= limit) {
            PostEvent(QuitEvent, 0);
            continue;
        }
        // The event loop does not answer: close from here. The loop leaves when it
        // next finds no playback.
        GetLogger().Log(this, llWarning, "closing the playback without the event loop");
        closeCurrentLocked();
        PostEvent(QuitEvent, 0);
    }
}

void TCustomPlayer::closeCurrentLocked() {
    if (!playback_)
        return;
    ClosePlayback(*playback_);
    playback_.reset();
    open_ = false;
    fileName_.clear();
    resetPerPlayback();
}

// ---- pause and seek ----

void TCustomPlayer::pauseLocked(std::unique_lock<std::mutex>& lock, bool pause) {
    // Let a seek in progress finish first, so the pause applies to the new place.
    lock.unlock();
    if (!WaitForSignal(signals_.SeekDone, PauseSignalWait))
        signals_.SeekDone.Set();
    lock.lock();
    if (!playback_)
        return;
    if (pause && playback_->HasVideo()) {
        PlaybackState* before = playback_.get();
        lock.unlock();
        if (!WaitForSignal(signals_.PictureQueued, PauseSignalWait))
            signals_.PictureQueued.Set();
        lock.lock();
        if (playback_.get() != before || !playback_)
            return;
    }
    SetPlaybackPaused(*playback_, pause);
}

void TCustomPlayer::Pause() {
    std::unique_lock lock(playerLock_);
    if (!playback_ || playback_->Paused)
        return;
    pauseLocked(lock, true);
    if (playback_ && playback_->Paused)
        SetState(psPause);
}

void TCustomPlayer::Resume() {
    std::unique_lock lock(playerLock_);
    if (!playback_ || !playback_->Paused)
        return;
    pauseLocked(lock, false);
    if (playback_ && !playback_->Paused)
        SetState(psResume);
}

void TCustomPlayer::TogglePause() {
    std::unique_lock lock(playerLock_);
    if (!playback_)
        return;
    const bool pause = !playback_->Paused;
    pauseLocked(lock, pause);
    if (playback_)
        SetState(playback_->Paused ? psPause : psResume);
}

void TCustomPlayer::Seek(TSeekFlags flags, bool wait, int64_t position) {
    PlaybackState* st;
    bool hasVideo;
    {
        std::lock_guard lock(playerLock_);
        if (!playback_)
            return;
        st = playback_.get();
        hasVideo = st->HasVideo();
        int64_t target = position;
        int64_t relative = 0;
        if (!(flags & sfByte)) {
            if (st->Duration > 0 && target > st->Duration)
                target = st->Duration;
            relative = target <= 0 ? 1 : 0;
            if (st->StartTime != AV_NOPTS_VALUE)
                target += st->StartTime;
        }
        if (!st->SeekRequest) {
            std::lock_guard positionLock(positionMutex_);
            ++seekGeneration_;
        }
        RequestSeek(*st, flags, target, relative);
    }
    if (!wait)
        return;
    // Waits in steps so that a playback closed meanwhile does not hold us.
    auto stillOpen = [&] {
        std::lock_guard lock(playerLock_);
        return playback_.get() == st;
    };
    while (!WaitForSignal(signals_.SeekDone, ClosePollInterval)) {
        if (!stillOpen())
            return;
    }
    if (hasVideo) {
        while (!WaitForSignal(signals_.PictureQueued, ClosePollInterval)) {
            if (!stillOpen())
                return;
        }
    }
}

// ---- snapshot ----

const TBitmap24& TCustomPlayer::Snapshot(int64_t& pts) {
    std::lock_guard lock(playerLock_);
    TBitmap24& bitmap = snapshotConverter_.Bitmap;
    if (!playback_ || !playback_->HasVideo()) {
        bitmap.Resize(0, 0);
        pts = -1;
        return bitmap;
    }
    PlaybackState& st = *playback_;
    int width = 0, height = 0;
    UprightSize(st, width, height);
    bitmap.Resize(width, height);
    std::fill(bitmap.Bits.begin(), bitmap.Bits.end(), uint8_t{0});
    YuvOverlay* overlay;
    {
        auto& q = st.Video.Pictures;
        std::lock_guard queueLock(q.Mutex);
        if (q.Shown) {
            pts = std::llround(q.ShownPts * 1e6) - st.StartMicroseconds();
            overlay = q.Shown.get();
        } else {
            const auto& slot = q.Slots[q.ReadIndex];
            pts = std::llround(slot.Pts * 1e6) - st.StartMicroseconds();
            overlay = slot.Overlay.get();
        }
    }
    if (overlay) {
        std::lock_guard overlayLock(overlay->Lock);
        const uint8_t* data[4] = {overlay->Planes[0], overlay->Planes[1], overlay->Planes[2], nullptr};
        const int linesize[4] = {overlay->Pitches[0], overlay->Pitches[1], overlay->Pitches[2], 0};
        if (!FrameToBitmap(snapshotConverter_, data, linesize, AV_PIX_FMT_YUV420P, overlay->Height,
                           overlay->Width))
            bitmap.Resize(0, 0);
    }
    return bitmap;
}

// ---- the play thread's event loop ----

void TCustomPlayer::PostEvent(TPlayerEventCode code, int data) {
    {
        std::lock_guard lock(loopMutex_);
        loopEvents_.push_back({code, data});
        ++postedEvents_;
    }
    loopCond_.notify_all();
}

TPlayerDisplay* TCustomPlayer::Display() {
    if (disableDisplay_)
        return nullptr;
    return customDisplay_ ? customDisplay_ : display_.get();
}

void TCustomPlayer::SyncWithEventLoop() {
    std::unique_lock lock(loopMutex_);
    const unsigned target = postedEvents_;
    loopCond_.wait(lock, [&] {
        return handledEvents_ >= target || startPhase_ != StartPhase::Go || playThreadFinished_.IsSet();
    });
}

void TCustomPlayer::playThreadMain(uintptr_t hostWindow, bool withDisplay) {
    std::string error;
    int hostWidth = 0, hostHeight = 0;
    if (withDisplay && !customDisplay_) {
        display_ = std::make_unique<TSdlDisplay>();
        if (!display_->Start(hostWindow))
            error = display_->Error().empty() ? "unknown error" : display_->Error();
        else
            display_->HostSize(hostWidth, hostHeight);
    }
    bool go;
    {
        std::unique_lock lock(loopMutex_);
        startPhase_ = error.empty() ? StartPhase::Started : StartPhase::Failed;
        startError_ = error;
        hostWidth_ = hostWidth;
        hostHeight_ = hostHeight;
        loopCond_.notify_all();
        loopCond_.wait(lock,
                       [&] { return startPhase_ == StartPhase::Go || startPhase_ == StartPhase::Cancel; });
        go = startPhase_ == StartPhase::Go;
    }
    if (go) {
        SetState(psPlay);
        try {
            for (;;) {
                LoopEvent event;
                {
                    std::unique_lock lock(loopMutex_);
                    loopCond_.wait(lock, [&] { return !loopEvents_.empty(); });
                    event = loopEvents_.front();
                    loopEvents_.pop_front();
                }
                bool goOn;
                {
                    std::lock_guard lock(playerLock_);
                    goOn = playback_ && handleLoopEvent(event) && handleWindowEvents();
                }
                {
                    std::lock_guard lock(loopMutex_);
                    ++handledEvents_;
                }
                loopCond_.notify_all();
                if (!goOn)
                    break;
            }
        } catch (const std::exception& e) {
            GetLogger().Log(this, llFatal, std::string("PlayThread Exception: ") + e.what());
            std::lock_guard lock(playerLock_);
            closeCurrentLocked();
        }
        SetState(psStop);
    }
    if (display_)
        display_->Stop();
    display_.reset();
    if (customDisplay_)
        customDisplay_->PlaybackEnded();
    // SDL keeps per-thread data (its error text, the video thread's state) for
    // threads it did not create until told: released here, each play would leak it.
    SDL_TLSCleanup();
    {
        std::lock_guard lock(loopMutex_);
        startPhase_ = StartPhase::Starting;
    }
    playThreadFinished_.Set();
    loopCond_.notify_all();
}
