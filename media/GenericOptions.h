// Options the engine does not handle itself: checked by name when they are
// given, kept in order, and applied later to the real codec, container or
// scaler context once set-up has chosen the encoder or muxer.
//
// Generic options (those of every codec, container or scaler context) are set
// on a small set of stand-in contexts, one per media type plus one container
// and one scaler context; applying them copies the stand-in's current value
// onto the real context. Names only an encoder, decoder, muxer or demuxer knows
// privately are checked against those private option tables and replayed onto
// the chosen one's private options. Names of older library generations are
// translated to today's names first (media/LegacyOptions.h).
#pragma once

#include "media/LibraryPointers.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

struct AVCodec;
struct AVCodecContext;
struct AVDictionary;
struct AVFormatContext;
struct SwsContext;

// Where a stored option was accepted.
enum TOptionScope {
    osCodec,   // the generic options of the stand-in codec context of `MediaType`
    osFormat,  // the generic options of the container context
    osScaler,  // the scaler context
    osPrivate, // a private option of some encoder, decoder, muxer or demuxer
};

struct TStoredOption {
    std::string Name;  // the option's own name (generic), or the private option's name
    std::string Value; // the value as accepted (only replayed for osPrivate)
    TOptionScope Scope = osCodec;
    AVMediaType MediaType = AVMEDIA_TYPE_UNKNOWN; // osCodec only
};

// One per conversion task. Owns its stand-in contexts; not shared between threads.
class OptionContextSet {
public:
    static constexpr int MediaTypeCount = 5; // video, audio, data, subtitle, attachment

    explicit OptionContextSet(int scalerFlags = 4 /* bicubic */);
    ~OptionContextSet();
    OptionContextSet(const OptionContextSet&) = delete;
    OptionContextSet& operator=(const OptionContextSet&) = delete;

    // The stand-in contexts; null only between FreeOptionContexts and InitOptionContexts.
    AVCodecContext* CodecContext(AVMediaType type) const;
    AVFormatContext* FormatContext() const { return format_.get(); }
    SwsContext* ScalerContext() const { return scaler_.get(); }
    // The scaler flags as now set ("sws_flags"); the flags given at creation by default.
    int ScalerFlags() const;

    // Every option accepted so far, in order (one entry per accepted option).
    const std::vector<TStoredOption>& Options() const { return options_; }

private:
    friend void InitOptionContexts(OptionContextSet& set, int scalerFlags);
    friend void FreeOptionContexts(OptionContextSet& set);
    friend bool SetGenericOption(OptionContextSet& set, const std::string& name, const std::string& value);

    std::array<PlainCodecContextPtr, MediaTypeCount> codecs_;
    FormatContextPtr format_;
    SwsPtr scaler_;
    std::vector<TStoredOption> options_;
};

// (Re-)creates the stand-in contexts with the given scaler flags and forgets every stored option.
void InitOptionContexts(OptionContextSet& set, int scalerFlags);
// Frees the stand-in contexts and the stored options.
void FreeOptionContexts(OptionContextSet& set);

// Sets one option by name. Name and value are trimmed; either empty gives false.
// Search order: the codec contexts by media type, the container context, the
// scaler context, the name without a leading "a"/"v"/"s" on the audio/video/
// subtitle context, then the private options of every encoder, decoder, muxer
// and demuxer. A found option whose value is refused logs
// "Invalid value \"%s\" for option \"%s\"\n" at error level through the library
// log and gives false; a name found nowhere gives false without a message.
// Legacy names and values are translated first; a legacy setting with no
// current equivalent is logged at llWarning and counts as accepted.
bool SetGenericOption(OptionContextSet& set, const std::string& name, const std::string& value);

// Applies the stored options to a real codec context before avcodec_open2.
// Generic options: the stand-in context of `mediaType` is the source; an option
// is copied when it exists there and has all of `requiredFlags`
// (AV_OPT_FLAG_*, e.g. 17 = video | encoding). Private options: replayed in
// order onto `codec`'s private options when that codec has the name with the
// required flags (others are skipped quietly). They are set on target->priv_data
// when it is allocated for `codec`, otherwise added to `*privateOptions` for
// avcodec_open2. `codec` may be null: target->codec is used then.
void ApplyStoredOptions(const OptionContextSet& set, AVCodecContext* target, AVMediaType mediaType,
                        const AVCodec* codec, int requiredFlags, AVDictionary** privateOptions);

// The same for a real container context (input or output): the stand-in
// container context is the source, and private options go to target->priv_data
// when allocated, otherwise to `*privateOptions` (for avformat_open_input or
// avformat_write_header), when the chosen muxer or demuxer has them.
void ApplyStoredOptions(const OptionContextSet& set, AVFormatContext* target, int requiredFlags,
                        AVDictionary** privateOptions);

// The same for a real scaler context created with sws_alloc_context (before sws_init_context).
void ApplyStoredOptions(const OptionContextSet& set, SwsContext* target, int requiredFlags);
