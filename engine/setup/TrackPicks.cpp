// The track picks ("atrack", "keepsub", "burnsub") checked against the first
// input when the output opens, so an impossible pick fails the task with a
// clear message before anything converts.
#include "engine/FFmpegException.h"
#include "task/FFmpegTask.h"
#include "engine/FormatText.h"
#include "engine/SubtitleKeep.h"
#include "media/SourceTracks.h"

extern "C" {
#include <libavfilter/avfilter.h>
}

namespace {

// The filter that draws text subtitles of a file into the pictures.
constexpr const char* TextBurnFilter = "subtitles";

std::string TrackNotFound(const char* kind, int number, size_t count) {
    return FormatText("The source has no %s track %d (it has %d)", kind, number, static_cast<int>(count));
}

} // namespace

bool TCustomFFmpeg::ResolveTrackPicks(const std::string& formatName, bool useVideo, bool useAudio,
                                      bool& useSubtitle) {
    trackPicks_ = TTrackPicks{};
    TEngineSettings& s = settings_;
    if (inputs_.empty())
        return true;
    const AVFormatContext* input = inputs_.front().Context.get();

    if (s.AudioTrack > 0 && useAudio) {
        const auto tracks = SourceTracks(input, AVMEDIA_TYPE_AUDIO);
        const TSourceTrack* track = FindTrack(tracks, s.AudioTrack);
        if (!track) {
            errorText_ = TrackNotFound("audio", s.AudioTrack, tracks.size());
            return false;
        }
        trackPicks_.AudioStream = track->StreamIndex;
    }

    const auto subtitles = SourceTracks(input, AVMEDIA_TYPE_SUBTITLE);
    if (s.KeepSubtitleTrack >= 0) {
        const TSourceTrack* track = FindTrack(subtitles, s.KeepSubtitleTrack);
        if (!track) {
            errorText_ = TrackNotFound("subtitle", s.KeepSubtitleTrack, subtitles.size());
            return false;
        }
        // A codec the options name wins; otherwise the container's own.
        if (s.SubtitleCodecName.empty() && !s.SubtitleStreamCopy) {
            const auto codec = KeptSubtitleCodec(formatName, track->CodecId);
            if (!codec) {
                errorText_ = FormatText("The %s container cannot hold %s subtitles (%s)", formatName.c_str(),
                                        track->Picture ? "picture" : "text", track->CodecName.c_str());
                return false;
            }
            if (*codec == "copy")
                s.SubtitleStreamCopy = true;
            else
                s.SubtitleCodecName = *codec;
        }
        trackPicks_.KeepSubtitleStream = track->StreamIndex;
        useSubtitle = true;
    }

    if (s.BurnSubtitleTrack >= 0) {
        const TSourceTrack* track = FindTrack(subtitles, s.BurnSubtitleTrack);
        if (!track) {
            errorText_ = TrackNotFound("subtitle", s.BurnSubtitleTrack, subtitles.size());
            return false;
        }
        if (!useVideo) {
            errorText_ = "Subtitles cannot be burned into an output without pictures";
            return false;
        }
        if (!track->Picture && !avfilter_get_by_name(TextBurnFilter)) {
            errorText_ = FormatText(
                "Text subtitles cannot be burned: the filter library has no \"%s\" filter", TextBurnFilter);
            return false;
        }
        trackPicks_.BurnSubtitleStream = track->StreamIndex;
        trackPicks_.BurnSubtitleNumber = track->Number;
        trackPicks_.BurnText = !track->Picture;
    }
    return true;
}

void TCustomFFmpeg::PrepareSubtitleBurn() {
    pictureBurn_.Reset();
    if (trackPicks_.BurnSubtitleStream < 0 || trackPicks_.BurnText)
        return;
    // The first input's streams lead the input stream entries.
    TInputStream& ist = inputStreams_.at(static_cast<size_t>(trackPicks_.BurnSubtitleStream));
    ist.Discard = false;
    ist.DecodingNeeded = true;
}

TTextSubtitleBurn TCustomFFmpeg::TextSubtitleBurn() const {
    if (trackPicks_.BurnSubtitleStream < 0 || !trackPicks_.BurnText || inputs_.empty())
        return {};
    const AVFormatContext* input = inputs_.front().Context.get();
    return {input->url ? input->url : std::string(), trackPicks_.BurnSubtitleNumber};
}

bool TCustomFFmpeg::KeepBurnedSubtitle(const TInputStream& ist, AVSubtitle& subtitle) {
    if (trackPicks_.BurnText || ist.FileIndex != 0 || ist.StreamIndex != trackPicks_.BurnSubtitleStream)
        return false;
    pictureBurn_.Take(subtitle, ist.Decoder->width, ist.Decoder->height);
    return true;
}

void TCustomFFmpeg::BurnPictureSubtitle(const TInputStream& ist, AVFrame*& frame) {
    if (trackPicks_.BurnSubtitleStream < 0 || trackPicks_.BurnText || !pictureBurn_.Showing(ist.Pts))
        return;
    if (av_frame_make_writable(frame) < 0)
        throw FFmpegException("Cannot draw the subtitle: out of memory");
    pictureBurn_.Draw(*frame, ist.Pts);
}
