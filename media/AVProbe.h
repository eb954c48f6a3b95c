// The media probe: opens one file (or adopts a context opened elsewhere), counts
// its streams and answers questions about the container and single streams,
// including a text report in the manner of the libraries' format dump.
// A probe is used by one thread at a time; it has no thread of its own.
#pragma once

#include "media/BaseComponent.h"
#include "media/FFmpegLogger.h"
#include "media/InterruptRelay.h"
#include "media/OpenInterrupt.h"
#include "media/PipeInput.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

struct AVFormatContext;

struct TFileStreamInfo {
    int64_t StartTime = -1; // µs; -1 when unknown
    int64_t Duration = -1;  // µs; -1 when unknown
    int32_t BitRate = -1;   // bit/s
    int64_t Timestamp = -1; // creation time, seconds since 1970-01-01
    int32_t Year = -1;
    int32_t Track = -1;
    std::string Title;
    std::string Author;
    std::string Copyright;
    std::string Comment;
    std::string Album;
    std::string Genre;
};

struct TAudioStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1; // in the stream's time base
    int64_t StartTimeUs = -1;
    int64_t Duration = -1; // in the stream's time base
    int64_t DurationUs = -1;
    int32_t BitRate = -1;
    int32_t Channels = -1;
    int32_t SampleRate = -1;
    int32_t SampleFormat = -1; // AVSampleFormat
};

struct TVideoStreamInfo {
    std::string Language;
    std::string CodecName;
    int64_t StartTime = -1; // in the stream's time base
    int64_t StartTimeUs = -1;
    int64_t Duration = -1; // in the stream's time base
    int64_t DurationUs = -1;
    int32_t BitRate = -1;
    int32_t Height = -1;
    int32_t Width = -1;
    float DisplayAspect = -1.0f; // sample aspect ratio x width / height
    int32_t PixelFormat = -1;    // AVPixelFormat
    int32_t FrameRateNum = -1;   // the stream's base frame rate
    int32_t FrameRateDen = -1;
    int32_t Rotation = -1; // degrees clockwise (0, 90, 180, 270) that show the pictures upright
};

// Closes an input that a probe opened (our own I/O included).
struct ProbedInputClose {
    void operator()(AVFormatContext* ctx) const;
};

// An input that a probe opened, handed to a new owner (TakeInput) with what its
// reads rely on. Declared in this order so that the context goes first, before
// the reader and the relay its reads use.
struct TProbedInput {
    // Every read of the input asks it; it asks nothing until the new owner
    // points it at its own callback.
    std::unique_ptr<TInterruptRelay> Interrupt;
    PipeInputPtr Pipe; // the reader of a pipe input, else null
    std::unique_ptr<AVFormatContext, ProbedInputClose> Context;
    std::string FileName;   // as given to Open
    std::string FormatName; // forced at Open; empty when the library detected it
};

class TCustomAVProbe : public TFFBaseComponent {
public:
    explicit TCustomAVProbe(TFFBaseComponent* owner = nullptr);
    ~TCustomAVProbe() override;

    // Opens and examines a file; an empty `formatName` lets the library detect the
    // format. False leaves the probe empty with LastError set. Throws
    // std::runtime_error when a library the probe needs is not bound. Gives up
    // after OpenTimeout or on CancelOpen (a pipe without writer sends nothing).
    bool Open(const std::string& fileName, const std::string& formatName = "");
    // Milliseconds an Open may take.
    int OpenTimeout() const { return openTimeout_; }
    void SetOpenTimeout(int milliseconds) { openTimeout_ = milliseconds; }
    // Any thread: cuts short an Open under way.
    void CancelOpen() { ++openCancels_; }
    // Adopts a context opened elsewhere, without owning it. Its opener closes it and
    // must Close the probe (or stop using it) first. Throws like Open.
    virtual void Attach(AVFormatContext* context);
    // Forgets the context, closing the input when Open made it.
    virtual void Close();
    // Hands the input that Open made to a new owner, so that it need not open
    // the file again: when it was opened as `fileName` and the file is still
    // the one opened (same file; for a regular file also the same size and
    // time of change). The probe is then empty, as after Close. Nothing
    // (the probe keeps what it holds) otherwise. The stream information is
    // read; the context is positioned as a fresh open leaves it.
    std::optional<TProbedInput> TakeInput(const std::string& fileName);
    // Recomputes the summary fields from the held context (all -1 without one).
    virtual void Refresh();

