// The read thread: opens the input, picks and opens the streams, then feeds the
// packet queues, carrying out seeks and pausing the demuxer, until the playback
// is aborted; it closes everything it opened.
#pragma once

#include "player/PlaybackState.h"

void ReadThreadMain(PlaybackState& st);

// True when reading may stop for now: too much queued overall, or every open
// stream has enough.
bool QueuesFull(int64_t audioBytes, int videoPackets, int subtitlePackets, int64_t videoBytes,
                int64_t subtitleBytes, bool hasAudio, bool hasVideo, bool hasSubtitles);
