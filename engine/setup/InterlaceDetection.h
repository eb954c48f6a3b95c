// Whether a source is interlaced: its first seconds go through the library's
// interlace detector ("idet"), which compares the two fields of each picture
// over several pictures. The packets read for it are kept, so the run reads
// them again and the source is read only once (pipes and clip starts too).
#pragma once

#include "media/LibraryPointers.h"

#include <cstdint>
#include <deque>

extern "C" {
#include <libavcodec/avcodec.h>
}

struct TInterlaceSample {
    // The detector's verdicts over several pictures.
    int TopFirst = 0;
    int BottomFirst = 0;
    int Progressive = 0;
    int Pictures = 0;          // decoded
    int FlaggedInterlaced = 0; // of those, coded as interlaced by the source
    AVFieldOrder StreamFieldOrder = AV_FIELD_UNKNOWN;
};

// What the sample says. The detector decides once it has judged enough
// pictures: interlaced when at least a third of them show two field times
// (telecined film shows two combed pictures in five). A sample it could not
// judge (a still picture, a clip of a few frames) goes by the coding flags.
bool SampleIsInterlaced(const TInterlaceSample& sample);
// The yadif parity for the sample: 0 top field first, 1 bottom field first.
int SampleFieldParity(const TInterlaceSample& sample);

// Reads `ctx` from where it stands until `streamIndex` has given up to
// `maxSeconds` or `maxPictures` pictures (or the kept packets reach a few tens
// of megabytes, or the input ends or has nothing now), decoding that stream
// with `decoder` and counting the detector's verdicts. Every packet read is
// appended to `kept`, in reading order. Never raises for damaged media: what
// could be judged is returned. Every picture looked at is decoded twice, so the
// defaults stay short: 60 pictures hold a dozen telecine cycles, plenty for the
// third-of-pictures rule.
TInterlaceSample SampleInterlacing(AVFormatContext* ctx, int streamIndex, const AVCodec* decoder,
                                   std::deque<PacketPtr>& kept, double maxSeconds = 2.5,
                                   int maxPictures = 60);
