// The tracks a task was asked for, resolved against its first input when the
// output opens: the audio stream to convert, the subtitle stream to keep and
// the one to draw into the pictures. Task thread only.
#pragma once

#include <string>

struct TTrackPicks {
    int AudioStream = -1;        // stream index in the first input; -1: the mapping chooses
    int KeepSubtitleStream = -1; // -1: none
    int BurnSubtitleStream = -1; // -1: none
    int BurnSubtitleNumber = 0;  // 1-based among the input's subtitle tracks
    bool BurnText = false;       // drawn by the text renderer filter, else by TPictureSubtitleBurn
};

// Text subtitles drawn into the upright pictures before they are cropped and
// scaled: the track numbered `Number` (from 1) among the subtitle tracks of
// `FileName` (a library file name); 0: none.
struct TTextSubtitleBurn {
    std::string FileName;
    int Number = 0;
};
