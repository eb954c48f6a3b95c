// What the preview panel's logic asks of the panel's widgets.
#pragma once

#include "app/SnapshotTypes.h"

#include <cstdint>
#include <string>

class IPreviewView {
public:
    virtual ~IPreviewView() = default;

    // Called right before the player opens a file: the native window the player
    // draws into, or 0 when the panel draws the player's pictures itself (its
    // display is then set on the player).
    virtual uintptr_t BeginPlayback() = 0;
    // The slider's own width in pixels; a newly opened file uses it as the maximum.
    virtual int SliderWidth() const = 0;
    virtual void SetSlider(int maximum, int tickInterval, int position) = 0;
    virtual void ShowMuted(bool muted) = 0;
    // Checks the picture type's item in the snapshot settings menu.
    virtual void ShowSnapshotType(TSnapshotType type) = 0;
    // The area shows nothing: no playback is open any more.
    virtual void ClearVideo() = 0;
    virtual void SetStatusText(const std::string& text) = 0;
    virtual void FocusJobList() = 0;
};
