// The options window's track choices: the source's audio tracks (language,
// codec, channels), what to do with subtitles ("不要字幕", "保留字幕" where the
// output's container can hold the chosen track, "字幕烧录到画面" where the
// output has pictures) and the subtitle track. Filled from what the add
// found in its source; the picks are written to the settings as values
// (track numbers, SubtitlesNone/Keep/Burn), never as the shown texts.
// Main thread only.
#pragma once

#include "media/SourceFacts.h"
#include "media/SourceTracks.h"
#include "profiles/ConversionSettings.h"
#include "profiles/Translation.h"

#include <string>
#include <vector>

class TTrackChoices {
public:
    static constexpr const char* AudioTrackCaption = VT_TR("音轨：");
    static constexpr const char* SubtitlesCaption = VT_TR("字幕：");
    static constexpr const char* SubtitleTrackCaption = VT_TR("字幕轨道：");
    static constexpr const char* NoSubtitlesItem = VT_TR("不要字幕");
    static constexpr const char* KeepSubtitlesItem = VT_TR("保留字幕");
    static constexpr const char* BurnSubtitlesItem = VT_TR("字幕烧录到画面");
    // An item for a source whose tracks are unknown (not readable).
    static constexpr const char* DefaultTrackItem = VT_TR("源文件默认音轨");
    static constexpr const char* DefaultMark = VT_TR("默认");
    static constexpr const char* ChannelsUnit = VT_TR("声道");
    static constexpr const char* UnknownLanguage = VT_TR("未知语言");

    // One list as the window shows it: item texts and the selected index.
    struct TList {
        std::vector<std::string> Items;
        int ItemIndex = -1;
        bool Enabled = false;
    };

    // Empties every list (the window's clear step).
    void Clear();
    // Fills the lists from the tracks of `source` (none known: the defaults)
    // for an output written by the muxer `formatName` with or without pictures.
    void Fill(const TSourceFacts& source, const std::string& formatName, bool outputHasPictures);

    const TList& AudioTracks() const { return audio_; }
    const TList& SubtitleModes() const { return modes_; }
    const TList& SubtitleTracks() const { return subtitleTracks_; }

    // The user's picks by item index; false (nothing changes) for an index
    // the list lacks or a disabled list. A subtitle track pick offers the
    // modes that track allows, falling back to "不要字幕".
    bool PickAudioTrack(int index);
    bool PickSubtitleMode(int index);
    bool PickSubtitleTrack(int index);

    // The same by value (saved profiles): a track number (0: the default
    // track) and SubtitlesNone/Keep/Burn; false when not offered.
    bool SelectAudioTrack(int number);
    bool SelectSubtitles(const std::string& mode, int track);

    // The values the picks stand for: track numbers with 0 for the source's
    // default track, and the mode value.
    int AudioTrackValue() const;
    std::string SubtitleModeValue() const;
    int SubtitleTrackValue() const;

    // Writes AudioTrack, Subtitles and SubtitleTrack of `settings`.
    void WriteTo(TConversionSettings& settings) const;

    // The item text of a track ("1  chi  aac  2声道  English  (默认)").
    static std::string TrackLabel(const TSourceTrack& track);

private:
    void FillModes();

    std::vector<TSourceTrack> audioSource_;
    std::vector<TSourceTrack> subtitleSource_;
    std::string formatName_;
    bool outputHasPictures_ = true;
    bool textBurnAvailable_ = false;
    std::vector<std::string> modeValues_; // parallel to modes_.Items
    TList audio_;
    TList modes_;
    TList subtitleTracks_;
};
