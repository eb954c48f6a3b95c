// The counters of one run: bytes written per kind, pictures duplicated or
// dropped for a fixed frame rate, decoded pictures, the quantizers seen and the
// times of the progress reports. Reset when a run starts; run thread only.
#pragma once

#include <array>
#include <cstdint>

struct TRunCounters {
    int64_t VideoBytes = 0;
    int64_t AudioBytes = 0;
    int DupFrames = 0;
    int DropFrames = 0;
    bool DupDropFlag = false;          // a picture was duplicated or dropped since the last note
    int64_t RunStartTime = 0;          // µs, wall clock
    int64_t LastReportTime = 0;        // µs, wall clock
    double ReportedSeconds = 0.0;      // the time of the last report; the next never shows less
    int FrameCounter = 0;              // decoded video frames pre-processed
    std::array<int, 52> QpHistogram{}; // quantizers seen by the reports ("qphist")
};
