// TCustomFFmpeg: one conversion task of the engine. It owns the task's
// settings and option contexts (written by the options), the opened input and
// output files, and during a run the run tables. Options reach it through the
// TOptionTarget interface; the run control drives it through TTaskBody.
//
// Threads: options, OpenInputFile and OpenOutputFile run on the thread that
// builds the task (the main thread); PrepareRun and the loop run on the task's
// run thread. The two never overlap, so nothing here is locked, except codec
// opening and closing, which hold CodecLock.
#pragma once

#include "engine/Records.h"
#include "loop/FrameHookState.h"
#include "loop/RunCounters.h"
#include "loop/SubtitleBurn.h"
#include "media/GenericOptions.h"
#include "media/OpenInterrupt.h"
#include "options/OptionTarget.h"
#include "preview/Preview.h"
#include "setup/TrackPicks.h"
#include "task/EngineSettings.h"
#include "task/RunTables.h"
#include "task/TaskBody.h"
#include "task/TaskFiles.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class TCustomAVProbe;
struct TProbedInput;
class TFFBaseComponent;

class TCustomFFmpeg : public TOptionTarget, public TTaskBody {
public:
    static constexpr int DefaultMaxFiles = 20;

    explicit TCustomFFmpeg(int maxFiles = DefaultMaxFiles);
    ~TCustomFFmpeg() override;
    TCustomFFmpeg(const TCustomFFmpeg&) = delete;
    TCustomFFmpeg& operator=(const TCustomFFmpeg&) = delete;

    // TOptionTarget
    TEngineSettings& Settings() override { return settings_; }
    OptionContextSet& OptionContexts() override { return *options_; }
    int OpenedInputCount() const override { return static_cast<int>(inputs_.size()); }
    int OpenedOutputCount() const override { return static_cast<int>(outputs_.size()); }
    void AddStreamToLastOutput(AVMediaType type) override;
    std::vector<AVRational> InputVideoFrameRates() const override;

    // Default settings and fresh option contexts (scaler flags bicubic). Keeps
    // the files; call ReleaseEngineState first for a clean task.
    void ResetEngineState();

    // TTaskBody
    bool HasOutputFile() const override { return !outputs_.empty(); }
    bool HasInputFile() const override { return !inputs_.empty(); }
    // Run preparation, the rounds, flush, trailers (TranscodeLoop.cpp).
    void TranscodeLoop(TRunControl& control) override;
    // Closes the encoders and then the decoders opened for the run, under CodecLock.
    void CloseOpenedCodecs() override;
    // Frees the run tables, closes every output (deleting a file still 0 bytes
    // long) and every input, and frees the option contexts' stored options.
    void ReleaseEngineState() override;
    const TFFBaseComponent* LogSender() const override { return logSender_; }
    // The sender of the task's log lines (the converter component); may be null.
    void SetLogSender(const TFFBaseComponent* sender) { logSender_ = sender; }
    // Whether outputs opened afterwards keep a begun, unended file under
    // their name plus TOutputFile::IncompleteSuffix (the default).
    void SetMarkIncompleteOutputs(bool mark) { markIncompleteOutputs_ = mark; }

    // Opens an input with the current settings. False with ErrorText() set on
    // an open failure; raises FFmpegException for an unknown forced format.
    // Opening and reading the stream information give up after the open limit
    // or when the cancel counter moves (see SetOpenLimits). With `probe`, an
    // input the probe holds is taken over instead of opening the file again
    // when it is this file opened the way this input would open it: the same
    // forced format or none, no option that changes the open (forced
    // decoders, a program, container options), and the file unchanged
    // (TCustomAVProbe::TakeInput); the probe is then empty.
    bool OpenInputFile(const std::string& fileName, TCustomAVProbe* probe = nullptr);
    // The same with an input a probe has already handed over (TakeInput),
    // perhaps on another thread: taken under the same conditions, else left
    // in `offered` and the file opened again.
    bool OpenInputFile(const std::string& fileName, std::optional<TProbedInput>& offered);
    // The time an input's opening may take, and a counter (may be null, must
    // outlive the task) that another thread raises to cut openings short.
    void SetOpenLimits(std::chrono::milliseconds limit, const std::atomic<unsigned>* cancels) {
        openLimit_ = limit;
        openCancels_ = cancels;
    }
    // Opens an output and creates its streams with the current settings. The
    // number of outputs, or -1 with ErrorText() set; nothing stays behind on failure.
    int OpenOutputFile(const std::string& fileName, bool join = false);
    // Text of the last failed open.
    const std::string& ErrorText() const { return errorText_; }

