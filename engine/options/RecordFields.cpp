#include "engine/RecordFields.h"

namespace {

using K = TFieldOption;
using I = TInputOptions;
using O = TOutputOptions;
using S = TStreamInfo;

const TRecordField<I> InputFields[] = {
    {"FileName", &I::FileName},
    {"FileFormat", &I::FileFormat, "f", K::Text},
    {"StartTime", &I::StartTime, "ss", K::Time},
    {"ProgramID", &I::ProgramID, "programid", K::NonNegative},
    {"ExtOptions", &I::ExtOptions},
    {"Reserved1", &I::Reserved1},
    {"Reserved2", &I::Reserved2},
};

// The codecs, presets, FrameSize and VideoFilters go through the component's
// default list, the target fields through the "target" option.
const TRecordField<O> OutputFields[] = {
    {"FileName", &O::FileName},
    {"Reserved", &O::Reserved},
    {"FileFormat", &O::FileFormat, "f", K::Text},
    {"PacketSize", &O::PacketSize, "packetsize", K::Positive},
    {"MuxRate", &O::MuxRate, "muxrate", K::Positive},
    {"MuxMaxDelay", &O::MuxMaxDelay, "muxdelay", K::Positive},
    {"MuxPreload", &O::MuxPreload, "muxpreload", K::Positive},
    {"AudioCodec", &O::AudioCodec},
    {"AudioPreset", &O::AudioPreset},
    {"DisableAudio", &O::DisableAudio, "an", K::Flag},
    {"AudioVolume", &O::AudioVolume, "vol", K::NonNegative},
    {"AudioChannels", &O::AudioChannels, "ac", K::Positive},
    {"AudioSampleRate", &O::AudioSampleRate, "ar", K::Positive},
    {"AudioBitrate", &O::AudioBitrate, "ab", K::Positive},
    {"AudioBitrateTolerance", &O::AudioBitrateTolerance, "abt", K::Positive},
    {"AudioLanguage", &O::AudioLanguage, "alang", K::Always},
    {"AudioSyncMethod", &O::AudioSyncMethod, "async", K::Always},
    {"AudioTag", &O::AudioTag, "atag", K::Text},
    {"VideoCodec", &O::VideoCodec},
    {"VideoPreset", &O::VideoPreset},
    {"DisableVideo", &O::DisableVideo, "vn", K::Flag},
    {"FrameRate", &O::FrameRate, "r", K::Text},
    {"FrameSize", &O::FrameSize},
    {"FrameAspectRatio", &O::FrameAspectRatio, "aspect", K::Text},
    {"CropTop", &O::CropTop, "croptop", K::Positive},
    {"CropBottom", &O::CropBottom, "cropbottom", K::Positive},
    {"CropLeft", &O::CropLeft, "cropleft", K::Positive},
    {"CropRight", &O::CropRight, "cropright", K::Positive},
    {"GOPSize", &O::GOPSize, "g", K::Positive},
    {"VideoBitrate", &O::VideoBitrate, "vb", K::Positive},
    {"VideoMaxRate", &O::VideoMaxRate, "maxrate", K::Positive},
    {"VideoMinRate", &O::VideoMinRate, "minrate", K::Positive},
    {"VideoBitrateTolerance", &O::VideoBitrateTolerance, "bt", K::Positive},
    {"VideoBufferSize", &O::VideoBufferSize, "bufsize", K::Positive},
    {"VideoSyncMethod", &O::VideoSyncMethod, "vsync", K::Always},
    {"VideoTag", &O::VideoTag, "vtag", K::Text},
    {"VideoFilters", &O::VideoFilters},
    {"VideoLanguage", &O::VideoLanguage, "vlang", K::Always},
    {"SubtitleCodec", &O::SubtitleCodec},
    {"SubtitlePreset", &O::SubtitlePreset},
    {"DisableSubtitle", &O::DisableSubtitle, "sn", K::Flag},
    {"SubtitleLanguage", &O::SubtitleLanguage, "slang", K::Always},
    {"InputSync", &O::InputSync, "isync", K::OneOrZero},
    {"CopyTimestamps", &O::CopyTimestamps, "copyts", K::Flag},
    {"StartTime", &O::StartTime, "ss", K::Time},
    {"Duration", &O::Duration, "t", K::Time},
    {"TargetType", &O::TargetType},
    {"NormType", &O::NormType},
    {"DefaultNorm", &O::DefaultNorm},
    {"CustomHook", &O::CustomHook},
    {"Join", &O::Join},
    {"ExtOptions", &O::ExtOptions},
    {"Reserved1", &O::Reserved1},
    {"Reserved2", &O::Reserved2},
};

const TRecordField<S> InfoFields[] = {
    {"TimeStamp", &S::TimeStamp}, {"Year", &S::Year},     {"Track", &S::Track},
    {"Title", &S::Title},         {"Author", &S::Author}, {"Copyright", &S::Copyright},
    {"Comment", &S::Comment},     {"Album", &S::Album},   {"Genre", &S::Genre},
};

} // namespace

std::span<const TRecordField<TInputOptions>> InputRecordFields() {
    return InputFields;
}

std::span<const TRecordField<TOutputOptions>> OutputRecordFields() {
    return OutputFields;
}

std::span<const TRecordField<TStreamInfo>> InfoRecordFields() {
    return InfoFields;
}
