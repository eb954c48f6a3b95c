// Drawing a playback: the picture at the current position with its subtitle,
// or the waveform of a file without pictures. Event-loop thread, player lock held.
#pragma once

#include "player/PlaybackState.h"

// 0, or -1 when the surface cannot be made (reported).
int OpenVideoMode(PlaybackState& st, bool force);
// `redraw`: the same picture again (expose, resize), not a new one.
void DisplayPlayback(PlaybackState& st, bool redraw);
