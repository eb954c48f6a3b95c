#include "profiles/BuildOptions.h"

#include "media/FFmpegLogger.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <string_view>

namespace {

// A setting's integer value; none (logged) for a text that is no integer, so
// a damaged setting never becomes a random number.
std::optional<int> IntegerSetting(std::string_view name, const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc() && end == text.data() + text.size())
        return value;
    GetLogger().LogFmt(nullptr, llWarning, "Ignoring the setting %.*s: \"%s\" is no integer",
                       static_cast<int>(name.size()), name.data(), text.c_str());
    return std::nullopt;
}

int TargetKind(const std::string& target) {
    if (target == "vcd")
        return 1;
    if (target == "svcd")
        return 2;
    if (target == "dvd")
        return 3;
    return 0;
}

int NormKind(const std::string& standard) {
    if (standard == "PAL")
        return 1;
    if (standard == "NTSC")
        return 2;
    return 0;
}

bool HasDatExtension(const std::string& path) {
    if (path.size() < 4)
        return false;
    std::string ext = path.substr(path.size() - 4);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".dat";
}

void AppendOptionLine(TOutputOptions& output, const std::string& line) {
    if (!output.ExtOptions.empty())
        output.ExtOptions += '\n';
    output.ExtOptions += line;
}

// The track picks travel as option lines too. Without subtitles the output
// gets none, whatever its container would add by itself.
void AddTrackPicks(const TConversionSettings& settings, TOutputOptions& output) {
    if (settings.AudioTrack > 0)
        AppendOptionLine(output, "atrack=" + std::to_string(settings.AudioTrack));
    const int subtitleTrack = std::max(0, settings.SubtitleTrack);
    if (settings.Subtitles == SubtitlesKeep) {
        AppendOptionLine(output, "keepsub=" + std::to_string(subtitleTrack));
        return;
    }
    output.DisableSubtitle = true;
    if (settings.Subtitles == SubtitlesBurn)
        AppendOptionLine(output, "burnsub=" + std::to_string(subtitleTrack));
}

} // namespace

void BuildSourceInput(const std::string& sourceFile, TInputOptions& input) {
    InitInputOptions(input);
    input.FileName = sourceFile;
    if (HasDatExtension(sourceFile))
        input.FileFormat = "mpeg";
}

void BuildInputOptions(const TConversionSettings& settings, const std::string& sourceFile,
                       TInputOptions& input) {
    BuildSourceInput(sourceFile, input);
    // A start before the source's beginning (the reset value) means no seek.
    if (settings.ClipStart > 0)
        input.StartTime = settings.ClipStart * 1000;
}

void BuildOutputOptions(const TConversionSettings& settings, const std::string& outputFile,
                        TOutputOptions& output) {
    InitOutputOptions(output);
    output.FileName = outputFile;
    if (!settings.AudioChannels.empty())
        output.AudioChannels =
            IntegerSetting("AudioChannels", settings.AudioChannels).value_or(output.AudioChannels);
    if (!settings.AudioSampleRate.empty() && settings.AudioSampleRate != AutoSetting)
        output.AudioSampleRate =
            IntegerSetting("AudioSampleRate", settings.AudioSampleRate).value_or(output.AudioSampleRate);
    if (!settings.FrameSize.empty())
        output.FrameSize = settings.FrameSize;
    if (!settings.FrameRate.empty())
        output.FrameRate = settings.FrameRate;
    if (!settings.Target.empty())
        output.TargetType = TargetKind(settings.Target);
    output.NormType = NormKind(settings.TVStandard);
    if (settings.Volume != "256")
        output.AudioVolume = IntegerSetting("Volume", settings.Volume).value_or(output.AudioVolume);
    output.DisableVideo = settings.AudioOnly;
    if (!settings.AspectRatio.empty())
        output.FrameAspectRatio = settings.AspectRatio;
    if (settings.VideoBitRate != TConversionSettings::NotSetBitRate)
        output.VideoBitrate = settings.VideoBitRate;
    if (settings.AudioBitRate != TConversionSettings::NotSetBitRate &&
        settings.AudioBitRate != TConversionSettings::AutoAudioBitRate)
        output.AudioBitrate = settings.AudioBitRate;
    if (!settings.OutputFormat.empty())
        output.FileFormat = settings.OutputFormat;
    if (!settings.VideoFilters.empty())
        output.VideoFilters = settings.VideoFilters;
    if (!settings.VideoTag.empty())
        output.VideoTag = settings.VideoTag;
    if (!settings.AudioCodec.empty() && settings.AudioCodec != AutoSetting)
        output.AudioCodec = settings.AudioCodec;

    if (!settings.VideoCodec.empty()) {
        output.VideoCodec = settings.VideoCodec;
        if (settings.VideoCodec == "libx264")
            output.VideoPreset = "libx264-default";
        // The MPEG-4 tags only make sense in AVI; other containers get the
        // encoder's own tag.
        if (settings.VideoCodec == "mpeg4") {
            if ((settings.VideoTag == "DX50" || settings.VideoTag == "XVID") && settings.ProfileExt == ".avi")
                output.VideoTag = settings.VideoTag;
            else
                output.VideoTag.clear();
        }
    }

    // Deinterlacing has no field of its own either: its option line goes with the job.
    if (const std::string line = DeinterlaceOptionLine(settings.Deinterlace);
        !line.empty() && !settings.AudioOnly) {
        if (!output.ExtOptions.empty())
            output.ExtOptions += '\n';
        output.ExtOptions += line;
    }

    // Constant quality has no field of its own in the record: it travels as
    // the encoder's option line, which the job list keeps with the record.
    if (!settings.VideoQuality.empty() && !settings.AudioOnly)
        AppendOptionLine(output, settings.VideoQuality);
    AddTrackPicks(settings, output);

    if (settings.ClipMode == ClipSelect && settings.ClipLength > 0)
        output.Duration = settings.ClipLength * 1000;
}

void BuildOptions(const TConversionSettings& settings, const std::string& sourceFile,
                  const std::string& outputFile, TInputOptions& input, TOutputOptions& output) {
    BuildInputOptions(settings, sourceFile, input);
    BuildOutputOptions(settings, outputFile, output);
}