    // Run preparation: builds the run tables, maps the streams, sets up stream
    // copy and encoding, opens the codecs, writes the headers. Raises
    // FFmpegException; codecs opened before a failure stay listed for
    // CloseOpenedCodecs.
    void PrepareRun();
    // Writes every output's trailer (end of a run that was not aborted).
    void WriteTrailers();
    // Removes the default-named pass logs a second pass read.
    void RemovePassLogs();
    // Frees the run tables (end of a run).
    void FreeRunTables();

    AVFormatContext* InputContext(int index) const { return inputs_.at(index).Context.get(); }
    AVFormatContext* OutputContext(int index) const { return outputs_.at(index)->Context.get(); }
    const TInputFile& Input(int index) const { return inputs_.at(index); }
    const TOutputFile& Output(int index) const { return *outputs_.at(index); }
    const std::vector<TInputStream>& InputStreams() const { return inputStreams_; }
    const std::vector<TOutputStream>& OutputStreams() const { return outputStreams_; }
    int MaxFiles() const { return maxFiles_; }
    // Bytes of global headers (extradata) of the encoders opened for the run.
    int64_t GlobalHeaderBytes() const { return globalHeaderBytes_; }

    // Progress of a run (TaskIndex left 0 for the component to fill), called on
    // the run thread at most once per report interval and once at the end.
    std::function<void(const TProgressInfo&)> OnProgress;
    // The interrupt callback of the inputs' library I/O (opaque: the task): true
    // once the running loop's stop has been asked for, or while an input opens,
    // once its opening has run out of time or been cancelled, so a read that
    // waits for data gives up. Called from inside library calls on the thread
    // that opens or runs.
    static int StopInterrupt(void* opaque);

    // Minimum time between two progress reports, µs; set before the run starts.
    void SetReportInterval(int64_t microseconds) { reportInterval_ = microseconds; }
    // Threads for the task's video codecs unless "threads" says otherwise; set
    // before the run starts (1 by default).
    void SetCodecThreadShare(int threads) { codecThreadShare_ = threads; }

    // The custom hook: called on the run thread for every decoded video picture
    // as a bitmap the handler may draw on. `update` (true on entry) false leaves
    // the picture unchanged; `stopHook` true ends the hook for the rest of the task.
    // Connected by the converter component; stream copy of video refuses it.
    std::function<void(TBitmap24& bitmap, int frameNumber, int64_t pts, bool& update, bool& stopHook)> OnHook;
    // The conversion preview; its flags also keep stream copy away (no decoded pictures).
    TTaskPreview& Preview() { return preview_; }

private:
    // Both OpenInputFile: a probe to take the input from, or an input taken already (one of them or none).
    bool OpenInput(const std::string& fileName, TCustomAVProbe* probe, std::optional<TProbedInput>* offered);
    // output set-up (OutputSetup.cpp)
    // Adds a stream of `type` to `output` with its bitstream filters, encoder context and codec tag.
    TOutputStreamSetup& NewStream(TOutputFile& output, AVMediaType type, const std::string& codecName,
                                  bool streamCopy, uint32_t codecTag,
                                  std::vector<std::string>& bitstreamFilters);
    void NewVideoStream(TOutputFile& output);
    void NewAudioStream(TOutputFile& output);
    void NewSubtitleStream(TOutputFile& output);
    void ApplyOutputMetadata(TOutputFile& output);
    // Checks the track picks against the first input and resolves them into
    // trackPicks_ (TrackPicks.cpp); a kept subtitle track forces `useSubtitle`.
    // False with the error text set when a pick cannot be met.
    bool ResolveTrackPicks(const std::string& formatName, bool useVideo, bool useAudio, bool& useSubtitle);
    // Run preparation: the picture subtitle track to burn is read and decoded
    // though no output stream takes it (TrackPicks.cpp).
    void PrepareSubtitleBurn();
    // The text subtitles the video filter graph draws; Number 0 when none.
    TTextSubtitleBurn TextSubtitleBurn() const;
    // A decoded subtitle of the track being burned as pictures is kept for the
    // pictures it shows on; true when `ist` is that track (TrackPicks.cpp).
    bool KeepBurnedSubtitle(const TInputStream& ist, AVSubtitle& subtitle);
    // Draws the kept picture subtitle into a decoded video picture on screen at its time.
    void BurnPictureSubtitle(const TInputStream& ist, AVFrame*& frame);

