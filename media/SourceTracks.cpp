#include "media/SourceTracks.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

std::string MetadataText(const AVDictionary* metadata, const char* key) {
    const AVDictionaryEntry* entry = av_dict_get(metadata, key, nullptr, 0);
    return entry && entry->value ? entry->value : std::string();
}

} // namespace

std::vector<TSourceTrack> SourceTracks(const AVFormatContext* context, AVMediaType kind) {
    std::vector<TSourceTrack> tracks;
    if (!context)
        return tracks;
    for (unsigned i = 0; i < context->nb_streams; ++i) {
        const AVStream* st = context->streams[i];
        const AVCodecParameters* par = st->codecpar;
        if (par->codec_type != kind)
            continue;
        TSourceTrack track;
        track.Number = static_cast<int>(tracks.size()) + 1;
        track.StreamIndex = static_cast<int>(i);
        track.CodecId = par->codec_id;
        track.CodecName = avcodec_get_name(par->codec_id);
        track.Language = MetadataText(st->metadata, "language");
        track.Title = MetadataText(st->metadata, "title");
        track.Channels = par->ch_layout.nb_channels;
        track.Default = (st->disposition & AV_DISPOSITION_DEFAULT) != 0;
        const AVCodecDescriptor* desc = avcodec_descriptor_get(par->codec_id);
        track.Picture = desc && (desc->props & AV_CODEC_PROP_BITMAP_SUB);
        tracks.push_back(std::move(track));
    }
    return tracks;
}

int DefaultTrackNumber(const std::vector<TSourceTrack>& tracks) {
    for (const TSourceTrack& track : tracks)
        if (track.Default)
            return track.Number;
    return tracks.empty() ? 0 : 1;
}

const TSourceTrack* FindTrack(const std::vector<TSourceTrack>& tracks, int number) {
    if (number == 0)
        number = DefaultTrackNumber(tracks);
    if (number < 1 || number > static_cast<int>(tracks.size()))
        return nullptr;
    return &tracks[static_cast<size_t>(number) - 1];
}
