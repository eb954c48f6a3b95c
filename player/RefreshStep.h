// Showing pictures when they are due: the refresh step (event-loop thread,
// player lock held) and the refresh thread that asks for it.
#pragma once

#include "player/PlaybackState.h"

// `consume` false: draw what is current without taking a picture off the queue
// (expose and resize while paused).
void RefreshStep(PlaybackState& st, bool consume);

void StartRefreshThread(PlaybackState& st);
// Caller has set st.Abort.
void StopRefreshThread(PlaybackState& st);