    // run preparation (StreamMapping.cpp, RunPreparation.cpp)
    void BuildInputStreams();
    void CheckStreamMaps();
    void MapOutputStreams();
    void SetupOutputStream(TOutputStream& ost, int globalIndex);
    void SetupStreamCopy(TOutputStream& ost, TOutputStreamSetup& setup, const TInputStream& ist);
    // "deinterlace=auto": looks at the first seconds of the encoded video's source
    // and deinterlaces when they are interlaced (InterlaceChoice.cpp).
    void ChooseDeinterlacing();
    void SetupVideoEncoding(TOutputStream& ost, TInputStream& ist);
    // The user's filters.
    std::string VideoFilterText() const;
    void SetupAudioEncoding(TOutputStream& ost, TInputStream& ist);
    void SetupPassLog(TOutputStream& ost, TOutputStreamSetup& setup, int globalIndex);
    void OpenEncoders();
    void OpenDecoders();
    void OpenDecoder(TInputStream& ist);
    void InitInputTimestamps();
    void ApplyMetaDataMaps();
    void CopyChapters();
    void WriteHeaders();
    void LogStreamMapping();
    void DumpOutput(int index);

    // transcoding loop (TranscodeLoop.cpp, VideoOutput.cpp, AudioOutput.cpp, PacketWriter.cpp,
    // ProgressReport.cpp)
    int ChooseInputFile(const std::vector<char>& ended, const std::vector<char>& noPacket) const;
    // The next packet of `input`: the ones read ahead first, then the container's.
    static int ReadInputPacket(TInputFile& input, AVPacket* pkt);
    void AdjustPacketTimestamps(TInputFile& input, TInputStream& ist, AVPacket* pkt);
    bool ProcessPacket(int istIndex, const AVPacket* pkt, TRunControl& control);
    bool DecodeAndOutput(int istIndex, const AVPacket* pkt, TRunControl& control);
    void OutputDecodedFrame(int istIndex, AVFrame* frame, TRunControl& control);
    // "re": waits until the wall clock since the run's start reaches the stream's time, or a stop.
    void EmulateRate(const TInputStream& ist, const TRunControl& control) const;
    void WarnMultipleFrames(TInputStream& ist);
    AVFrame* PreprocessVideo(const TInputStream& ist, AVFrame* frame);
    bool RunCustomHook(const TInputStream& ist, AVFrame* picture);
    // Whether a packet that is not decoded lies far enough on to be copied.
    bool CopiedFromHere(const TInputStream& ist, const AVPacket* pkt) const;
    void DoStreamCopy(TOutputStream& ost, const TInputStream& ist, const AVPacket* pkt);
    void DoVideoOut(TOutputStream& ost, const TInputStream& ist, AVFrame* picture, int64_t pictureTime,
                    TRunControl& control);
    // Writes the waiting picture for the slots it is on screen for; at the end of the stream.
    void FlushWaitingPicture(TOutputStream& ost, const TInputStream& ist, TRunControl& control);
    void WriteWaitingPicture(TOutputStream& ost, const TInputStream& ist, int64_t frames,
                             TRunControl& control);
    void WriteVideoFrames(TOutputStream& ost, const TInputStream& ist, AVFrame* picture, int64_t frames,
                          TRunControl& control);
    bool KeepsVideoTimestamps(const TOutputStream& ost) const;
    AVFrame* ScaleVideo(TOutputStream& ost, const TInputStream& ist, AVFrame* picture);
    // Makes the graph of `ost` again for pictures like `picture`, after giving
    // out what the old one holds (VideoFiltering.cpp).
    void RebuildVideoFilterGraph(TOutputStream& ost, const TInputStream& ist, const AVFrame* picture,
                                 TRunControl& control);
    void EncodeVideoFrame(TOutputStream& ost, AVFrame* frame);
    void DoAudioOut(TOutputStream& ost, TInputStream& ist, AVFrame* samples);
    void DoSubtitleOut(TOutputStream& ost, const TInputStream& ist, AVSubtitle& subtitle);
    void EncodeAudioFromFifo(TOutputStream& ost, bool flush);
    void SendToEncoder(TOutputStream& ost, const AVFrame* frame);
    void FlushEncoders(int istIndex);
    // Through the stream's bitstream filters (BitstreamFilters.cpp) to the muxer.
    void WritePacket(TOutputStream& ost, AVPacket* pkt);
    void MuxPacket(TOutputStream& ost, AVPacket* pkt);
    // Raises a decoding time that repeats or goes back to what the muxer takes,
    // and keeps the presentation time at or after it.
    void RepairTimestamps(TOutputStream& ost, AVPacket* pkt);
    // Fails a run that ended by itself without writing a packet into some output.
    void RefuseEmptyOutputs();
    void OpenBitstreamFilters(TOutputStream& ost);
    // Passes `pkt` (null: the end of the stream) through the filters from `index` on.
    void FilterPacket(TOutputStream& ost, AVPacket* pkt, size_t index);
    void FlushBitstreamFilters();
    // Reports a filter failure; raises it with "xerror".
    void BitstreamFilterFailed(const TOutputStream& ost, const std::string& name, int code);
    void WriteVideoStats(const TOutputStream& ost, const AVPacket* pkt, char pictureType, uint64_t lumaError);
    void ApplyVolume(AVFrame* frame) const;
    void Report(int fileIndex, bool last);
    // Keeps the per-plane errors of the encoder's quality statistics (packet side data).
    static void RecordPictureErrors(TOutputStream& ost, const uint8_t* stats, size_t size);

