#include "profiles/TrackChoices.h"

#include "engine/SubtitleKeep.h"

#include <algorithm>

extern "C" {
#include <libavfilter/avfilter.h>
}

namespace {

bool InRange(const TTrackChoices::TList& list, int index) {
    return list.Enabled && index >= 0 && static_cast<size_t>(index) < list.Items.size();
}

// The value of a track pick: 0 when it is the source's default track.
int TrackValue(const std::vector<TSourceTrack>& tracks, int index) {
    if (index < 0 || static_cast<size_t>(index) >= tracks.size())
        return 0;
    const int number = tracks[static_cast<size_t>(index)].Number;
    return number == DefaultTrackNumber(tracks) ? 0 : number;
}

// The item index of track `number` (0: the default one); -1 when there is none.
int TrackIndex(const std::vector<TSourceTrack>& tracks, int number) {
    const TSourceTrack* track = FindTrack(tracks, number);
    return track ? track->Number - 1 : -1;
}

} // namespace

std::string TTrackChoices::TrackLabel(const TSourceTrack& track) {
    std::string label = std::to_string(track.Number) + "  ";
    label += track.Language.empty() ? Tr(UnknownLanguage) : track.Language;
    label += "  " + track.CodecName;
    if (track.Channels > 0)
        label += "  " + std::to_string(track.Channels) + Tr(ChannelsUnit);
    if (!track.Title.empty())
        label += "  " + track.Title;
    if (track.Default)
        label += "  (" + Tr(DefaultMark) + ")";
    return label;
}

void TTrackChoices::Clear() {
    audioSource_.clear();
    subtitleSource_.clear();
    modeValues_.clear();
    audio_ = {};
    modes_ = {};
    subtitleTracks_ = {};
}

void TTrackChoices::Fill(const TSourceFacts& source, const std::string& formatName, bool outputHasPictures) {
    Clear();
    formatName_ = formatName;
    outputHasPictures_ = outputHasPictures;
    textBurnAvailable_ = avfilter_get_by_name("subtitles") != nullptr;
    audioSource_ = source.AudioTracks;
    subtitleSource_ = source.SubtitleTracks;

    if (audioSource_.empty()) {
        audio_.Items = {DefaultTrackItem};
        audio_.ItemIndex = 0;
    } else {
        for (const TSourceTrack& track : audioSource_)
            audio_.Items.push_back(TrackLabel(track));
        audio_.ItemIndex = DefaultTrackNumber(audioSource_) - 1;
        audio_.Enabled = audioSource_.size() > 1;
    }
    for (const TSourceTrack& track : subtitleSource_)
        subtitleTracks_.Items.push_back(TrackLabel(track));
    subtitleTracks_.ItemIndex = DefaultTrackNumber(subtitleSource_) - 1;
    FillModes();
}

void TTrackChoices::FillModes() {
    const std::string kept = SubtitleModeValue();
    modes_.Items = {NoSubtitlesItem};
    modeValues_ = {SubtitlesNone};
    const TSourceTrack* track = subtitleTracks_.ItemIndex >= 0
                                    ? &subtitleSource_[static_cast<size_t>(subtitleTracks_.ItemIndex)]
                                    : nullptr;
    if (track && KeptSubtitleCodec(formatName_, track->CodecId)) {
        modes_.Items.push_back(KeepSubtitlesItem);
        modeValues_.push_back(SubtitlesKeep);
    }
    if (track && outputHasPictures_ && (track->Picture || textBurnAvailable_)) {
        modes_.Items.push_back(BurnSubtitlesItem);
        modeValues_.push_back(SubtitlesBurn);
    }
    const auto it = std::find(modeValues_.begin(), modeValues_.end(), kept);
    modes_.ItemIndex = it == modeValues_.end() ? 0 : static_cast<int>(it - modeValues_.begin());
    modes_.Enabled = modes_.Items.size() > 1;
    subtitleTracks_.Enabled = modes_.Enabled && subtitleTracks_.Items.size() > 1;
}

bool TTrackChoices::PickAudioTrack(int index) {
    if (!InRange(audio_, index))
        return false;
    audio_.ItemIndex = index;
    return true;
}

bool TTrackChoices::PickSubtitleMode(int index) {
    if (!InRange(modes_, index))
        return false;
    modes_.ItemIndex = index;
    return true;
}

bool TTrackChoices::PickSubtitleTrack(int index) {
    if (!InRange(subtitleTracks_, index))
        return false;
    subtitleTracks_.ItemIndex = index;
    FillModes();
    return true;
}

bool TTrackChoices::SelectAudioTrack(int number) {
    if (number == 0 || audioSource_.empty())
        return number == 0;
    const int index = TrackIndex(audioSource_, number);
    if (index < 0)
        return false;
    audio_.ItemIndex = index;
    return true;
}

bool TTrackChoices::SelectSubtitles(const std::string& mode, int track) {
    if (mode.empty() || mode == SubtitlesNone) {
        modes_.ItemIndex = 0;
        return true;
    }
    const int index = TrackIndex(subtitleSource_, track);
    if (index < 0)
        return false;
    subtitleTracks_.ItemIndex = index;
    FillModes();
    const auto it = std::find(modeValues_.begin(), modeValues_.end(), mode);
    if (it == modeValues_.end())
        return false;
    modes_.ItemIndex = static_cast<int>(it - modeValues_.begin());
    return true;
}

int TTrackChoices::AudioTrackValue() const {
    return TrackValue(audioSource_, audio_.ItemIndex);
}

std::string TTrackChoices::SubtitleModeValue() const {
    if (modes_.ItemIndex < 0 || static_cast<size_t>(modes_.ItemIndex) >= modeValues_.size())
        return SubtitlesNone;
    return modeValues_[static_cast<size_t>(modes_.ItemIndex)];
}

int TTrackChoices::SubtitleTrackValue() const {
    return SubtitleModeValue() == SubtitlesNone ? 0 : TrackValue(subtitleSource_, subtitleTracks_.ItemIndex);
}

void TTrackChoices::WriteTo(TConversionSettings& settings) const {
    settings.AudioTrack = AudioTrackValue();
    settings.Subtitles = SubtitleModeValue();
    settings.SubtitleTrack = SubtitleTrackValue();
}
