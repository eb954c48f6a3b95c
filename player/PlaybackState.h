// One open file: everything the read, video, subtitle and refresh threads, the
// audio callback and the event-loop thread share. Each group says which lock
// guards it; plain atomics are single flags written by one side and read by others.
#pragma once

#include "media/LibraryPointers.h"
#include "media/OpenInterrupt.h"
#include "media/PipeInput.h"
#include "player/Display.h"
#include "player/PacketQueue.h"
#include "player/PlayerLink.h"
#include "player/PlayerTypes.h"
#include "player/Signal.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

constexpr int PictureQueueSlots = 2;
constexpr int SubtitleQueueSlots = 4;
constexpr int64_t MaxQueuedBytes = 15 * 1048576;
constexpr int64_t MinAudioQueueBytes = 0x50000;
constexpr int MinPacketCount = 5;
constexpr int AudioDeviceSamples = 1024;
constexpr int AudioBufferBytes = 288000;
constexpr int SampleRingSize = 131072;
constexpr int SilenceBytes = 1024;
constexpr double SyncThreshold = 0.01;
constexpr double NoSyncThreshold = 10.0;
constexpr double SkipGrowth = 1.05;
constexpr double SkipDecay = 0.95;
constexpr double LatePictureGrace = 0.5;
constexpr int RefreshIntervalMs = 5;
constexpr int WaveformRefreshIntervalMs = 20;
constexpr int ReadRetryMs = 10;
constexpr int ReadErrorRetryMs = 100;
constexpr int DefaultWindowWidth = 640;
constexpr int DefaultWindowHeight = 480;
constexpr int64_t NoTime = std::numeric_limits<int64_t>::min();

using CodecContextPtr = PlainCodecContextPtr;

// Wall time in seconds on a monotonic clock.
double WallTime();

// Planar YUV 4:2:0 picture memory, the picture a slot shows (Y, U, V order).
struct YuvOverlay {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Pixels;
    uint8_t* Planes[3] = {};
    int Pitches[3] = {};
    std::mutex Lock; // held while the picture is written, blended into or read

    YuvOverlay(int width, int height);
};

struct PictureSlot {
    // guarded by PictureQueue::Mutex
    double Pts = 0;
    double TargetTime = 0;
    int64_t Pos = -1;
    int Width = 0; // size the video thread wants the overlay to have
    int Height = 0;
    bool Allocated = false;
    AVRational PixelAspect{0, 1};
    // Replaced only on the event-loop thread while the video thread waits for it.
    std::unique_ptr<YuvOverlay> Overlay;
};

// The decoded pictures waiting to be shown, and the video timing that goes with them.
struct PictureQueue {
    std::mutex Mutex;
    std::condition_variable Cond;
    // guarded by Mutex
    std::array<PictureSlot, PictureQueueSlots> Slots;
    int Size = 0;
    int ReadIndex = 0;
    int WriteIndex = 0;
    // The picture on screen. A slot's overlay is swapped in here when it is shown,
    // so the video thread can fill the slot again while this one stays intact for
    // redraws and snapshots. Replaced only on the event-loop thread.
    std::unique_ptr<YuvOverlay> Shown;
    double ShownPts = 0;
    AVRational ShownPixelAspect{0, 1};
    double FrameTimer = 0;
    double LastFramePts = NAN; // NAN: none yet
    double LastFrameDelay = 0;
    double CurrentPts = 0;
    double CurrentPtsDrift = 0;
    int64_t CurrentPos = -1;
    double SkipRatio = 1.0;
};

struct SubtitleSlot {
    double Pts = 0;
    AVSubtitle Sub{};
};

// The audio handed to the device at its last callback: the stream time just
// after the last byte of the stream's audio given to it, how many seconds of the
// stream's audio that block held (silence written while paused or starved does
// not count), and the wall time of the callback, when the device began to play it.
struct AudioDeviceClock {
    double EndPts = 0;
    double BlockSeconds = 0;
    double CallbackTime = 0; // 0: no callback yet
};

struct AudioState {
    std::atomic<int> StreamIndex{-1}; // written by the read thread while others may look
    AVStream* Stream = nullptr;
    CodecContextPtr Codec;
    PacketQueue Queue;
    uint32_t Device = 0;
    int DeviceBufferSize = 0;
    int Channels = 0; // of the device
    int SampleRate = 0;
    int64_t StreamDurationUs = -1;
    double DriftAvgCoef = 0;
    double DriftThreshold = 0;

    // Audio callback only (and open/close while the device is stopped).
    std::vector<uint8_t> Buffer; // converted samples, AudioBufferBytes
    PacketPtr Packet{av_packet_alloc()};
    bool PacketPending = false;
    bool Draining = false;
    FramePtr Frame{av_frame_alloc()};
    SwrPtr Converter;
    AVSampleFormat SourceFormat = AV_SAMPLE_FMT_S16;
    AVChannelLayout SourceLayout{};
    int SourceRate = 0;

    // Written by the callback, read by the waveform (a torn read only shifts one drawing).
    std::atomic<int> BufferSize{0};
    std::atomic<int> BufferIndex{0};
    std::atomic<double> Clock{0}; // end of the decoded audio; callback and open/close only
    std::atomic<int64_t> CallbackTimeUs{0};
    bool BufferSilent = false; // callback only: the buffer holds filler, not the stream's audio

    // What the device was given, published whole at the end of each callback: the
    // clocks must never see the half-done state of a callback in progress, which
    // can be a whole device buffer off.
    mutable std::mutex DeviceMutex;
    AudioDeviceClock DeviceClock; // guarded by DeviceMutex

