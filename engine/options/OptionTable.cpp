#include "options/OptionTable.h"

#include "engine/FFmpegException.h"
#include "loop/FrameHookModule.h"
#include "media/FFmpegLogger.h"
#include "media/FileHelpers.h"
#include "options/OptionTarget.h"
#include "options/Presets.h"
#include "options/Target.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern "C" {
#include <libavcodec/bsf.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

namespace {

[[noreturn]] __attribute__((format(printf, 1, 2))) void Raise(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    throw FFmpegException(buffer);
}

// Decimal integer texts as the settings take them; anything else is a conversion error.
int64_t ToInt64(const std::string& value) {
    errno = 0;
    char* end = nullptr;
    const long long result = std::strtoll(value.c_str(), &end, 10);
    if (value.empty() || end != value.c_str() + value.size() || errno == ERANGE) {
        Raise("'%s' is not a valid integer value", value.c_str());
    }
    return result;
}

int ToInt(const std::string& value) {
    const int64_t result = ToInt64(value);
    if (result < std::numeric_limits<int>::min() || result > std::numeric_limits<int>::max()) {
        Raise("'%s' is not a valid integer value", value.c_str());
    }
    return static_cast<int>(result);
}

double ToReal(const std::string& value) {
    char* end = nullptr;
    const double result = std::strtod(value.c_str(), &end);
    if (value.empty() || end != value.c_str() + value.size() || !std::isfinite(result)) {
        Raise("'%s' is not a valid floating point value", value.c_str());
    }
    return result;
}

bool ToBool(const std::string& value) {
    return value != "0";
}

// A duration or date in µs; the library's parser decides what it accepts.
int64_t ToTime(const std::string& name, const std::string& value, bool duration) {
    int64_t result = 0;
    if (av_parse_time(&result, value.c_str(), duration ? 1 : 0) < 0) {
        Raise("Invalid %s specification for %s: %s", duration ? "duration" : "date", name.c_str(),
              value.c_str());
    }
    return result;
}

TEngineSettings& S(TOptionTarget& target) {
    return target.Settings();
}

// Handlers that only write one setting, parameterised by the setting.
template <bool TEngineSettings::*Member>
void SetBoolean(TOptionTarget& target, const std::string&, const std::string& value) {
    S(target).*Member = ToBool(value);
}
template <bool TEngineSettings::*Member>
void SwitchOn(TOptionTarget& target, const std::string&, const std::string&) {
    S(target).*Member = true;
}
template <int TEngineSettings::*Member>
void SetInteger(TOptionTarget& target, const std::string&, const std::string& value) {
    S(target).*Member = ToInt(value);
}
template <float TEngineSettings::*Member>
void SetReal(TOptionTarget& target, const std::string&, const std::string& value) {
    S(target).*Member = static_cast<float>(ToReal(value));
}
template <int TEngineSettings::*Member>
void SetPositive(TOptionTarget& target, const std::string&, const std::string& value) {
    const int number = ToInt(value);
    if (number > 0) {
        S(target).*Member = number;
    }
}
template <std::string TEngineSettings::*Member>
void SetText(TOptionTarget& target, const std::string&, const std::string& value) {
    S(target).*Member = value;
}

void DoNothing(TOptionTarget&, const std::string& name, const std::string&) {
    GetLogger().Log(nullptr, llInfo, "Do nothing: option - " + name);
}

// Codec threads for the whole task. A negative count gave one thread to the
// codecs of old; it must not fail a conversion now.
void CodecThreads(TOptionTarget& target, const std::string&, const std::string& value) {
    const int count = ToInt(value);
    S(target).CodecThreads = count < 0 ? 1 : count;
}

void Pad(TOptionTarget&, const std::string&, const std::string&) {
    Raise("Please use vfilters=pad");
}

void TimeLimit(TOptionTarget&, const std::string&, const std::string&) {
    GetLogger().Log(nullptr, llWarning, "Warning: -timelimit not implemented on Windows");
}

void LogLevel(TOptionTarget&, const std::string&, const std::string& value) {
    try {
        GetLogger().SetLogLevelText(value);
    } catch (const std::invalid_argument& e) {
        throw FFmpegException(e.what());
    }
}

void Format(TOptionTarget& target, const std::string&, const std::string& value) {
    if (value.empty()) {
        return;
    }
    if (value == "pgmyuv") {
        S(target).FileFormat = "image2";
        S(target).PgmYuvInput = true;
        GetLogger().Log(nullptr, llInfo, "pgmyuv format is deprecated, use image2");
        return;
    }
    S(target).FileFormat = value;
}

// C integer (decimal or 0x...) at `p`, then skips one separator character.
long ReadIndex(const char*& p) {
    char* end = nullptr;
    const long result = std::strtol(p, &end, 0);
    p = end;
    return result;
}
void SkipSeparator(const char*& p) {
    if (*p) {
        ++p;
    }
}

void Map(TOptionTarget& target, const std::string&, const std::string& value) {
    auto& maps = S(target).StreamMaps;
    if (static_cast<int>(maps.size()) >= MaxStreamMaps) {
        Raise("Too many stream maps (at most %d)", MaxStreamMaps);
    }
    const char* p = value.c_str();
    TStreamMap map;
    map.FileIndex = static_cast<int>(ReadIndex(p));
    SkipSeparator(p);
    map.StreamIndex = static_cast<int>(ReadIndex(p));
    if (*p) {
        ++p;
        map.SyncFileIndex = static_cast<int>(ReadIndex(p));
        SkipSeparator(p);
        map.SyncStreamIndex = static_cast<int>(ReadIndex(p));
    } else {
        map.SyncFileIndex = map.FileIndex;
        map.SyncStreamIndex = map.StreamIndex;
    }
    maps.push_back(map);
}

void MapMetaData(TOptionTarget& target, const std::string&, const std::string& value) {
    auto& maps = S(target).MetaDataMaps;
    if (static_cast<int>(maps.size()) >= MaxMetaDataMaps) {
        Raise("Too many metadata maps (at most %d)", MaxMetaDataMaps);
    }
    const char* p = value.c_str();
    TMetaDataMap map;
    map.OutFile = static_cast<int>(ReadIndex(p));
    SkipSeparator(p);
    map.InFile = static_cast<int>(ReadIndex(p));
    maps.push_back(map);
}

void RecordingTime(TOptionTarget& target, const std::string& name, const std::string& value) {
    S(target).RecordingTime = ToTime(name, value, true);
    S(target).ExpectedDuration = S(target).RecordingTime;
}

void FileSize(TOptionTarget& target, const std::string&, const std::string& value) {
    S(target).FileSizeLimit = ToInt64(value);
}

void StartTime(TOptionTarget& target, const std::string& name, const std::string& value) {
    S(target).StartTime = ToTime(name, value, true);
}

void TimestampOffset(TOptionTarget& target, const std::string& name, const std::string& value) {
    S(target).InputTimestampOffset = ToTime(name, value, true);
}

void TimestampScale(TOptionTarget& target, const std::string&, const std::string& value) {
    const char* p = value.c_str();
    const long stream = ReadIndex(p);
    SkipSeparator(p);
    const double scale = std::strtod(p, nullptr);
    // A negative index would write outside the table just as a large one would.
    if (stream < 0 || stream >= MaxStreams) {
        Raise("stream index over MAX_STREAMS(%d)", MaxStreams);
    }
    S(target).InputTimestampScale[stream] = scale;
}

void Timestamp(TOptionTarget& target, const std::string& name, const std::string& value) {
    const int64_t us = ToTime(name, value, false);
    S(target).RecordingTimestamp = std::llround(static_cast<double>(us) / 1000000.0);
}

void Metadata(TOptionTarget& target, const std::string&, const std::string& value) {
    const size_t equals = value.find('=');
    if (equals == std::string::npos) {
        Raise("Missing =");
    }
    S(target).Metadata.emplace_back(value.substr(0, equals), value.substr(equals + 1));
}

void QScale(TOptionTarget& target, const std::string&, const std::string& value) {
    const double q = ToReal(value);
    if (q <= 0.0 || q > 255.0) {
        Raise("qscale must be > 0.0 and <= 255");
    }
    S(target).VideoQScale = static_cast<float>(q);
}

constexpr const char* VerticalCropError = "Vertical crop dimensions are outside the range of the original "
                                          "image.\nRemember to crop first and scale second.";
constexpr const char* HorizontalCropError =
    "Horizontal crop dimensions are outside the range of the original "
    "image.\nRemember to crop first and scale second.";

template <int TEngineSettings::*Band, int TEngineSettings::*Size>
void Crop(TOptionTarget& target, const std::string&, const std::string& value) {
    const int band = ToInt(value);
    if (band <= 0) {
        return;
    }
    TEngineSettings& s = S(target);
    if (band >= s.*Size) {
        throw FFmpegException(Size == &TEngineSettings::FrameHeight ? VerticalCropError
                                                                    : HorizontalCropError);
    }
    GetLogger().Log(nullptr, llWarning, "CropXXX is deprecated in favor of the crop avfilter");
    // The input's display aspect is that of what is left, whose pixels keep their shape.
    if (!s.FrameAspectChosen && s.FrameAspectRatio > 0.0f) {
        const float kept = static_cast<float>(s.*Size - band) / static_cast<float>(s.*Size);
        s.FrameAspectRatio =
            Size == &TEngineSettings::FrameHeight ? s.FrameAspectRatio / kept : s.FrameAspectRatio * kept;
    }
    s.*Band = band;
    s.*Size -= band;
}

void Pass(TOptionTarget& target, const std::string&, const std::string& value) {
    const int pass = ToInt(value);
    if (pass != 1 && pass != 2) {
        Raise("pass number can be only 1 or 2");
    }
    S(target).DoPass = pass;
}

// A Boolean, or "auto": deinterlace only a source found to be interlaced.
void Deinterlace(TOptionTarget& target, const std::string&, const std::string& value) {
    S(target).DeinterlaceAuto = value == "auto";
    S(target).DoDeinterlace = !S(target).DeinterlaceAuto && ToBool(value);
}

void VideoFilters(TOptionTarget& target, const std::string&, const std::string& value) {
    if (!value.empty()) {
        S(target).VideoFilters = value;
    }
}

void VStats(TOptionTarget& target, const std::string&, const std::string&) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char clock[16];
    std::strftime(clock, sizeof clock, "%H%M%S", &local);
    S(target).VStatsFileName = ProgramDirectory() + "vstats_" + clock + ".log";
}