    TOutputStreamSetup& SetupOf(const TOutputStream& ost) {
        return outputs_[ost.FileIndex]->Streams[ost.Index];
    }
    const TInputStreamSetup& SetupOf(const TInputStream& ist) const {
        return inputs_[ist.FileIndex].Streams[ist.StreamIndex];
    }

    int maxFiles_;
    const TFFBaseComponent* logSender_ = nullptr;
    bool markIncompleteOutputs_ = true;
    TEngineSettings settings_;
    std::unique_ptr<OptionContextSet> options_;
    std::vector<TInputFile> inputs_;
    std::vector<std::unique_ptr<TOutputFile>> outputs_;
    std::string errorText_;
    bool filterFlag_ = false; // the last opened output has a filter graph text

    // run tables and run state
    std::vector<TInputStream> inputStreams_;
    std::vector<TOutputStream> outputStreams_;
    std::vector<AVCodecContext*> openedEncoders_; // owned by the stream set-ups
    std::vector<AVCodecContext*> openedDecoders_;
    int64_t globalHeaderBytes_ = 0;
    int64_t reportInterval_ = 500000;
    int codecThreadShare_ = 1;
    const TRunControl* runControl_ = nullptr; // the running loop's control; run thread only
    // Default-named pass logs a second pass read; removed once it has ended by itself.
    std::vector<std::string> passLogsToRemove_;
    // Set while OpenInputFile opens an input, on its thread.
    const TOpenInterrupt* openInterrupt_ = nullptr;
    std::chrono::milliseconds openLimit_ = TOpenInterrupt::DefaultLimit;
    const std::atomic<unsigned>* openCancels_ = nullptr;

    TRunCounters counters_;
    // Buffers reused across a run's packets.
    PacketPtr encodedPacket_;
    FramePtr decodedFrame_;
    FramePtr filteredFrame_;
    FramePtr croppedFrame_;               // a reference to the picture being cropped
    std::vector<uint8_t> subtitleBuffer_; // encoded subtitle, reused
    FilePtr vstatsFile_;                  // the video statistics file, opened on first use
    TFrameHookState hookState_;
    TTaskPreview preview_;
    TTrackPicks trackPicks_;           // set when the output opens
    TPictureSubtitleBurn pictureBurn_; // picture subtitles drawn into the pictures; run thread
};
