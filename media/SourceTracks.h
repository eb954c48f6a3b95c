// The audio and subtitle tracks of an opened source, numbered from 1 in stream
// order per kind: the numbers the options window shows, the command line takes
// and the engine resolves, so all three mean the same track.
#pragma once

#include <string>
#include <vector>

extern "C" {
#include <libavcodec/codec_id.h>
#include <libavutil/avutil.h>
}

struct AVFormatContext;

struct TSourceTrack {
    int Number = 0;      // 1-based among the tracks of its kind
    int StreamIndex = 0; // in the container
    AVCodecID CodecId = AV_CODEC_ID_NONE;
    std::string CodecName; // the codec's short name ("aac", "subrip", "dvd_subtitle")
    std::string Language;  // stream metadata "language", empty when absent
    std::string Title;     // stream metadata "title", empty when absent
    int Channels = 0;      // audio only
    bool Default = false;  // marked as the track to play
    bool Picture = false;  // subtitle drawn as pictures, not text
};

// The tracks of `kind` (audio or subtitle) in `context`, in stream order.
std::vector<TSourceTrack> SourceTracks(const AVFormatContext* context, AVMediaType kind);

// The source's default track: the first marked as default, else the first
// one; 0 when there is none.
int DefaultTrackNumber(const std::vector<TSourceTrack>& tracks);

// The track numbered `number`, 0 meaning the default one; nullptr when the
// source has no such track.
const TSourceTrack* FindTrack(const std::vector<TSourceTrack>& tracks, int number);
