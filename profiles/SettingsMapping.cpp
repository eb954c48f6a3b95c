#include "profiles/SettingsMapping.h"

#include "profiles/ConstantQuality.h"
#include "profiles/OutputProfile.h"
#include "profiles/Translation.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace {

constexpr TVideoEncoderRow VideoEncoders[] = {
    {"mpeg4/DX50///", "mpeg4", "DX50"},
    {"msmpeg4////", "msmpeg4"},
    {"mpeg4/XVID///", "mpeg4", "XVID"},
    {"libxvid////", "libxvid"},
    {"mpeg4////", "mpeg4"},
    {"libx264////", "libx264"},
    {"mjpeg////", "mjpeg"},
    {"rv10////", "rv10"},
    {"rv20////", "rv20"},
    {"wmv2////", "wmv2"},
    {"mpeg1video////", "mpeg1video"},
    {"msmpeg4//asf//", "msmpeg4", {}, "asf"},
    {"////"}, // the container's own encoder
    {"///dvd/PAL", {}, {}, {}, "dvd", "PAL", "_PAL.mpg"},
    {"///dvd/NTSC", {}, {}, {}, "dvd", "NTSC", "_NTSC.mpg"},
    {"///svcd/PAL", {}, {}, {}, "svcd", "PAL", "_PAL.mpg"},
    {"///svcd/NTSC", {}, {}, {}, "svcd", "NTSC", "_NTSC.mpg"},
    {"///vcd/PAL", {}, {}, {}, "vcd", "PAL", "_PAL.mpg"},
    {"///vcd/NTSC", {}, {}, {}, "vcd", "NTSC", "_NTSC.mpg"},
};

// The whole text as an integer; none when anything else is in it.
std::optional<int64_t> WholeInteger(std::string_view text) {
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty())
        return std::nullopt;
    return value;
}

// Hours, minutes and seconds boxes as milliseconds; the boxes hold digits only.
int64_t BoxesToMilliseconds(const TClipBoxes& boxes, size_t first) {
    int64_t seconds = 0;
    for (const int64_t unit : {3600, 60, 1})
        seconds += WholeInteger(boxes[first++]).value_or(0) * unit;
    return seconds * 1000;
}

} // namespace

std::span<const TVideoEncoderRow> VideoEncoderRows() {
    return VideoEncoders;
}

const TVideoEncoderRow* FindVideoEncoderRow(std::string_view key) {
    const auto it = std::find_if(std::begin(VideoEncoders), std::end(VideoEncoders),
                                 [key](const TVideoEncoderRow& r) { return r.Key == key; });
    return it == std::end(VideoEncoders) ? nullptr : it;
}

void ApplyDiscPreset(const TVideoEncoderRow& row, std::string_view outputFolder,
                     TConversionSettings& settings) {
    settings.Target = row.DiscTarget;
    settings.TVStandard = row.DiscStandard;
    settings.AudioChannels.clear();
    settings.AudioSampleRate.clear();
    settings.FrameSize.clear();
    settings.FrameRate.clear();
    settings.Volume = "256";
    settings.AspectRatio.clear();
    settings.VideoBitRate = TConversionSettings::NotSetBitRate;
    settings.VideoQuality.clear();
    settings.AudioBitRate = TConversionSettings::NotSetBitRate;
    settings.OutputFormat.clear();
    settings.VideoTag.clear();
    settings.VideoCodec.clear();
    settings.AudioCodec.clear();
    // Formed from the source each time, so a second confirmation names the same file.
    settings.OutputFile = OutputPathFor(outputFolder, settings.SourceFile, row.DiscSuffix);
}

