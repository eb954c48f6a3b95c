#include "player/ReadThread.h"

#include "media/MainThreadDispatcher.h"
#include "media/PipeInput.h"
#include "media/TextHelpers.h"
#include "media/UnicodeProtocol.h"
#include "player/AudioComponent.h"
#include "player/SubtitleComponent.h"
#include "player/VideoComponent.h"

#include <chrono>
#include <cstring>
#include <limits>

namespace {

std::string formatText(const char* format, const std::string& fileName) {
    std::string text(format);
    const auto at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, fileName);
    return text;
}

// Called on the read thread only (the pipe reader's waits and the demuxer).
int interruptCallback(void* opaque) {
    const auto& st = *static_cast<const PlaybackState*>(opaque);
    return st.Abort.load() || (st.Opening && st.Opening->Expired()) ? 1 : 0;
}

// Why an open cut short by its time limit failed; empty when the limit did not cut it.
std::string openingFailure(const PlaybackState& st) {
    return st.Opening && st.Opening->TimedOut() ? st.Opening->FailureText(st.FileName) : std::string();
}

bool queuesFull(const PlaybackState& st) {
    return QueuesFull(st.Audio.Queue.Bytes(), st.Video.Queue.Count(), st.Subtitles.Queue.Count(),
                      st.Video.Queue.Bytes(), st.Subtitles.Queue.Bytes(), st.HasAudio(), st.HasVideo(),
                      st.HasSubtitles());
}

bool queuesEmpty(PlaybackState& st) {
    if (st.Audio.Queue.Bytes() != 0 || st.Video.Queue.Bytes() != 0 || st.Subtitles.Queue.Bytes() != 0)
        return false;
    if (!st.HasVideo())
        return true;
    // The pictures still waiting to be shown are part of what has to be played.
    std::lock_guard lock(st.Video.Pictures.Mutex);
    return st.Video.Pictures.Size == 0;
}

