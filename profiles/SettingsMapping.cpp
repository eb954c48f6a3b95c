#include "profiles/SettingsMapping.h"

#include "profiles/ConstantQuality.h"
#include "profiles/OutputProfile.h"
#include "profiles/Translation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

constexpr TVideoEncoderRow VideoEncoders[] = {
    {VT_TR("Divx 5 视频压缩器"), "mpeg4", "DX50"},
    {VT_TR("Divx 视频压缩器"), "msmpeg4"},
    {VT_TR("XviD 视频压缩器1"), "mpeg4", "XVID"},
    {VT_TR("XviD 视频压缩器2"), "libxvid"},
    {VT_TR("MPEG4 视频压缩器"), "mpeg4"},
    {VT_TR("MPEG4视频压缩器"), "mpeg4"},
    {VT_TR("H264/AVC高清视频压缩器"), "libx264"},
    {VT_TR("Mjpeg 视频压缩器"), "mjpeg"},
    {VT_TR("RM视频压缩器1"), "rv10"},
    {VT_TR("RM视频压缩器2"), "rv20"},
    {VT_TR("WMV视频压缩器"), "wmv2"},
    {VT_TR("MPEG视频压缩器"), "mpeg1video"},
    {VT_TR("ASF视频压缩器"), "msmpeg4", {}, "asf"},
    {VT_TR("FLASH格式视频压缩器")},
    {VT_TR("FLV格式视频压缩器")},
    {VT_TR("QuickTime视频压缩器")},
    {VT_TR("该格式无视频")},
    {VT_TR("PAL_DVD视频压缩器"), {}, {}, {}, "dvd", "PAL", "_PAL.mpg"},
    {VT_TR("NTSC_DVD视频压缩器"), {}, {}, {}, "dvd", "NTSC", "_NTSC.mpg"},
    {VT_TR("PAL_SVCD视频压缩器"), {}, {}, {}, "svcd", "PAL", "_PAL.mpg"},
    {VT_TR("NTSC_SVCD视频压缩器"), {}, {}, {}, "svcd", "NTSC", "_NTSC.mpg"},
    {VT_TR("PAL_VCD视频压缩器"), {}, {}, {}, "vcd", "PAL", "_PAL.mpg"},
    {VT_TR("NTSC_VCD视频压缩器"), {}, {}, {}, "vcd", "NTSC", "_NTSC.mpg"},
};

constexpr TAudioEncoderRow AudioEncoders[] = {
    {VT_TR("MP3音频编码器"), "libmp3lame"},
    {VT_TR("Flac音频编码器"), "flac"},
    {VT_TR("AAC音频编码器"), "libfaac"},
    {VT_TR("AC3音频编码器"), "ac3"},
    {VT_TR("自动音频编码器"), AutoSetting},
    {VT_TR("WMV音频编码器"), "wmav2"},
    {VT_TR("WMA音频编码器"), "wmav2"},
    {VT_TR("ASF音频编码器1"), "wmav2"},
    {VT_TR("ASF音频编码器2"), "wmav1"},
    {VT_TR("OGG音频编码器"), "libvorbis"},
    {VT_TR("AMR音频编码器"), "libopencore_amrnb"},
    {VT_TR("WAVE音频编码器"), {}},
    {VT_TR("RM音频编码器"), {}},
    {VT_TR("MP2音频编码器"), {}},
};

constexpr TVolumeRow Volumes[] = {
    {VT_TR("无声音"), "0"},          {VT_TR("音量降低90%"), "26"},   {VT_TR("音量降低80%"), "51"},
    {VT_TR("音量降低70%"), "77"},    {VT_TR("音量降低60%"), "102"},  {VT_TR("音量降低50%"), "128"},
    {VT_TR("音量降低40%"), "154"},   {VT_TR("音量降低30%"), "179"},  {VT_TR("音量降低20%"), "205"},
    {VT_TR("音量降低10%"), "230"},   {VT_TR("音量保持不变"), "256"}, {VT_TR("音量增加10%"), "282"},
    {VT_TR("音量增加20%"), "307"},   {VT_TR("音量增加30%"), "333"},  {VT_TR("音量增加40%"), "358"},
    {VT_TR("音量增加50%"), "384"},   {VT_TR("音量增加60%"), "410"},  {VT_TR("音量增加70%"), "435"},
    {VT_TR("音量增加80%"), "461"},   {VT_TR("音量增加90%"), "486"},  {VT_TR("音量增加1倍"), "512"},
    {VT_TR("音量增加1.5倍"), "640"}, {VT_TR("音量增加2倍"), "768"},  {VT_TR("音量增加3倍"), "1024"},
    {VT_TR("音量增加4倍"), "1280"},  {VT_TR("音量增加5倍"), "1536"}, {VT_TR("音量增加6倍"), "1792"},
    {VT_TR("音量增加7倍"), "2048"},
};

