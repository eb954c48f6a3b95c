// Enumerations, event signatures and limits of the preview player.
#pragma once

#include "media/FrameBitmap.h"

#include <cstdint>
#include <functional>

class TCustomPlayer;

enum TPlayState : uint8_t { psPlay, psPause, psResume, psStep, psStop, psEnd };

// SDL's audio and video drivers on Linux; the default leaves SDL's own choice
// (or the process environment) alone.
enum TAudioDriver : uint8_t { adDefault, adPulseAudio, adAlsa };
enum TVideoDriver : uint8_t { vdDefault, vdX11, vdWayland };

// Audio volume on the mixer's scale: 0 silent, 128 unchanged.
using TAudioVolume = int;
constexpr TAudioVolume MaxAudioVolume = 128;

// Seek options of TCustomPlayer::Seek; the values are the library's seek flag bits.
enum TSeekFlag : int { sfBackward = 1, sfByte = 2, sfAny = 4, sfFrame = 8 };
using TSeekFlags = int;

using TFileOpenEvent = std::function<void(TCustomPlayer* sender, int64_t duration, int frameWidth,
                                          int frameHeight, int& screenWidth, int& screenHeight)>;
// Runs on the video thread; whatever the handler draws on the bitmap is shown.
using THookEvent = std::function<void(TCustomPlayer* sender, TBitmap24* bitmap, int64_t pts)>;
using TPositionEvent = std::function<void(TCustomPlayer* sender, int64_t pts)>;
using TPlayStateEvent = std::function<void(TCustomPlayer* sender, TPlayState state)>;

// Diagnostics and tests. What the audio device was given: one block of interleaved
// signed 16-bit samples after mute and volume, with the wall time (seconds on
// the player's monotonic clock) of the callback that filled it. SDL's audio thread.
using TAudioTap =
    std::function<void(const int16_t* samples, int count, int channels, int sampleRate, double callbackTime)>;
// A picture as it was put on the screen by the refresh step: its luma plane, its
// pts (seconds), the wall time it was shown and the audio clock then (NAN without
// audio). The player's event-loop thread.
using TPictureTap = std::function<void(const uint8_t* luma, int pitch, int width, int height, double pts,
                                       double shownAt, double audioClock)>;

const char* PlayStateName(TPlayState state);
const char* AudioDriverName(TAudioDriver driver); // "" for the default
const char* VideoDriverName(TVideoDriver driver); // "" for the default
