// What the pre-processing of decoded pictures keeps from one picture to the
// next: the copy the hooks draw on, the bitmap and its converters, and whether
// the hooks are off for the rest of the task. Run thread only.
#pragma once

#include "media/FrameBitmap.h"
#include "media/LibraryPointers.h"

struct TFrameHookState {
    FramePtr Frame;                 // decoded picture copied for hooks, reused
    FramePtr SpareFrame;            // used while a waiting picture holds Frame's buffer
    FrameBitmapConverter Converter; // the hook's bitmap and converters
    bool Disconnected = false;      // hook event and frame hooks off for the rest of the task
};