void MapChoicesToSettings(const TChosenItems& chosen, const TMappingContext& context,
                          TConversionSettings& settings) {
    using enum TChoiceRole;
    if (const auto& channels = chosen.Value(crChannels))
        settings.AudioChannels = *channels;

    settings.AudioSampleRate = chosen.Value(crSampleRate).value_or("");

    if (const auto& audioRate = chosen.Value(crAudioBitRate))
        if (const auto rate = WholeInteger(*audioRate))
            settings.AudioBitRate = static_cast<int32_t>(*rate);

    settings.FrameSize = chosen.Value(crFrameSize).value_or("");
    settings.FrameRate = chosen.Value(crFrameRate).value_or("");

    if (const auto& aspect = chosen.Value(crAspect))
        settings.AspectRatio = *aspect;

    const std::string videoRate = chosen.Value(crVideoBitRate).value_or("");
    const bool constantQuality = QualityLevel(videoRate).has_value();
    if (constantQuality)
        settings.VideoBitRate = TConversionSettings::NotSetBitRate;
    else if (const auto rate = WholeInteger(videoRate))
        settings.VideoBitRate = static_cast<int32_t>(*rate);

    if (const TVideoEncoderRow* row = FindVideoEncoderRow(chosen.Value(crVideoEncoder).value_or(""))) {
        if (!row->DiscTarget.empty()) {
            ApplyDiscPreset(*row, context.OutputFolder, settings);
        } else {
            settings.VideoCodec = row->Codec;
            if (!row->Tag.empty())
                settings.VideoTag = row->Tag;
            if (!row->Format.empty())
                settings.OutputFormat = row->Format;
        }
    }
    // The quality's scale is the encoder's, known only now; a disc encoder
    // cleared the encoder, and with it the quality.
    settings.VideoQuality = constantQuality ? QualityOptionLine(settings.VideoCodec, videoRate) : "";

    settings.VideoFilters.clear();
    for (const auto& [ticked, name] :
         {std::pair{chosen.HorizontalFlip, "hflip"}, std::pair{chosen.VerticalFlip, "vflip"},
          std::pair{chosen.Negative, "negate"}}) {
        if (!ticked)
            continue;
        if (!settings.VideoFilters.empty())
            settings.VideoFilters += ',';
        settings.VideoFilters += name;
    }

    settings.Deinterlace = context.MediaKind == MediaKindMusic ? TDeinterlace::Off : chosen.Deinterlace;

    if (const auto& audioCodec = chosen.Value(crAudioEncoder))
        settings.AudioCodec = *audioCodec;

    settings.Target = context.PendingTarget;
    settings.AudioOnly = context.MediaKind == MediaKindMusic;

    if (const auto& volume = chosen.Value(crVolume))
        settings.Volume = *volume;
}

TClipCheck ApplyClipRange(bool clipTicked, TClipBoxes& boxes, std::optional<int64_t> sourceSeconds,
                          TConversionSettings& settings) {
    if (!clipTicked) {
        settings.ClipStart = 0;
        settings.ClipMode = ClipNoSelect;
        return TClipCheck::ccAccepted;
    }
    for (std::string& box : boxes)
        if (box.empty())
            box = "00";
    const int64_t start = BoxesToMilliseconds(boxes, 0);
    const int64_t stop = BoxesToMilliseconds(boxes, 3);
    // Without a duration the range cannot be checked; refusing it beats
    // comparing with another file's length.
    if (!sourceSeconds)
        return TClipCheck::ccDurationUnknown;
    if (stop > *sourceSeconds * 1000)
        return TClipCheck::ccStopPastDuration;
    if (stop <= start)
        return TClipCheck::ccStopNotAfterStart;
    settings.ClipStart = start;
    settings.ClipLength = stop - start;
    settings.ClipMode = ClipSelect;
    return TClipCheck::ccAccepted;
}

std::string_view ClipMessage(TClipCheck check) {
    switch (check) {
    case TClipCheck::ccStopPastDuration:
        return VT_TR("截取时间设置错误，不允许停止时间大于时间长度！");
    case TClipCheck::ccStopNotAfterStart:
        return VT_TR("截取时间设置错误，不允许起始时间大于等于停止时间！");
    case TClipCheck::ccDurationUnknown:
        return VT_TR("无法读取视频源的时间长度，不能截取视频！");
    case TClipCheck::ccAccepted:
        break;
    }
    return {};
}
