// The pending output settings: written by the format chooser (ProfileId) and
// the options window (everything else), read by the task builder. Text fields
// left empty mean "not set, the engine decides".
#pragma once

#include "profiles/Deinterlace.h"

#include <cstdint>
#include <string>

struct TConversionSettings {
    int32_t ProfileId = 500;     // the chosen profile; not reset between add actions
    std::string SourceFile;      // the file being added; written by the main window
    std::string OutputFile;      // full output path
    std::string ProfileExt;      // extension tag of the profile
    std::string AudioChannels;   // "1", "2" or empty
    std::string AudioSampleRate; // Hz as text, "AUTO" or empty
    std::string FrameSize;       // "W*H" or empty
    std::string FrameRate;       // "25.00", "23.98", "24" ... or empty
    std::string TVStandard;      // "PAL", "NTSC" or empty
    std::string VideoFilters;    // "hflip", "vflip", "negate" joined by commas, or empty
    // Auto: "自动去隔行" ticked; On: always (the command line's)
    TDeinterlace Deinterlace = TDeinterlace::Off;
    std::string Volume = "256";  // 256 leaves the volume unchanged
    std::string AspectRatio;     // "4:3", "16:9" or empty
    std::string VideoCodec;      // encoder name or empty
    std::string AudioCodec;      // encoder name, "AUTO" or empty
    std::string OutputFormat;    // forced container ("mov", "asf") or empty
    std::string Target;          // "vcd", "svcd", "dvd" or empty
    std::string VideoTag;        // "DX50", "XVID" or empty
    int32_t VideoBitRate = -1;   // bit/s; NotSetBitRate: not set
    std::string VideoQuality;    // constant quality instead of a bit rate: "crf=23", "qscale=5" ... or empty
    int32_t AudioBitRate = -1;   // bit/s; NotSetBitRate: automatic
    bool AudioOnly = false;
    int64_t ClipStart = -1;  // ms
    int64_t ClipLength = -1; // ms
    std::string ClipMode;    // ClipSelect or ClipNoSelect; not reset between add actions
    // The source's tracks, numbered from 1 per kind; 0 is the source's default track.
    int32_t AudioTrack = 0;
    std::string Subtitles; // SubtitlesNone (empty too), SubtitlesKeep or SubtitlesBurn
    int32_t SubtitleTrack = 0;

    bool operator==(const TConversionSettings&) const = default;

    static constexpr int32_t NotSetBitRate = -1000;
    static constexpr int32_t AutoAudioBitRate = -2000; // also passes no audio bit rate
};

inline constexpr const char* ClipSelect = "Select";
inline constexpr const char* ClipNoSelect = "NoSelect";
inline constexpr const char* SubtitlesNone = "none";
inline constexpr const char* SubtitlesKeep = "keep"; // the track goes into the output as a subtitle stream
inline constexpr const char* SubtitlesBurn = "burn"; // the track is drawn into the pictures
inline constexpr const char* AutoSetting = "AUTO";   // AudioSampleRate and AudioCodec: the engine decides

// Resets every field except ProfileId, SourceFile and ClipMode, at the start of each add action.
void ResetConversionSettings(TConversionSettings& settings);