template <std::string TEngineSettings::*Name, bool TEngineSettings::*Copy>
void Codec(TOptionTarget& target, const std::string&, const std::string& value) {
    if (value == "copy") {
        S(target).*Copy = true;
    } else {
        S(target).*Name = value;
    }
}

// The four characters as a little-endian number, first character lowest.
template <uint32_t TEngineSettings::*Tag>
void CodecTag(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (value.size() != 4) {
        const char* kind = name[0] == 'v' ? "video" : name[0] == 'a' ? "audio" : "subtitle";
        Raise("%s tag parameter must be 4 chars", kind);
    }
    uint32_t tag = 0;
    for (int i = 3; i >= 0; --i) {
        tag = (tag << 8) | static_cast<unsigned char>(value[i]);
    }
    S(target).*Tag = tag;
}

// An empty size, rate, aspect, sample rate or channel count is a choice of
// "keep the source's": the setting stays as it is instead of failing the task.
bool SkipEmpty(const std::string& name, const std::string& value) {
    if (!value.empty())
        return false;
    GetLogger().LogFmt(nullptr, llWarning, "Option \"%s\" has no value; the source's value is kept",
                       name.c_str());
    return true;
}

template <int TEngineSettings::*Member>
void SetPositiveOrKeep(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (!SkipEmpty(name, value))
        SetPositive<Member>(target, name, value);
}

