// The run tables: one entry per stream of every input and every output, built
// by run preparation and freed at the end of the run. They hold the working
// state of the transcoding loop. Everything here is touched by the task's run
// thread only.
#pragma once

#include "loop/PictureFit.h"
#include "task/EnginePointers.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

struct TInputStream {
    int FileIndex = 0;
    int StreamIndex = 0;
    AVStream* Stream = nullptr;        // owned by the input container
    AVCodecContext* Decoder = nullptr; // owned by TInputStreamSetup
    bool Discard = true;               // not yet used by an output stream
    bool DecodingNeeded = false;
    int64_t Pts = 0;                  // current timestamp, µs
    int64_t NextPts = AV_NOPTS_VALUE; // next expected timestamp, µs
    bool IsStart = true;              // until the first audio sync correction
    int64_t StartTime = 0;            // wall clock at run start (µs), for rate emulation
    bool IsPastRecordingTime = false;
    bool ShowedMultiPacketWarning = false;
};

// One bitstream filter of an output stream's chain.
struct TBitstreamFilter {
    std::string Name;
    BsfPtr Context;
    PacketPtr Output; // what the filter gives, reused
    PacketPtr Kept;   // a reference to the packet being filtered, reused
};

struct TOutputStream {
    int FileIndex = 0;
    int Index = 0;                     // stream index in its output
    AVStream* Stream = nullptr;        // owned by the output container
    AVCodecContext* Encoder = nullptr; // owned by TOutputStreamSetup
    bool StreamCopy = false;
    int SourceIndex = -1; // into the input stream entries
    int SyncIndex = -1;   // into the input stream entries
    bool EncodingNeeded = false;
    int64_t FrameNumber = 0;
    bool Active = true;
    int64_t SyncOpts = 0;         // written position, in the encoder's time base
    double PositionSeconds = 0.0; // end of what was written, for choosing the next input
    float LastQuality = -1.0f;    // the encoder's last quantizer (lambda / FF_QP2LAMBDA)
    // Decoding time of the last packet handed to the muxer (stream time base), for
    // repairing timestamps of a damaged input that step back.
    int64_t LastDts = AV_NOPTS_VALUE;
    bool WarnedTimestampRepair = false;
    int64_t PacketsWritten = 0;
    // Squared picture errors per plane (Y, U, V) with PSNR on: of the last
    // encoded picture, and summed over all of them.
    std::array<uint64_t, 3> LastError{};
    std::array<uint64_t, 3> ErrorSum{};

    // video: deinterlaced first thing in the filter graph, with this parity (see TEngineSettings)
    bool Deinterlace = false;
    int DeinterlaceParity = -1;
    // video: crop and scale (without a filter graph)
    bool VideoCrop = false;
    int TopBand = 0, BottomBand = 0, LeftBand = 0, RightBand = 0;
    bool VideoResample = false;
    int OriginalWidth = 0, OriginalHeight = 0; // the first source size (size-change scaling)
    int ResampleWidth = 0, ResampleHeight = 0; // cropped source size the scaler was made for
    AVPixelFormat ResamplePixFmt = AV_PIX_FMT_NONE;
    SwsPtr Scaler;
    FramePtr TempPicture; // scaler output in the encoder's size and format

    // video: frame-rate sync. A picture waits here until the next one's time
    // tells which output slots it is on screen for; then it is written that
    // many times (a fixed-rate output) or once at its own slot (timestamps kept).
    FramePtr WaitingPicture;      // a reference to the waiting picture, reused
    bool PictureWaiting = false;  // whether WaitingPicture holds one
    int64_t WaitingTime = 0;      // its time, µs
    int64_t WaitingSlot = 0;      // its slot (encoder time base), never before the written position
    bool WaitingCounted = false;  // false before the start time: not counted as a drop
    int64_t LastPictureGap = 0;   // µs between the last two pictures: the last one's length
    int WaitingFrameCounter = 0;  // the task's frame counter when the waiting picture came
    int EncodingFrameCounter = 0; // the same for the picture being encoded (the preview's number)

    // video: filter graph (a filter text, deinterlacing, a turn or a letterbox)
    FilterGraphPtr FilterGraph;
    AVFilterContext* FilterSource = nullptr; // owned by FilterGraph
    AVFilterContext* FilterSink = nullptr;   // owned by FilterGraph
    // What the graph was built for: pictures of another size or format rebuild it.
    TPictureSource GraphSource;
    AVPixelFormat GraphPixFmt = AV_PIX_FMT_NONE;
    int FrameWidth = 0, FrameHeight = 0; // the frame the picture is fitted into, before the user's filters

    // audio
    AudioFifoPtr Fifo; // encoder-format samples waiting for a whole frame
    bool AudioResample = false;
    SwrPtr Resampler;        // made by the loop on first need
    FramePtr ConvertedAudio; // resampler output, grown on demand
    FramePtr AudioFrame;     // one encoder frame taken from the FIFO

    // two-pass statistics written during pass 1
    std::string PassLogFileName;
    FilePtr PassLogFile;

    std::vector<TBitstreamFilter> BitstreamFilters; // made on the first packet from the stream's names
    bool BitstreamFiltersOpened = false;
};
