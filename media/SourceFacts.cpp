#include "media/SourceFacts.h"

extern "C" {
#include <libavformat/avformat.h>
}

TSourceFacts SourceFactsOf(const AVFormatContext* context) {
    TSourceFacts facts;
    if (context == nullptr)
        return facts;
    if (context->duration != AV_NOPTS_VALUE && context->duration >= 0)
        facts.DurationSeconds = context->duration / AV_TIME_BASE;
    facts.AudioTracks = SourceTracks(context, AVMEDIA_TYPE_AUDIO);
    facts.SubtitleTracks = SourceTracks(context, AVMEDIA_TYPE_SUBTITLE);
    return facts;
}
