// What the command tests read back from an output file with the probe.
#pragma once

#include "media/AVProbe.h"

#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

struct Stream {
    std::string codec; // empty: the file has no such stream
    int width = 0;
    int height = 0;
};

struct Probed {
    bool opened = false;
    std::string error;
    Stream video;
    std::string audioCodec;
    int64_t videoDuration = -1; // µs
};

// The library's short name ("h264"), not the probe's display text.
inline std::string CodecNameOf(const TAVProbe& probe, int streamIndex) {
    return avcodec_get_name(probe.Context()->streams[streamIndex]->codecpar->codec_id);
}

inline Probed ProbeFile(const std::string& name) {
    Probed result;
    TAVProbe probe;
    result.opened = probe.Open(name);
    result.error = probe.LastError();
    if (!result.opened)
        return result;
    if (probe.VideoStreamCount() > 0) {
        TVideoStreamInfo video;
        probe.GetVideoStreamInfo(-1, video);
        result.video = {CodecNameOf(probe, probe.FirstVideoStream()), video.Width, video.Height};
        result.videoDuration = video.DurationUs;
        if (result.videoDuration <= 0) {
            TFileStreamInfo file;
            probe.GetFileStreamInfo(file);
            result.videoDuration = file.Duration;
        }
    }
    if (probe.AudioStreamCount() > 0) {
        TAudioStreamInfo audio;
        probe.GetAudioStreamInfo(-1, audio);
        result.audioCodec = CodecNameOf(probe, probe.FirstAudioStream());
    }
    return result;
}
