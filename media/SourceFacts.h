// What the windows of an add show about its source, read once from the
// opened source (usually by the add's probe, on another thread) and handed
// over as a value: its whole seconds and its audio and subtitle tracks.
#pragma once

#include "media/SourceTracks.h"

#include <cstdint>
#include <optional>
#include <vector>

struct AVFormatContext;

struct TSourceFacts {
    std::optional<int64_t> DurationSeconds; // none: unknown (not opened, or no duration in the container)
    std::vector<TSourceTrack> AudioTracks;
    std::vector<TSourceTrack> SubtitleTracks;
};

// The facts of an opened source; `context` may be null (nothing known).
TSourceFacts SourceFactsOf(const AVFormatContext* context);
