// Starting, stopping, pausing and seeking one playback.
#pragma once

#include "player/PlaybackState.h"

#include <memory>

// Creates a playback and waits (serving the main thread when on it) until the
// read thread has opened the file or failed; on success the refresh thread runs.
// Null on failure, with the reason in the player's LastError.
std::unique_ptr<PlaybackState> OpenPlayback(PlayerLink& player, PlayerSignals& signals,
                                            const PlaybackSettings& settings, const std::string& fileName,
                                            bool startPaused);
// Stops every thread of the playback; it can be freed afterwards.
void ClosePlayback(PlaybackState& st);

// The state change of a pause toggle; the caller has waited for the seek to be
// done and (when pausing a file with video) for a picture to be queued.
void SetPlaybackPaused(PlaybackState& st, bool paused);
// Records a seek for the read thread; ignored while one is pending.
void RequestSeek(PlaybackState& st, int flags, int64_t target, int64_t relative);
