// The video filter graph of an output stream: the decoded pictures go into a
// "buffer" source, through the crop and scale the settings ask for and the
// user's filter text, into a sink that hands out the encoder's pixel format.
#pragma once

#include "engine/RunTables.h"

#include <string>

// Builds the graph into ost.FilterGraph/FilterSource/FilterSink and sets the
// encoder's width and height to what the sink delivers. Raises FFmpegException
// ("Error opening filters: ..." or "Error opening filters!").
void BuildVideoFilterGraph(TOutputStream& ost, const AVCodecContext* decoder, const AVStream* source,
                           AVCodecContext* encoder, const std::string& filterText, int scalerFlags);
