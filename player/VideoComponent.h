// The video chain: decoder → source/sink chain delivering YUV 4:2:0 → picture
// queue with each picture's display time.
#pragma once

#include "player/PlaybackState.h"

// Read thread. Opens the decoder and starts the video thread.
bool OpenVideoComponent(PlaybackState& st, int streamIndex);
// Read thread. Stops the video thread and frees the chain.
void CloseVideoComponent(PlaybackState& st);

// Event-loop thread: gives the slot an overlay of the size the video thread asked for.
void AllocatePictureSlot(PlaybackState& st, int slotIndex);

// Which timestamp a decoded picture gets: the reordered pts while it behaves
// better than the packets' dts, else the dts, else 0. Updates the fault counters.
struct PtsFaultCounter {
    int PtsFaults = 0;
    int DtsFaults = 0;
    int64_t LastPts = NoTime;
    int64_t LastDts = NoTime;
    int64_t Select(int64_t reorderedPts, int64_t dts);
    void Reset() { *this = PtsFaultCounter{}; }
};

// Frame skipping: true when the picture is to be shown. `counter` carries over.
bool TakeSkippedPicture(double& counter, double skipRatio);
