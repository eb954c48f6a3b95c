#include "options/Target.h"

#include "engine/FFmpegException.h"
#include "media/FFmpegLogger.h"
#include "options/OptionTable.h"
#include "options/OptionTarget.h"

#include <cmath>

namespace {

constexpr int NtscRate = 29970; // frames per 1000 s
constexpr int FilmRate = 23976;
constexpr int PalRate = 25000;

// Frames per 1000 seconds, rounded, so that 30000/1001 and 24000/1001 compare exactly.
long RateInMillihertz(AVRational rate) {
    return std::lround(1000.0 * rate.num / rate.den);
}

bool Decides(long rate, TTargetNorm& norm) {
    if (rate == NtscRate || rate == FilmRate) {
        norm = tnNtsc;
        return true;
    }
    if (rate == PalRate) {
        norm = tnPal;
        return true;
    }
    return false;
}

void Generic(TOptionTarget& target, const char* name, const char* value) {
    SetGenericOption(target.OptionContexts(), name, value);
}

void AssumeAspect(TOptionTarget& target, const char* aspect) {
    if (target.Settings().FrameAspectRatio == 0.0f) {
        GetLogger().LogFmt(nullptr, llInfo, "Assuming %s for aspect ratio", aspect);
        DispatchOption(target, "aspect", aspect);
    }
}

void StereoFromMono(TOptionTarget& target) {
    if (target.Settings().AudioChannels == 1) {
        target.Settings().AudioChannels = 2;
    }
}

} // namespace

const char* NormFrameRate(TTargetNorm norm) {
    switch (norm) {
    case tnPal:
        return "25";
    case tnNtsc:
        return "30000/1001";
    case tnFilm:
        return "24000/1001";
    }
    return "25";
}

TTargetNorm ResolveTargetNorm(TOptionTarget& target, const std::string& norm, const std::string& fallback) {
    if (norm == "pal") {
        return tnPal;
    }
    if (norm == "ntsc") {
        return tnNtsc;
    }
    if (norm == "film") {
        return tnFilm;
    }
    const AVRational rate = target.Settings().FrameRate;
    if (rate.den == 0) {
        throw FFmpegException("frame_rate is invalid.");
    }
    TTargetNorm result = tnPal;
    bool decided = Decides(RateInMillihertz(rate), result);
    if (!decided) {
        for (AVRational input : target.InputVideoFrameRates()) {
            if (input.den != 0 && Decides(RateInMillihertz(input), result)) {
                decided = true;
                break;
            }
        }
    }
    if (!decided) {
        result = fallback == "film" ? tnFilm : fallback == "ntsc" ? tnNtsc : tnPal;
    }
    if (target.Settings().Verbose > 0) {
        GetLogger().LogFmt(nullptr, llVerbose, "Assuming %s for target.", result == tnPal ? "PAL" : "NTSC");
    }
    return result;
}

void ApplyTarget(TOptionTarget& target, const std::string& type, const std::string& normText,
                 const std::string& fallback) {
    const TTargetNorm norm = ResolveTargetNorm(target, normText, fallback);
    const bool pal = norm == tnPal;
    TEngineSettings& settings = target.Settings();
    if (type == "vcd") {
        DispatchOption(target, "vcodec", "mpeg1video");
        DispatchOption(target, "acodec", "mp2");
        DispatchOption(target, "f", "vcd");
        DispatchOption(target, "s", pal ? "352x288" : "352x240");
        DispatchOption(target, "r", NormFrameRate(norm));
        Generic(target, "g", pal ? "15" : "18");
        Generic(target, "b", "1150000");
        Generic(target, "maxrate", "1150000");
        Generic(target, "minrate", "1150000");
        Generic(target, "bufsize", "327680");
        Generic(target, "ab", "224000");
        settings.AudioSampleRate = 44100;
        settings.AudioChannels = 2;
        Generic(target, "packetsize", "2324");
        Generic(target, "muxrate", "1411200");
        // One VCD sector of video buffering plus three of audio, in 90 kHz ticks.
        settings.MuxPreload = (36000 + 3 * 1200) / 90000.0f;
        AssumeAspect(target, "4:3");
    } else if (type == "svcd") {
        DispatchOption(target, "vcodec", "mpeg2video");
        DispatchOption(target, "acodec", "mp2");
        DispatchOption(target, "f", "svcd");
        DispatchOption(target, "s", pal ? "480x576" : "480x480");
        DispatchOption(target, "r", NormFrameRate(norm));
        Generic(target, "g", pal ? "15" : "18");
        Generic(target, "b", "2040000");
        Generic(target, "maxrate", "2516000");
        Generic(target, "minrate", "0");
        Generic(target, "bufsize", "1835008");
        Generic(target, "flags", "+scan_offset");
        Generic(target, "ab", "224000");
        settings.AudioSampleRate = 44100;
        Generic(target, "packetsize", "2324");
        StereoFromMono(target);
        AssumeAspect(target, "4:3");
    } else if (type == "dvd") {
        DispatchOption(target, "vcodec", "mpeg2video");
        DispatchOption(target, "acodec", "ac3");
        DispatchOption(target, "f", "dvd");
        DispatchOption(target, "s", pal ? "720x576" : "720x480");
        DispatchOption(target, "r", NormFrameRate(norm));
        Generic(target, "g", pal ? "15" : "18");
        Generic(target, "b", "6000000");
        Generic(target, "maxrate", "9000000");
        Generic(target, "minrate", "0");
        Generic(target, "bufsize", "1835008");
        Generic(target, "packetsize", "2048");
        Generic(target, "muxrate", "10080000");
        Generic(target, "ab", "448000");
        settings.AudioSampleRate = 48000;
        StereoFromMono(target);
        AssumeAspect(target, "16:9");
    } else if (type == "dv" || type == "dv50") {
        DispatchOption(target, "f", "dv");
        DispatchOption(target, "s", pal ? "720x576" : "720x480");
        DispatchOption(target, "pix_fmt", type == "dv50" ? "yuv422p" : pal ? "yuv420p" : "yuv411p");
        DispatchOption(target, "r", NormFrameRate(norm));
        settings.AudioSampleRate = 48000;
        settings.AudioChannels = 2;
    } else {
        throw FFmpegException("Unknown target type");
    }
}