void FrameRate(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (SkipEmpty(name, value))
        return;
    AVRational rate{0, 0};
    if (av_parse_video_rate(&rate, value.c_str()) < 0) {
        Raise("Incorrect frame rate");
    }
    S(target).FrameRate = rate;
}

void FrameSize(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (SkipEmpty(name, value))
        return;
    int width = 0;
    int height = 0;
    // A size name or W, one separator character, H; a size no picture buffer
    // can have is as wrong as one that does not parse.
    const bool parsed = av_parse_video_size(&width, &height, value.c_str()) >= 0;
    if (!parsed || av_image_check_size(width, height, 0, nullptr) < 0) {
        Raise("Incorrect frame size");
    }
    S(target).FrameWidth = width;
    S(target).FrameHeight = height;
}

void Aspect(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (SkipEmpty(name, value))
        return;
    double aspect = 0.0;
    const size_t colon = value.find(':');
    if (colon != std::string::npos) {
        const double w = std::strtod(value.c_str(), nullptr);
        const double h = std::strtod(value.c_str() + colon + 1, nullptr);
        aspect = h > 0.0 ? w / h : 0.0;
    } else {
        aspect = std::strtod(value.c_str(), nullptr);
    }
    // A negative or endless ratio is as unusable as none.
    if (!(aspect > 0.0) || !std::isfinite(static_cast<float>(aspect))) {
        Raise("Incorrect aspect ratio specification.");
    }
    S(target).FrameAspectRatio = static_cast<float>(aspect);
    S(target).FrameAspectChosen = true;
}

