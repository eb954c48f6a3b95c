// The media information report of one source file: values from the probe's
// stream records and pieces cut out of its information text. The pieces are
// cut by character positions (not bytes), so Chinese file names or metadata
// before a label do not shift them. The information text keeps its CR LF
// line breaks; the pieces count on them.
#pragma once

#include <string>

class TCustomAVProbe;

struct TMediaReport {
    std::string FileName;
    std::string FormatName;
    std::string FormatLongName;
    std::string InfoText;
    std::string FileSizeText;
    std::string DurationText;
    std::string BitRateText;
    std::string VideoStreamText;
    std::string AudioStreamText;
    std::string SampleRate;
    std::string Channels;
    std::string AudioKbps;
    std::string Width;
    std::string Height;
    std::string VideoKbps;
    std::string FrameRateText;
    std::string Rotation; // degrees clockwise that show the video upright, decimal; "-1" without video
};

// Fills every field from `probe`, which holds the opened file (or none: the
// texts then come back empty and the stream values are the probe's "not set").
TMediaReport MakeMediaReport(TCustomAVProbe& probe);

// The pieces of an information text.
std::string FileSizePiece(const std::string& infoText);
std::string DurationPiece(const std::string& infoText);
std::string BitRatePiece(const std::string& infoText);
// `label` is "Video:" or "Audio:".
std::string StreamPiece(const std::string& infoText, const std::string& label);

// What the information window shows for a stream description: "无" when the
// piece is no stream line (it starts with "File Name").
std::string ShownStreamText(const std::string& piece);
// What the information window shows for the rotation: "无" for none (or no
// video), else the clockwise turn, "顺时针90°".
std::string RotationText(const std::string& rotation);
// "单声道", "立体声", or empty for other channel counts.
std::string ChannelsText(const std::string& channels);