bool openInput(PlaybackState& st) {
    AVDictionary* options = nullptr;
    if (st.Settings.FrameWidth > 0 && st.Settings.FrameHeight > 0) {
        const std::string size =
            std::to_string(st.Settings.FrameWidth) + "x" + std::to_string(st.Settings.FrameHeight);
        av_dict_set(&options, "video_size", size.c_str(), 0);
    }
    const AVIOInterruptCB interrupt{interruptCallback, &st};
    // A pipe without writer or a silent device would hold the open (and the
    // caller of Open, the window) for as long as it stays silent: a time limit,
    // and a reader of pipes that a stop gets through.
    st.Opening = std::make_unique<TOpenInterrupt>(st.Settings.OpenLimit, nullptr);
    AVFormatContext* ic = nullptr;
    const int result = OpenSourceInput(&ic, st.Pipe, st.FileName, nullptr, &options, interrupt);
    av_dict_free(&options);
    if (result < 0) {
        const std::string cut = openingFailure(st);
        st.Player.SetLastError(cut.empty() ? LibraryErrorText(st.FileName, result) : cut);
        return false;
    }
    ic->interrupt_callback = interrupt;
    st.Input.reset(ic);

    const int found = avformat_find_stream_info(ic, nullptr);
    if (const std::string cut = openingFailure(st); !cut.empty()) {
        st.Player.SetLastError(cut);
        return false;
    }
    if (found < 0) {
        st.Player.SetLastError(formatText("%s: could not find codec parameters", st.FileName));
        return false;
    }
    // Playing waits for data as long as it takes; only a stop ends it.
    st.Opening.reset();
    if (ic->pb)
        ic->pb->eof_reached = 0;
    const char* format = ic->iformat ? ic->iformat->name : "";
    st.ImageSequence = std::strcmp(format, "image2") == 0;
    st.CaptureDevice = std::strcmp(format, "vfwcap") == 0 || std::strcmp(format, "vfwcapture") == 0;
    st.StartTime = ic->start_time;
    st.Duration = ic->duration != AV_NOPTS_VALUE ? ic->duration : -1;

    for (unsigned i = 0; i < ic->nb_streams; ++i)
        ic->streams[i]->discard = AVDISCARD_ALL;
    int videoIndex = -1, audioIndex = -1, subtitleIndex = -1;
    if (!st.Settings.DisableVideo)
        videoIndex = av_find_best_stream(ic, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (!st.Settings.DisableAudio)
        audioIndex = av_find_best_stream(ic, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    if (!st.Settings.DisableVideo)
        subtitleIndex = av_find_best_stream(ic, AVMEDIA_TYPE_SUBTITLE, -1, -1, nullptr, 0);

    if (audioIndex >= 0)
        OpenAudioComponent(st, audioIndex);
    if (videoIndex >= 0)
        OpenVideoComponent(st, videoIndex);
    if (subtitleIndex >= 0)
        OpenSubtitleComponent(st, subtitleIndex);
    if (!st.HasAudio() && !st.HasVideo()) {
        st.Player.SetLastError(formatText("%s: could not open codecs, no stream to play.", st.FileName));
        return false;
    }
    return true;
}

void seek(PlaybackState& st, bool& endOfFile) {
    AVFormatContext* ic = st.Input.get();
    const int64_t target = st.SeekTarget;
    const int64_t relative = st.SeekRelative;
    const int flags = st.SeekFlags;
    const int64_t lowest = relative > 0 ? target - relative + 2 : std::numeric_limits<int64_t>::min();
    const int64_t highest = relative < 0 ? target - relative - 2 : std::numeric_limits<int64_t>::max();
    int result = avformat_seek_file(ic, -1, lowest, target, highest, flags);
    if (result < 0)
        result = av_seek_frame(ic, -1, target, flags);
    if (result < 0)
        result = av_seek_frame(ic, -1, target, flags ^ AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        st.Player.ReportError(formatText("%s: error while seeking", st.FileName), false);
        st.DropStalePictures = true;
        if (st.HasVideo())
            st.Signals.PictureQueued.Set();
    } else {
        // Marked before the flush marker goes in: the video thread may take it at once.
        if (st.HasVideo()) {
            st.FlushSeen = false;
            st.DropStalePictures = true;
            st.Signals.PictureQueued.Reset();
        }
        for (PacketQueue* q : {&st.Audio.Queue, &st.Video.Queue, &st.Subtitles.Queue})
            q->FlushAll();
        if (st.HasAudio())
            st.Audio.Queue.PutFlush();
        if (st.HasSubtitles())
            st.Subtitles.Queue.PutFlush();
        if (st.HasVideo())
            st.Video.Queue.PutFlush();
    }
    st.ReadErrorReported = false;
    st.EndOfData = false;
    st.SeekRequest = false;
    if (!st.HasVideo())
        st.DropStalePictures = true;
    st.Signals.SeekDone.Set();
    if (!st.HasVideo())
        st.Signals.Seeking = false;
    endOfFile = false;
    WakeMainThread();
}

void readLoop(PlaybackState& st) {
    AVFormatContext* ic = st.Input.get();
    PacketPtr packet(av_packet_alloc());
    if (!packet)
        return;
    bool endOfFile = false;
    bool endPacketsQueued = false;
    auto pauseChanged = [&] { return st.Paused.load() != st.LastPaused; };

    while (!st.Abort) {
        if (pauseChanged()) {
            st.LastPaused = st.Paused;
            if (st.LastPaused)
                st.ReadPauseResult = av_read_pause(ic);
            else
                av_read_play(ic);
        }
        if (st.SeekRequest) {
            seek(st, endOfFile);
            endPacketsQueued = false;
        }
        if (queuesFull(st)) {
            st.ReadWake.Wait([&] { return st.Abort || st.SeekRequest || pauseChanged() || !queuesFull(st); });
            continue;
        }
        if (endOfFile) {
            if (!endPacketsQueued) {
                endPacketsQueued = true;
                if (st.HasVideo()) {
                    st.Video.Queue.PutEnd(st.Video.StreamIndex);
                    st.Signals.PictureQueued.Set();
                    WakeMainThread();
                }
                if (st.HasAudio())
                    st.Audio.Queue.PutEnd(st.Audio.StreamIndex);
            }
            if (!st.EndOfData && queuesEmpty(st))
                st.EndOfData = true;
            st.ReadWake.Wait([&] {
                return st.Abort || st.SeekRequest || pauseChanged() || (!st.EndOfData && queuesEmpty(st));
            });
            continue;
        }

        const int result = av_read_frame(ic, packet.get());
        if (st.Abort)
            break;
        if (result < 0) {
            if (result == AVERROR(EAGAIN)) {
                st.ReadWake.SleepFor(std::chrono::milliseconds(ReadRetryMs));
                continue;
            }
            if (st.HasVideo()) {
                st.Signals.PictureQueued.Set();
                WakeMainThread();
            }
            const bool atEnd = result == AVERROR_EOF || (ic->pb && avio_feof(ic->pb) && !ic->pb->error);
            if (!st.ReadErrorReported && !st.ImageSequence) {
                st.ReadErrorReported = true;
                if (atEnd) {
                    st.Player.ReportInfo(formatText("reach end of file: %s", st.FileName));
                } else {
                    char message[64];
                    std::snprintf(message, sizeof message, "error #%d while reading file: ", result);
                    st.Player.ReportError(message + st.FileName, false);
                }
            }
            if (atEnd) {
                endOfFile = true;
                continue;
            }
            if (ic->pb && ic->pb->error)
                break;
            st.ReadWake.SleepFor(std::chrono::milliseconds(ReadErrorRetryMs));
            continue;
        }
        const int index = packet->stream_index;
        if (index == st.Audio.StreamIndex)
            st.Audio.Queue.Put(packet.get());
        else if (index == st.Video.StreamIndex)
            st.Video.Queue.Put(packet.get());
        else if (index == st.Subtitles.StreamIndex)
            st.Subtitles.Queue.Put(packet.get());
        else
            av_packet_unref(packet.get());
    }
}

} // namespace

bool QueuesFull(int64_t audioBytes, int videoPackets, int subtitlePackets, int64_t videoBytes,
                int64_t subtitleBytes, bool hasAudio, bool hasVideo, bool hasSubtitles) {
    if (audioBytes + videoBytes + subtitleBytes > MaxQueuedBytes)
        return true;
    return (!hasAudio || audioBytes > MinAudioQueueBytes) && (!hasVideo || videoPackets > MinPacketCount) &&
           (!hasSubtitles || subtitlePackets > MinPacketCount);
}

void InputContextClose::operator()(AVFormatContext* c) const {
    CloseInputContext(&c);
}

PlaybackState::~PlaybackState() {
    for (auto& slot : Video.Pictures.Slots)
        slot.Overlay.reset();
    for (auto& slot : Subtitles.Slots)
        avsubtitle_free(&slot.Sub);
}

void ReadThreadMain(PlaybackState& st) {
    bool opened = false;
    try {
        opened = openInput(st);
    } catch (const std::exception& e) {
        st.Player.SetLastError(st.FileName + ": " + e.what());
    }
    st.OpenResult = opened ? 1 : -1;
    st.OpenDecided.Set();
    WakeMainThread();

    if (opened) {
        try {
            readLoop(st);
        } catch (const std::exception& e) {
            st.Player.ReportError(std::string("read thread: ") + e.what(), false);
            st.Player.PostEvent(QuitEvent);
        }
        st.ReadWake.Wait([&] { return st.Abort.load(); });
    }

    CloseAudioComponent(st);
    CloseVideoComponent(st);
    CloseSubtitleComponent(st);
    st.Input.reset();
    st.Pipe.reset();
    st.Opening.reset();
    if (st.OpenResult == -1)
        st.OpenResult = -2;
    st.ReadThreadDone.Set();
    WakeMainThread();
}
