// Opening and closing the decoders of a playback with the player's settings.
#pragma once

#include "player/PlaybackState.h"

// Applies the player's decoder settings and opens a decoder for the stream under
// CodecLock. Null when no decoder exists or it cannot be opened (reported).
CodecContextPtr OpenDecoder(PlaybackState& st, AVStream* stream);
// Closes and frees the decoder under CodecLock.
void CloseDecoder(CodecContextPtr& codec);
// At most 2 channels: 1 or 2 keep their count, anything else becomes 2.
int PlaybackChannels(int streamChannels);