// The fixed list texts the mapping knows besides the tables.
constexpr std::string_view Stereo = VT_TR("立体声");
constexpr std::string_view Mono = VT_TR("单声道");
constexpr std::string_view AutoSampleRate = VT_TR("自动音频采样率");
constexpr std::string_view AutoBitRate = VT_TR("自动音频比特率");
constexpr std::string_view KeepSize = VT_TR("保持原分辨率");
constexpr std::string_view KeepRate = VT_TR("保持原帧速率");
constexpr std::string_view NotApplicable = VT_TR("无");
constexpr std::string_view Aspect43 = VT_TR("普通视频4:3模式");
constexpr std::string_view Aspect169 = VT_TR("宽屏视频16:9模式");

template <typename Row, size_t N> const Row* FindRow(const Row (&rows)[N], std::string_view label) {
    const auto it =
        std::find_if(std::begin(rows), std::end(rows), [label](const Row& r) { return r.Label == label; });
    return it == std::end(rows) ? nullptr : it;
}

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

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
const TVideoEncoderRow* FindVideoEncoderRow(std::string_view label) {
    return FindRow(VideoEncoders, label);
}
std::span<const TAudioEncoderRow> AudioEncoderRows() {
    return AudioEncoders;
}
const TAudioEncoderRow* FindAudioEncoderRow(std::string_view label) {
    return FindRow(AudioEncoders, label);
}
std::span<const TVolumeRow> VolumeRows() {
    return Volumes;
}
const TVolumeRow* FindVolumeRow(std::string_view label) {
    return FindRow(Volumes, label);
}

std::string FrameSizeValue(std::string_view item) {
    return std::string(item.substr(0, item.find(' ')));
}

std::optional<int32_t> VideoBitRateFromText(std::string_view text) {
    if (text == NotApplicable)
        return TConversionSettings::NotSetBitRate;
    const auto kbits = WholeInteger(Trim(text.substr(0, text.find("kbps"))));
    if (!kbits)
        return std::nullopt;
    return static_cast<int32_t>(*kbits * 1000);
}

std::optional<int32_t> AudioBitRateFromText(std::string_view text) {
    if (text == AutoBitRate)
        return TConversionSettings::NotSetBitRate;
    if (text.find('.') == std::string_view::npos) {
        const auto kbits = WholeInteger(text);
        return kbits ? std::optional<int32_t>(static_cast<int32_t>(*kbits * 1000)) : std::nullopt;
    }
    double kbits = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), kbits);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return static_cast<int32_t>(std::lround(kbits * 1000));
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
    const std::string& channels = chosen.Item(crChannels);
    if (channels == Stereo)
        settings.AudioChannels = "2";
    else if (channels == Mono)
        settings.AudioChannels = "1";

    const std::string& sampleRate = chosen.Item(crSampleRate);
    settings.AudioSampleRate = sampleRate == AutoSampleRate ? std::string(AutoSetting) : sampleRate;

    if (const auto rate = AudioBitRateFromText(chosen.Item(crAudioBitRate)))
        settings.AudioBitRate = *rate;

    const std::string& size = chosen.Item(crFrameSize);
    settings.FrameSize = size == KeepSize || size == NotApplicable ? std::string() : FrameSizeValue(size);

    const std::string& frameRate = chosen.Item(crFrameRate);
    settings.FrameRate = frameRate == KeepRate || frameRate == NotApplicable ? std::string() : frameRate;

    const std::string& aspect = chosen.Item(crAspect);
    if (aspect == Aspect43)
        settings.AspectRatio = "4:3";
    else if (aspect == Aspect169)
        settings.AspectRatio = "16:9";
    else if (aspect == NotApplicable)
        settings.AspectRatio.clear();

    const std::string& videoRate = chosen.Item(crVideoBitRate);
    const bool constantQuality = QualityLevel(videoRate).has_value();
    if (constantQuality)
        settings.VideoBitRate = TConversionSettings::NotSetBitRate;
    else if (const auto rate = VideoBitRateFromText(videoRate))
        settings.VideoBitRate = *rate;

    if (const TVideoEncoderRow* row = FindVideoEncoderRow(chosen.Item(crVideoEncoder))) {
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

    if (const TAudioEncoderRow* row = FindAudioEncoderRow(chosen.Item(crAudioEncoder)))
        settings.AudioCodec = row->Codec;

    settings.Target = context.PendingTarget;
    settings.AudioOnly = context.MediaKind == MediaKindMusic;

    if (const TVolumeRow* row = FindVolumeRow(chosen.Item(crVolume)))
        settings.Volume = row->Volume;
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