void PixelFormat(TOptionTarget& target, const std::string&, const std::string& value) {
    if (value == "list") {
        GetLogger().Log(nullptr, llInfo, "NAME             NB_COMPONENTS BITS_PER_PIXEL");
        for (const AVPixFmtDescriptor* d = av_pix_fmt_desc_next(nullptr); d; d = av_pix_fmt_desc_next(d)) {
            GetLogger().LogFmt(nullptr, llInfo, "%-16s %d %13d", d->name, d->nb_components,
                               av_get_bits_per_pixel(d));
        }
        return;
    }
    const AVPixelFormat format = av_get_pix_fmt(value.c_str());
    if (format == AV_PIX_FMT_NONE) {
        Raise("Unknown pixel format requested: %s", value.c_str());
    }
    S(target).FramePixFmt = format;
}

void SampleFormat(TOptionTarget& target, const std::string&, const std::string& value) {
    if (value == "list") {
        char line[128];
        GetLogger().Log(nullptr, llInfo, av_get_sample_fmt_string(line, sizeof line, AV_SAMPLE_FMT_NONE));
        for (int i = 0; i < AV_SAMPLE_FMT_NB; ++i) {
            GetLogger().Log(nullptr, llInfo,
                            av_get_sample_fmt_string(line, sizeof line, static_cast<AVSampleFormat>(i)));
        }
        return;
    }
    S(target).AudioSampleFmt = av_get_sample_fmt(value.c_str());
}

