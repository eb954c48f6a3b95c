// What option handling needs from a conversion task. The task class implements
// it; the option table, presets, targets and frame hooks see nothing else.
#pragma once

#include "media/GenericOptions.h"
#include "task/EngineSettings.h"

#include <vector>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/rational.h>
}

class TOptionTarget {
public:
    virtual ~TOptionTarget() = default;

    // The settings the options write.
    virtual TEngineSettings& Settings() = 0;
    // The generic option contexts that unknown names go to.
    virtual OptionContextSet& OptionContexts() = 0;

    // Inputs opened so far ("vcodec" before an input names a decoder, after it an encoder).
    virtual int OpenedInputCount() const = 0;
    // Outputs opened so far ("newvideo", "newaudio", "newsubtitle" need one).
    virtual int OpenedOutputCount() const = 0;
    // Adds one more stream of `type` to the last output, as the main stream of
    // that kind is created; throws FFmpegException with the set-up's message.
    // Called only when OpenedOutputCount() > 0.
    virtual void AddStreamToLastOutput(AVMediaType type) = 0;

    // The frame rate of every video stream of every opened input, inputs and
    // streams in order (the inverse of the stream's codec time base, i.e.
    // r_frame_rate or avg_frame_rate); used by "target" to guess PAL or NTSC.
    virtual std::vector<AVRational> InputVideoFrameRates() const = 0;
};
