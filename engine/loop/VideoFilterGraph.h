// The video filter graph of an output stream: the decoded pictures go into a
// "buffer" source, are deinterlaced when the stream asks for it, turned
// upright, cropped, scaled to fit the output frame with their shape kept and
// centred on black bars, then through the user's filter text into a sink that
// hands out the encoder's pixel format.
#pragma once

#include "loop/PictureFit.h"
#include "setup/TrackPicks.h"
#include "task/RunTables.h"

#include <string>

// Builds the graph for pictures of `source` in `format` into
// ost.FilterGraph/FilterSource/FilterSink, fitting them into a frame of
// ost.FrameWidth x ost.FrameHeight with the encoder's pixel aspect, and sets
// the encoder's width and height to what the sink delivers; the scaler
// works on `scalerThreads` slices at once. The crop bands of
// `ost` are of the upright picture. Raises FFmpegException ("Error opening
// filters: ..." or "Error opening filters!").
void BuildVideoFilterGraph(TOutputStream& ost, const TPictureSource& source, AVPixelFormat format,
                           AVRational timeBase, AVCodecContext* encoder, const std::string& filterText,
                           int scalerFlags, int scalerThreads, const TTextSubtitleBurn& textBurn = {});

// A picture of `width` x `height` from `ist`: the container's pixel aspect
// when it names one, else `pictureAspect` (the decoder's or the picture's),
// and the turn of the stream's display matrix.
TPictureSource PictureSourceOf(const TInputStream& ist, int width, int height, AVRational pictureAspect);

// Where the upright, cropped part of `source` goes in the frame of `ost`.
TPictureRect PlacedPicture(const TOutputStream& ost, const TPictureSource& source,
                           AVRational frameSampleAspect);

// A picture's time from the graph's sink, µs; `fallback` when it has none.
int64_t FilteredPictureTime(const TOutputStream& ost, const AVFrame* picture, int64_t fallback);

// True when `picture` differs in size or format from what the graph of `ost` was built for.
bool VideoFilterGraphOutdated(const TOutputStream& ost, const AVFrame* picture);
