// Records exchanged between the application and the conversion engine: one
// input and one output option record per task, and the four event records.
#pragma once

#include "media/FrameBitmap.h"

#include <cstdint>
#include <limits>
#include <string>

// The libraries' "no timestamp" value.
constexpr int64_t NoTime = std::numeric_limits<int64_t>::min();

struct TInputOptions {
    std::string FileName;       // empty at AddTask: set to the file name given there
    std::string FileFormat;     // forced container format ("f")
    int64_t StartTime = NoTime; // µs, seek position ("ss" before the input)
    int ProgramID = -1;         // >= 0: the program to keep ("programid")
    std::string ExtOptions;     // option lines in input mode, applied first
    int Reserved1 = 0;
    int Reserved2 = 0;
};

struct TStreamInfo {
    double TimeStamp = -1.0; // days since 1899-12-30 local; 0 = now, > 0 that moment, else none
    int Year = -1;
    int Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

struct TOutputOptions {
    std::string FileName;
    std::string Reserved;
    std::string FileFormat;
    int PacketSize = -1;
    int MuxRate = -1;
    float MuxMaxDelay = -1.0f;
    float MuxPreload = -1.0f;
    std::string AudioCodec;
    std::string AudioPreset;
    bool DisableAudio = false;
    int AudioVolume = -1; // 256 leaves the volume unchanged
    int AudioChannels = -1;
    int AudioSampleRate = -1;
    int AudioBitrate = -1;
    int AudioBitrateTolerance = -1;
    std::string AudioLanguage;
    int AudioSyncMethod = 0;
    std::string AudioTag;
    std::string VideoCodec;
    std::string VideoPreset;
    bool DisableVideo = false;
    std::string FrameRate;
    std::string FrameSize;
    std::string FrameAspectRatio;
    int CropTop = -1;
    int CropBottom = -1;
    int CropLeft = -1;
    int CropRight = -1;
    int GOPSize = -1;
    int VideoBitrate = -1;
    int VideoMaxRate = -1;
    int VideoMinRate = -1;
    int VideoBitrateTolerance = -1;
    int VideoBufferSize = -1;
    int VideoSyncMethod = -1;
    std::string VideoTag;
    std::string VideoFilters;
    std::string VideoLanguage;
    std::string SubtitleCodec;
    std::string SubtitlePreset;
    bool DisableSubtitle = false;
    std::string SubtitleLanguage;
    bool InputSync = false;
    bool CopyTimestamps = false;
    int64_t StartTime = NoTime;
    int64_t Duration = NoTime;
    TStreamInfo Info;
    int TargetType = 0;  // 1 vcd, 2 svcd, 3 dvd
    int NormType = 0;    // 1 PAL, 2 NTSC, else automatic
    int DefaultNorm = 1; // 1 PAL, else NTSC
    bool CustomHook = false;
    bool Join = false;
    std::string ExtOptions;
    int Reserved1 = 0;
    int Reserved2 = 0;
};

void InitInputOptions(TInputOptions& options);
void InitOutputOptions(TOutputOptions& options);

// CurrentDuration (µs) while no output stream has written anything: 10^10 seconds,
// a placeholder and no time to show.
constexpr int64_t NoProgressTime = 10000000000LL * 1000000;

struct TProgressInfo {
    int TaskIndex = 0;
    int FileIndex = 0;    // -1 in a task's last report
    int FrameNumber = 0;  // -1 without video output
    int FPS = 0;          // -1 without video output
    float Quality = 0.0f; // -1.0 for stream copy or without video
    float BitRate = 0.0f; // kbit/s
    int64_t TotalSize = 0;
    int64_t CurrentDuration = 0;
    int64_t TotalDuration = -1;
};
using PProgressInfo = TProgressInfo*;

// The whole percent of `total` that `current` stands for (µs, truncated, 0 to
// 100), or -1 when either is unknown (no total, or the no-time placeholder).
int ProgressPercent(int64_t current, int64_t total);

struct TTerminateInfo {
    int TaskIndex = 0; // -1 for the all-done report
    bool Finished = false;
    bool Failed = false;
    std::string ErrorMessage;
};

struct TPreviewInfo {
    int TaskIndex = 0;
    const TBitmap24* Bitmap = nullptr; // valid during the call only
    int FrameNumber = 0;
    int64_t PTS = 0;
};

struct THookInfo {
    int TaskIndex = 0;
    TBitmap24* Bitmap = nullptr; // the handler may draw on it
    int FrameNumber = 0;         // 1 for the first frame
    int64_t PTS = 0;
    bool Update = true;
    bool StopHook = false;
};
using PHookInfo = THookInfo*;