    // Waveform: written by the callback, copied out by the display.
    std::mutex RingMutex;
    std::vector<int16_t> Ring; // guarded by RingMutex; SampleRingSize samples
    std::atomic<int> RingWriteIndex{0};
    int LastStart = 0;                       // event-loop thread only
    std::vector<int16_t> RingWindow;         // event-loop thread only; reused copy of the drawn part
    std::vector<TDisplayRect> WaveformRects; // event-loop thread only; reused for every drawing

    explicit AudioState(Waker* wake) : Queue(wake) {}
};

struct VideoState {
    std::atomic<int> StreamIndex{-1}; // written by the read thread while others may look
    AVStream* Stream = nullptr;
    CodecContextPtr Codec;
    PacketQueue Queue;
    std::thread Thread;
    PictureQueue Pictures;
    // Written by the video thread, read by the refresh step.
    std::atomic<double> PredictedNextPts{0};
    // Degrees clockwise the pictures are turned to stand upright (the stream's
    // display matrix); set before the video thread starts, then only read.
    int Rotation = 0;
    // Video thread only.
    double SkipCounter = 0;

    explicit VideoState(Waker* wake) : Queue(wake) {}
};

struct SubtitleState {
    std::atomic<int> StreamIndex{-1}; // written by the read thread while others may look
    AVStream* Stream = nullptr;
    CodecContextPtr Codec;
    PacketQueue Queue;
    std::thread Thread;
    std::mutex Mutex;
    std::condition_variable Cond;
    // guarded by Mutex
    std::array<SubtitleSlot, SubtitleQueueSlots> Slots;
    int Size = 0;
    int ReadIndex = 0;
    int WriteIndex = 0;
    std::atomic<bool> Changed{false};

    explicit SubtitleState(Waker* wake) : Queue(wake) {}
};

// Settings copied from the player when the playback is opened.
struct PlaybackSettings {
    bool DisableAudio = false;
    bool DisableVideo = false;
    bool DisableDisplay = false;
    int FrameWidth = 0;
    int FrameHeight = 0;
    // How long opening the file may wait for data (a pipe without writer, a silent device).
    std::chrono::milliseconds OpenLimit = TOpenInterrupt::DefaultLimit;
    TAudioTap AudioTap;
    TPictureTap PictureTap;
};

struct InputContextClose {
    void operator()(AVFormatContext* c) const;
};
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextClose>;

struct PlaybackState {
    PlaybackState(PlayerLink& player, PlayerSignals& signals, PlaybackSettings settings)
        : Player(player), Signals(signals), Settings(settings) {}
    ~PlaybackState();
    PlaybackState(const PlaybackState&) = delete;
    PlaybackState& operator=(const PlaybackState&) = delete;

    PlayerLink& Player;
    PlayerSignals& Signals;
    const PlaybackSettings Settings;

    // Control.
    std::atomic<bool> Abort{false};
    std::atomic<bool> Paused{false};
    bool LastPaused = false; // read thread only
    std::atomic<int> ReadPauseResult{0};
    std::atomic<bool> SeekRequest{false};
    // Written by the seek request before SeekRequest is set, read by the read thread after.
    int SeekFlags = 0;
    int64_t SeekTarget = 0;
    int64_t SeekRelative = 0;
    std::atomic<bool> DropStalePictures{false};
    std::atomic<bool> FlushSeen{false};
    std::atomic<bool> PausedAtSeek{false};
    std::atomic<int> OpenedPausedCounter{0};
    std::atomic<int> OpenResult{0}; // 0 opening, 1 opened, -1 failed, -2 failed and cleaned up

    // Container; set by the read thread before OpenResult becomes 1, constant afterwards.
    // The pipe reader of a pipe or device input; declared first to outlive Input.
    PipeInputPtr Pipe;
    InputContextPtr Input;
    // The time limit of the open under way; read thread only, none once opened.
    std::unique_ptr<TOpenInterrupt> Opening;
    std::string FileName;
    int64_t StartTime = AV_NOPTS_VALUE;
    int64_t Duration = -1;
    bool ImageSequence = false;
    bool CaptureDevice = false;

    // Wakes the read thread (room in a queue, seek, pause, abort).
    Waker ReadWake;
    // Wakes threads held while paused (video, subtitles).
    Waker PauseWake;
    // Wakes the refresh thread: a picture was queued, a refresh was handled, abort.
    Waker RefreshWake;

    AudioState Audio{&ReadWake};
    std::atomic<int> DisplayMode{0}; // 0 pictures, 1 waveform
    VideoState Video{&ReadWake};
    SubtitleState Subtitles{&ReadWake};

    // Display: event-loop thread only.
    int WindowWidth = 0;
    int WindowHeight = 0;

    // Progress.
    bool ReadErrorReported = false; // read thread only
    std::atomic<bool> EndOfData{false};
    std::atomic<bool> EndSignalled{false};
    std::atomic<bool> RefreshPending{false};
    std::atomic<bool> RefreshAwaitsStep{false}; // the refresh thread wants to hear when it is done

    std::thread ReadThread;
    std::thread RefreshThread;
    ManualResetEvent OpenDecided{false};    // OpenResult left 0
    ManualResetEvent ReadThreadDone{false}; // the read thread has cleaned up

    bool HasAudio() const { return Audio.StreamIndex >= 0; }
    bool HasVideo() const { return Video.StreamIndex >= 0; }
    bool HasSubtitles() const { return Subtitles.StreamIndex >= 0; }
    double StartSeconds() const { return StartTime == AV_NOPTS_VALUE ? 0.0 : StartTime / 1e6; }
    int64_t StartMicroseconds() const { return StartTime == AV_NOPTS_VALUE ? 0 : StartTime; }
};