// 64 comma-separated coefficients; encoders divide by them, so each must be 1..255.
template <std::vector<uint16_t> TEngineSettings::*Matrix>
void QuantMatrix(TOptionTarget& target, const std::string&, const std::string& value) {
    std::vector<uint16_t> matrix(64);
    const char* p = value.c_str();
    for (int i = 0; i < 64; ++i) {
        const long coeff = std::strtol(p, nullptr, 10);
        if (coeff < 1 || coeff > 255) {
            Raise("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
        }
        matrix[i] = static_cast<uint16_t>(coeff);
        if (i == 63) {
            break;
        }
        p = std::strchr(p, ',');
        if (!p) {
            Raise("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
        }
        ++p;
    }
    S(target).*Matrix = std::move(matrix);
}

void StreamId(TOptionTarget& target, const std::string& name, const std::string& value) {
    const size_t colon = value.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == value.size()) {
        Raise("Invalid value \"%s\" for option \"%s\", required syntax is \"index:value\"", value.c_str(),
              name.c_str());
    }
    const int index = ToInt(value.substr(0, colon));
    const int id = ToInt(value.substr(colon + 1));
    if (index < 0 || index >= MaxStreams) {
        Raise("Invalid stream index %d for option \"%s\", it must be 0 to %d", index, name.c_str(),
              MaxStreams - 1);
    }
    S(target).StreamIds[index] = id;
}

void BitRate(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (!SetGenericOption(target.OptionContexts(), name, value)) {
        return;
    }
    const AVMediaType type = name == "ab" ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
    int64_t rate = 0;
    if (av_opt_get_int(target.OptionContexts().CodecContext(type), "b", 0, &rate) >= 0 && rate < 1000) {
        GetLogger().Log(
            nullptr, llWarning,
            "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not kbits/s");
    }
}

template <std::vector<std::string> TEngineSettings::*Chain>
void BitstreamFilter(TOptionTarget& target, const std::string&, const std::string& value) {
    const size_t equals = value.find('=');
    const std::string name = equals != std::string::npos && equals > 0 ? value.substr(0, equals) : value;
    if (!av_bsf_get_by_name(name.c_str())) {
        const size_t first = value.find_first_not_of(" \t");
        const size_t last = value.find_last_not_of(" \t");
        const std::string trimmed = first == std::string::npos ? "" : value.substr(first, last - first + 1);
        Raise("Unknown bitstream filter %s", trimmed.c_str());
    }
    (S(target).*Chain).push_back(name);
}

void Preset(TOptionTarget& target, const std::string& name, const std::string& value) {
    ApplyPreset(target, name, value);
}

void TargetType(TOptionTarget& target, const std::string&, const std::string& value) {
    for (const char* norm : {"pal", "ntsc", "film"}) {
        const std::string prefix = std::string(norm) + "-";
        if (value.starts_with(prefix)) {
            ApplyTarget(target, value.substr(prefix.size()), norm, "ntsc");
            return;
        }
    }
    ApplyTarget(target, value, "", "ntsc");
}

template <AVMediaType Type> void NewStream(TOptionTarget& target, const std::string&, const std::string&) {
    if (target.OpenedOutputCount() <= 0) {
        Raise("At least one output file must be specified");
    }
    target.AddStreamToLastOutput(Type);
}

void VideoHook(TOptionTarget& target, const std::string&, const std::string& value) {
    std::shared_ptr<TFrameHookModule> hook = CreateFrameHook(value);
    if (!hook) {
        throw FFmpegException("Failed to add video hook function: " + value);
    }
    S(target).FrameHooks.push_back(std::move(hook));
}

using TS = TEngineSettings;

constexpr TOptionEntry Table[] = {
    {"L", DoNothing},
    {"h", DoNothing},
    {"version", DoNothing},
    {"formats", DoNothing},
    {"codecs", DoNothing},
    {"bsfs", DoNothing},
    {"protocols", DoNothing},
    {"filters", DoNothing},
    {"i", DoNothing},
    {"y", DoNothing},
    {"benchmark", DoNothing},
    {"threads", CodecThreads},
    {"padtop", Pad},
    {"padbottom", Pad},
    {"padleft", Pad},
    {"padright", Pad},
    {"padcolor", Pad},
    {"timelimit", TimeLimit},
    {"loglevel", LogLevel},
    {"f", Format},
    {"map", Map},
    {"map_meta_data", MapMetaData},
    {"t", RecordingTime},
    {"fs", FileSize},
    {"ss", StartTime},
    {"itsoffset", TimestampOffset},
    {"itsscale", TimestampScale},
    {"timestamp", Timestamp},
    {"metadata", Metadata},
    {"dframes", SetInteger<&TS::MaxDataFrames>},
    {"vframes", SetInteger<&TS::MaxVideoFrames>},
    {"aframes", SetInteger<&TS::MaxAudioFrames>},
    {"dump", SetBoolean<&TS::DoPktDump>},
    {"hex", SetBoolean<&TS::DoHexDump>},
    {"re", SetBoolean<&TS::RateEmulation>},
    {"loop_input", SetBoolean<&TS::LoopInput>},
    {"shortest", SetBoolean<&TS::OptShortest>},
    {"intra", SetBoolean<&TS::IntraOnly>},
    {"vn", SetBoolean<&TS::VideoDisable>},
    {"sameq", SetBoolean<&TS::SameQuality>},
    {"deinterlace", Deinterlace},
    {"psnr", SetBoolean<&TS::DoPsnr>},
    {"qphist", SetBoolean<&TS::QpHist>},
    {"force_fps", SetBoolean<&TS::ForceFps>},
    {"an", SetBoolean<&TS::AudioDisable>},
    {"sn", SetBoolean<&TS::SubtitleDisable>},
    {"isync", SetBoolean<&TS::InputSync>},
    {"copyts", SwitchOn<&TS::CopyTimestamps>},
    {"xerror", SwitchOn<&TS::ExitOnError>},
    {"loop_output", SetInteger<&TS::LoopOutput>},
    {"v", SetInteger<&TS::Verbose>},
    {"vsync", SetInteger<&TS::VideoSyncMethod>},
    {"async", SetInteger<&TS::AudioSyncMethod>},
    {"vglobal", SetInteger<&TS::VideoGlobalHeader>},
    {"programid", SetInteger<&TS::ProgramId>},
    {"copyinkf", SetInteger<&TS::CopyInitialNonKeyFrames>},
    {"vdt", SetInteger<&TS::VideoDiscard>},
    {"top", SetInteger<&TS::TopFieldFirst>},
    {"dc", SetInteger<&TS::IntraDcPrecision>},
    {"me_threshold", SetInteger<&TS::MeThreshold>},
    {"vol", SetInteger<&TS::AudioVolume>},
    {"vc", SetInteger<&TS::VideoChannel>},
    {"atrack", SetInteger<&TS::AudioTrack>},
    {"keepsub", SetInteger<&TS::KeepSubtitleTrack>},
    {"burnsub", SetInteger<&TS::BurnSubtitleTrack>},
    {"adrift_threshold", SetReal<&TS::AudioDriftThreshold>},
    {"dts_delta_threshold", SetReal<&TS::DtsDeltaThreshold>},
    {"aq", SetReal<&TS::AudioQScale>},
    {"muxdelay", SetReal<&TS::MuxMaxDelay>},
    {"muxpreload", SetReal<&TS::MuxPreload>},
    {"qscale", QScale},
    {"ar", SetPositiveOrKeep<&TS::AudioSampleRate>},
    {"ac", SetPositiveOrKeep<&TS::AudioChannels>},
    {"croptop", Crop<&TS::FrameTopBand, &TS::FrameHeight>},
    {"cropbottom", Crop<&TS::FrameBottomBand, &TS::FrameHeight>},
    {"cropleft", Crop<&TS::FrameLeftBand, &TS::FrameWidth>},
    {"cropright", Crop<&TS::FrameRightBand, &TS::FrameWidth>},
    {"pass", Pass},
    {"passlogfile", SetText<&TS::PassLogFileName>},
    {"vlang", SetText<&TS::VideoLanguage>},
    {"alang", SetText<&TS::AudioLanguage>},
    {"slang", SetText<&TS::SubtitleLanguage>},
    {"vfilters", VideoFilters},
    {"vf", VideoFilters},
    {"rc_override", SetText<&TS::VideoRcOverrideString>},
    {"tvstd", SetText<&TS::TvStd>},
    {"vstats_file", SetText<&TS::VStatsFileName>},
    {"vstats", VStats},
    {"vcodec", Codec<&TS::VideoCodecName, &TS::VideoStreamCopy>},
    {"acodec", Codec<&TS::AudioCodecName, &TS::AudioStreamCopy>},
    {"scodec", Codec<&TS::SubtitleCodecName, &TS::SubtitleStreamCopy>},
    {"vtag", CodecTag<&TS::VideoCodecTag>},
    {"atag", CodecTag<&TS::AudioCodecTag>},
    {"stag", CodecTag<&TS::SubtitleCodecTag>},
    {"r", FrameRate},
    {"s", FrameSize},
    {"aspect", Aspect},
    {"pix_fmt", PixelFormat},
    {"sample_fmt", SampleFormat},
    {"intra_matrix", QuantMatrix<&TS::IntraMatrix>},
    {"inter_matrix", QuantMatrix<&TS::InterMatrix>},
    {"streamid", StreamId},
    {"b", BitRate},
    {"vb", BitRate},
    {"ab", BitRate},
    {"absf", BitstreamFilter<&TS::AudioBitstreamFilters>},
    {"vbsf", BitstreamFilter<&TS::VideoBitstreamFilters>},
    {"sbsf", BitstreamFilter<&TS::SubtitleBitstreamFilters>},
    {"apre", Preset},
    {"vpre", Preset},
    {"spre", Preset},
    {"fpre", Preset},
    {"target", TargetType},
    {"newvideo", NewStream<AVMEDIA_TYPE_VIDEO>},
    {"newaudio", NewStream<AVMEDIA_TYPE_AUDIO>},
    {"newsubtitle", NewStream<AVMEDIA_TYPE_SUBTITLE>},
    {"vhook", VideoHook},
};

} // namespace

std::span<const TOptionEntry> OptionTable() {
    return Table;
}

const TOptionEntry* FindOption(std::string_view name) {
    auto it = std::find_if(std::begin(Table), std::end(Table),
                           [&](const TOptionEntry& e) { return e.Name == name; });
    return it == std::end(Table) ? nullptr : it;
}

void DispatchOption(TOptionTarget& target, const std::string& name, const std::string& value) {
    if (const TOptionEntry* entry = FindOption(name)) {
        entry->Handler(target, name, value);
        return;
    }
    SetGenericOption(target.OptionContexts(), name, value);
}
