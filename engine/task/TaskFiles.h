// The files a task has opened: inputs (at AddTask) and outputs with their
// streams (at SetOutputFile). They stay open until the task releases its
// engine state; the run tables (task/RunTables.h) point into them.
#pragma once

#include "media/InterruptRelay.h"
#include "media/PipeInput.h"
#include "task/EnginePointers.h"
#include "task/EngineSettings.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

class TFFBaseComponent;

// One stream of an opened input.
struct TInputStreamSetup {
    // Decoding context filled from the stream's parameters, with the stored
    // decoding options applied; opened in run preparation when decoding is needed.
    CodecContextPtr Decoder;
    // The decoder forced by name before the input was opened, or none.
    const AVCodec* ForcedDecoder = nullptr;
    // Private decoder options left for avcodec_open2.
    DictionaryHolder OpenOptions;
};

struct TInputFile {
    // The callback that the I/O of an input taken over from a probe asks (it
    // came with the input); null for an input the task opened. Outlives Context.
    std::unique_ptr<TInterruptRelay> Interrupt;
    PipeInputPtr PipeIO; // our own reader of a pipe input; declared before Context to outlive it
    InputContextPtr Context;
    std::string FileName;                            // as given (not the library's name)
    int64_t TimestampOffset = 0;                     // µs, added to every packet's timestamps
    std::array<double, MaxStreams> TimestampScale{}; // per stream, 0 = none
    std::vector<TInputStreamSetup> Streams;          // by stream index
    // Opened at a clip start ("ss" before the input): reading begins at the key
    // frame at or before it, whose packets lie before time 0.
    bool SeekedToStart = false;
    // Packets read before the run's loop (to look at the source), which it reads first.
    std::deque<PacketPtr> ReadAhead;
};

// One stream created in an output.
struct TOutputStreamSetup {
    AVStream* Stream = nullptr; // owned by the output container
    // Pass-2 statistics the encoder reads through stats_in; declared before the
    // codec context so that it outlives it.
    std::vector<char> PassStats;
    // The encoder's context, filled at creation from the settings and stored
    // options; for stream copy it only carries the tag the options set.
    CodecContextPtr Codec;
    const AVCodec* Encoder = nullptr; // by name or guessed from the format; null for copy or none
    bool StreamCopy = false;
    DictionaryHolder OpenOptions;              // private encoder options for avcodec_open2
    std::vector<std::string> BitstreamFilters; // names, applied in order to every packet
};

// An output container and the file it writes. Destroying it closes the file and
// deletes it when nothing was written (0 bytes), so a failed open or a task that
// never ran leaves no empty file behind. A file whose header went out but whose
// trailer did not (the run failed: a full disk, a broken source, an encoder
// error) is kept under its name plus IncompleteSuffix, so that it cannot pass
// for a finished conversion while what was written is not lost; a caller that
// writes under a temporary name of its own and sees to a failed file itself
// turns that off (MarkIncomplete).
class TOutputFile {
public:
    TOutputFile() = default;
    ~TOutputFile();
    TOutputFile(const TOutputFile&) = delete;
    TOutputFile& operator=(const TOutputFile&) = delete;

    static constexpr const char* IncompleteSuffix = ".part";

    // Closes the written file (flushing it) and deletes it when it is empty;
    // renames it when it was begun and not ended (see above).
    void CloseFile();

    FormatContextPtr Context;
    std::string FileName;                        // as given
    bool FileOpen = false;                       // Context->pb is ours to close
    bool Begun = false;                          // the header write was tried
    bool Ended = false;                          // the trailer was written
    bool MarkIncomplete = true;                  // rename a begun, unended file (see above)
    const TFFBaseComponent* LogSender = nullptr; // for the note on an incomplete file
    std::vector<TOutputStreamSetup> Streams;
    DictionaryHolder HeaderOptions; // private muxer options for avformat_write_header
};
