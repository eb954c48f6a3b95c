// A task's engine settings: what the options write and what input/output
// set-up and the transcoding loop read. Defaults are those of a newly reset
// engine. Settings marked "per input/output/stream" are consumed when the next
// input or output (or extra stream) is opened and then reset by the set-up code.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

constexpr int MaxStreams = 20;     // per input: timestamp scales, stream id table
constexpr int MaxStreamMaps = 400; // per task
constexpr int MaxMetaDataMaps = 20;
constexpr int64_t UnlimitedRecordingTime = std::numeric_limits<int64_t>::max();
constexpr int UnlimitedFrames = std::numeric_limits<int>::max();

struct TStreamMap {
    int FileIndex = 0;
    int StreamIndex = 0;
    int SyncFileIndex = 0;
    int SyncStreamIndex = 0;
};

struct TMetaDataMap {
    int OutFile = 0;
    int InFile = 0;
};

struct TFrameHookModule; // a loaded frame-hook module with its per-hook context

struct TEngineSettings {
    // files
    std::string FileFormat;                               // forced format for the next input or output ("f")
    bool PgmYuvInput = false;                             // next input's video is PGM-YUV ("f" pgmyuv)
    int64_t StartTime = 0;                                // µs ("ss")
    int64_t InputTimestampOffset = 0;                     // µs, next input ("itsoffset")
    std::array<double, MaxStreams> InputTimestampScale{}; // next input, 0 = none ("itsscale")
    int64_t RecordingTime = UnlimitedRecordingTime;       // µs ("t")
    int64_t RecordingTimestamp = 0;                       // seconds since 1970 ("timestamp")
    int64_t FileSizeLimit = 0;                            // bytes, 0 = none ("fs")
    std::vector<TStreamMap> StreamMaps;
    std::vector<TMetaDataMap> MetaDataMaps;
    std::vector<std::pair<std::string, std::string>> Metadata; // next output ("metadata")
    std::array<int, MaxStreams> StreamIds{};                   // next output ("streamid")
    int ProgramId = 0;                                         // 0 = none ("programid")
    bool LoopInput = false;
    int LoopOutput = -1;

    // video
    bool VideoDisable = false;
    int VideoDiscard = 0;
    std::string VideoCodecName;
    bool VideoStreamCopy = false;
    uint32_t VideoCodecTag = 0;
    std::string VideoLanguage;
    int FrameWidth = 0; // 0: from the input
    int FrameHeight = 0;
    float FrameAspectRatio = 0.0f; // 0: from the input
    // Set by "aspect": the display aspect is the user's; the input's follows its crop.
    bool FrameAspectChosen = false;
    AVPixelFormat FramePixFmt = AV_PIX_FMT_NONE;
    AVRational FrameRate{0, 0};
    int FrameTopBand = 0, FrameBottomBand = 0, FrameLeftBand = 0, FrameRightBand = 0; // crop
    float VideoQScale = 0.0f;
    std::vector<uint16_t> IntraMatrix; // 64 entries when set
    std::vector<uint16_t> InterMatrix;
    std::string VideoRcOverrideString;
    bool SameQuality = false;
    bool IntraOnly = false;
    bool DoDeinterlace = false;
    // "deinterlace=auto": the run looks at the source's first seconds and sets
    // DoDeinterlace when they are interlaced.
    bool DeinterlaceAuto = false;
    // The deinterlacer's field order: 0 top field first, 1 bottom, -1 as each picture says.
    int DeinterlaceParity = -1;
    int TopFieldFirst = -1;
    int MeThreshold = 0;
    int IntraDcPrecision = 8;
    int MaxVideoFrames = UnlimitedFrames;
    std::string VideoFilters;
    int VideoGlobalHeader = 0;
    int VideoChannel = 0;
    bool ForceFps = false;
    std::string TvStd;

    // audio
    bool AudioDisable = false;
    std::string AudioCodecName;
    bool AudioStreamCopy = false;
    uint32_t AudioCodecTag = 0;
    std::string AudioLanguage;
    int AudioSampleRate = 44100;
    int AudioChannels = 2;
    uint64_t AudioChannelLayout = 0;
    AVSampleFormat AudioSampleFmt = AV_SAMPLE_FMT_NONE;
    float AudioQScale = -99999.0f;
    int AudioVolume = 256;
    int MaxAudioFrames = UnlimitedFrames;
    float AudioDriftThreshold = 0.1f;
    // The first input's audio track to convert, numbered from 1 ("atrack");
    // 0 lets the mapping choose, the source's default track first.
    int AudioTrack = 0;

    // subtitle
    bool SubtitleDisable = false;
    std::string SubtitleCodecName;
    bool SubtitleStreamCopy = false;
    uint32_t SubtitleCodecTag = 0;
    std::string SubtitleLanguage;
    // The first input's subtitle track to keep in the output ("keepsub") or to
    // draw into its pictures ("burnsub"), numbered from 1; 0 is the source's
    // default track, -1 none.
    int KeepSubtitleTrack = -1;
    int BurnSubtitleTrack = -1;

    // data
    int MaxDataFrames = UnlimitedFrames;

    // sync and muxing
    int VideoSyncMethod = -1;
    int AudioSyncMethod = 0;
    bool CopyTimestamps = false;
    bool OptShortest = false;
    bool InputSync = false;
    float DtsDeltaThreshold = 10.0f; // seconds
    float MuxPreload = 0.5f;         // seconds
    float MuxMaxDelay = 0.7f;        // seconds
    int CopyInitialNonKeyFrames = 0;
    bool RateEmulation = false;

    // pass and diagnostics
    int DoPass = 0;
    std::string PassLogFileName;
    int Verbose = 1;
    bool DoPktDump = false;
    bool DoHexDump = false;
    bool DoPsnr = false;
    bool QpHist = false;
    std::string VStatsFileName;
    bool ExitOnError = false;

    // filters and hooks
    std::vector<std::string> VideoBitstreamFilters;
    std::vector<std::string> AudioBitstreamFilters;
    std::vector<std::string> SubtitleBitstreamFilters;
    std::vector<std::shared_ptr<TFrameHookModule>> FrameHooks;
    int ScalerFlags = 4; // bicubic

    // Threads of every codec of the task ("threads"); -1: not given, the
    // task's share of the cores decides; 0: the library chooses.
    int CodecThreads = -1;

    // The task's expected total duration for progress, set by "t" (µs, -1 unknown).
    int64_t ExpectedDuration = -1;
};
