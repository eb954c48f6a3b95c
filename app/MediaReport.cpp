#include "app/MediaReport.h"

#include "media/AVProbe.h"
#include "profiles/Translation.h"

#include <cstdio>

namespace {

// Text as code points, so that positions count characters.
std::u32string Decode(const std::string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int extra = c < 0x80             ? 0
                          : (c & 0xE0) == 0xC0 ? 1
                          : (c & 0xF0) == 0xE0 ? 2
                          : (c & 0xF8) == 0xF0 ? 3
                                               : -1;
        if (extra < 0 || (extra > 0 && i + static_cast<size_t>(extra) >= text.size())) {
            // A stray byte stands for itself, one character.
            out.push_back(c);
            ++i;
            continue;
        }
        char32_t code = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + static_cast<size_t>(k)]) & 0x3F);
        out.push_back(code);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string Encode(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// 1-based position of the first `what` in `text`, 0 when absent.
long Pos(const std::u32string& what, const std::u32string& text) {
    const auto at = text.find(what);
    return at == std::u32string::npos ? 0 : static_cast<long>(at) + 1;
}
long Pos(const char* what, const std::u32string& text) {
    return Pos(Decode(what), text);
}

// `count` characters from 1-based `start`; a start before 1 counts from 1,
// nothing for a count below 1 or a start past the end.
std::u32string Copy(const std::u32string& text, long start, long count) {
    if (start < 1)
        start = 1;
    const long length = static_cast<long>(text.size());
    if (count < 1 || start > length)
        return {};
    return text.substr(static_cast<size_t>(start - 1), static_cast<size_t>(count));
}

} // namespace

std::string FileSizePiece(const std::string& infoText) {
    const auto t = Decode(infoText);
    const long p = Pos("File Size:", t), q = Pos("Duration:", t);
    return Encode(Copy(t, p + 10, q - p - 10));
}

std::string DurationPiece(const std::string& infoText) {
    const auto t = Decode(infoText);
    const long p = Pos("Duration:", t), q = Pos("StartTime:", t);
    return Encode(Copy(t, p + 9, q - p - 15));
}

std::string BitRatePiece(const std::string& infoText) {
    constexpr long Shown = 10;
    const auto t = Decode(infoText);
    const long p = Pos("Bit Rate:", t), q = Pos("Stream #0", t);
    auto piece = Copy(t, p + 9, q - p - 9);
    if (static_cast<long>(piece.size()) > Shown)
        piece.resize(Shown);
    return Encode(piece);
}

std::string StreamPiece(const std::string& infoText, const std::string& label) {
    const auto t = Decode(infoText);
    const auto l = Decode(label);
    const long v = Pos(l, t), s = Pos(", StartTime:", t);
    if (v <= s)
        return Encode(Copy(t, v, s - v));
    const auto tail = Copy(t, v, static_cast<long>(t.size()) - v);
    const long v2 = Pos(l, tail), s2 = Pos(", StartTime:", tail);
    return Encode(Copy(tail, v2, s2 - v2));
}

std::string ShownStreamText(const std::string& piece) {
    return piece.rfind("File Name", 0) == 0 ? VT_TR("无") : piece;
}

std::string RotationText(const std::string& rotation) {
    if (rotation.empty() || rotation == "0" || rotation == "-1")
        return VT_TR("无");
    return Tr(VT_TR("顺时针")) + rotation + "°";
}

std::string ChannelsText(const std::string& channels) {
    if (channels == "1")
        return VT_TR("单声道");
    if (channels == "2")
        return VT_TR("立体声");
    return {};
}

TMediaReport MakeMediaReport(TCustomAVProbe& probe) {
    TMediaReport r;
    probe.GetFileName(r.FileName);
    probe.GetFormatName(r.FormatName);
    probe.GetFormatReport(r.InfoText);
    probe.GetFormatLongName(r.FormatLongName);
    r.VideoStreamText = StreamPiece(r.InfoText, "Video:");
    r.AudioStreamText = StreamPiece(r.InfoText, "Audio:");
    r.FileSizeText = FileSizePiece(r.InfoText);
    r.DurationText = DurationPiece(r.InfoText);
    r.BitRateText = BitRatePiece(r.InfoText);

    TAudioStreamInfo audio;
    probe.GetAudioStreamInfo(probe.FirstAudioStream(), audio);
    r.SampleRate = std::to_string(audio.SampleRate);
    r.Channels = std::to_string(audio.Channels);
    r.AudioKbps = std::to_string(audio.BitRate / 1000);

    TVideoStreamInfo video;
    probe.GetVideoStreamInfo(probe.FirstVideoStream(), video);
    r.Width = std::to_string(video.Width);
    r.Height = std::to_string(video.Height);
    r.VideoKbps = std::to_string(video.BitRate / 1000);
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.2f",
                  static_cast<double>(video.FrameRateNum) / static_cast<double>(video.FrameRateDen));
    r.FrameRateText = rate;
    r.Rotation = std::to_string(video.Rotation);
    return r;
}
