// The audio chain: decoder → converter to signed 16-bit (at most 2 channels) →
// SDL audio callback with mute and volume, feeding the waveform's sample ring.
#pragma once

#include "player/PlaybackState.h"

// Read thread. Opens the decoder and the audio device and starts the device.
bool OpenAudioComponent(PlaybackState& st, int streamIndex);
// Read thread. Stops the device (waiting for the callback) and frees the chain.
void CloseAudioComponent(PlaybackState& st);

// Audio callback body; exposed for tests that drive it without a device.
void FillAudioBuffer(PlaybackState& st, uint8_t* stream, int len);
