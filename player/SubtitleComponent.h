// Bitmap subtitles: decoded on their own thread into a small queue, with each
// palette turned into YUV so the display can blend them into pictures.
#pragma once

#include "player/PlaybackState.h"

bool OpenSubtitleComponent(PlaybackState& st, int streamIndex);
void CloseSubtitleComponent(PlaybackState& st);

// 0xAARRGGBB → 0xAAYYUUVV (BT.601 studio range, 10-bit fixed point).
uint32_t PaletteEntryToYuv(uint32_t argb);

// Event-loop thread: frees the subtitle at the read index.
void DropOldestSubtitle(SubtitleState& s);
// Event-loop thread: frees every queued subtitle.
void DropAllSubtitles(SubtitleState& s);
