// A trial open of a second-pass encoder that uses the libraries' own rate
// control of the MPEG family (mpeg4, the MS MPEG-4 variants, WMV 1 and 2,
// MPEG-1/2 video, H.263, FLV ...). When that rate control refuses the pass-2
// statistics (a bit rate too low for the video, the curve not converging,
// damaged statistics) it frees its state twice while cleaning up, and the
// whole process dies inside avcodec_open2. The trial makes the same open in a
// child process, which may die of it; the real open follows only when the
// child's succeeded.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

// True for an encoder driven by that rate control.
bool UsesMpegRateControl(const AVCodec* encoder);

enum class TPassTwoTrial {
    Opened,  // the child's open succeeded: the real one will too
    Refused, // the child's open failed or the child died in it
    Untried, // no child could be made, or it did not answer in time
};

// Opens a copy of `enc` (not yet opened, second-pass flag and statistics set)
// with `codec` and a copy of `options` in a child process. The caller holds
// CodecLock, so that no other thread of this process is inside the library's
// open while the child starts.
TPassTwoTrial TryPassTwoOpen(const AVCodecContext* enc, const AVCodec* codec, const AVDictionary* options);