    void GetFileStreamInfo(TFileStreamInfo& info);
    // A negative index means the first stream of that kind.
    void GetAudioStreamInfo(int streamIndex, TAudioStreamInfo& info);
    void GetVideoStreamInfo(int streamIndex, TVideoStreamInfo& info);
    // Lines joined with CR LF; empty without a context.
    void GetFormatReport(std::string& text);
    void GetFileName(std::string& fileName) const;
    void GetFormatName(std::string& name) const;
    void GetFormatLongName(std::string& name) const;

    const std::string& LastError() const { return lastError_; }
    AVFormatContext* Context() const { return context_; }
    bool OwnsContext() const { return owned_ != nullptr; }
    // The input format name forced at Open; empty when the library detected it.
    const std::string& FormatName() const { return formatName_; }
    int64_t FileSize() const { return fileSize_; }
    int32_t StreamCount() const { return streamCount_; }
    int32_t ProgramCount() const { return programCount_; }
    int32_t AudioStreamCount() const { return audioStreamCount_; }
    int32_t VideoStreamCount() const { return videoStreamCount_; }
    int32_t SubtitleStreamCount() const { return subtitleStreamCount_; }
    int32_t FirstAudioStream() const { return firstAudioStream_; }
    int32_t FirstVideoStream() const { return firstVideoStream_; }
    int32_t FirstSubtitleStream() const { return firstSubtitleStream_; }

protected:
    // Logs `message` at `level` with the probe as sender and keeps it as LastError.
    void SetLastError(TLogLevel level, const std::string& message);
    // The container's creation time ("creation_time") in seconds since 1970-01-01; 0 when unknown.
    static int64_t CreationTimestamp(const AVFormatContext* ctx);

private:
    // What names one file and, for a regular file, its content (see TakeInput).
    struct FileStamp {
        uint64_t Device = 0;
        uint64_t Inode = 0;
        bool Regular = false;
        int64_t Size = 0;
        int64_t ChangeSeconds = 0;
        int64_t ChangeNanoseconds = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static std::optional<FileStamp> StampOf(const std::string& fileName);

    void CheckLibraries() const;
    void ForgetContext();
    // Shared steps of the two stream queries; the stream index or -1.
    int SelectStream(int streamIndex, int mediaType);

    AVFormatContext* context_ = nullptr;
    std::unique_ptr<TOpenInterrupt> opening_; // the last Open's limits; outlives the readers
    std::unique_ptr<TInterruptRelay> relay_;  // what the readers of Open's context ask; outlives them
    PipeInputPtr pipe_;                       // the reader of a pipe Open made the context for; outlives it
    std::unique_ptr<AVFormatContext, ProbedInputClose> owned_; // set when Open made the context
    std::string openedName_;                                   // the name Open was given, while owned_ is set
    std::optional<FileStamp> openedStamp_;                     // that file just before Open opened it
    std::atomic<int> openTimeout_{static_cast<int>(TOpenInterrupt::DefaultLimit.count())};
    std::atomic<unsigned> openCancels_{0};
    std::string lastError_;
    std::string formatName_;
    int64_t fileSize_ = -1;
    int32_t streamCount_ = -1;
    int32_t programCount_ = -1;
    int32_t audioStreamCount_ = -1;
    int32_t videoStreamCount_ = -1;
    int32_t subtitleStreamCount_ = -1;
    int32_t firstAudioStream_ = -1;
    int32_t firstVideoStream_ = -1;
    int32_t firstSubtitleStream_ = -1;
};

class TAVProbe : public TCustomAVProbe {
public:
    using TCustomAVProbe::TCustomAVProbe;

    void Refresh() override;

    // The first video stream, else the first audio stream, else -1.
    int32_t DefaultStream() const { return defaultStream_; }
    // That stream's start in its own time base, else the container's start; 0 when unknown.
    int64_t DefaultStartTime() const { return defaultStartTime_; }

private:
    int32_t defaultStream_ = -1;
    int64_t defaultStartTime_ = 0;
};
