// Finding an encoder or decoder by the name an option gave.
#pragma once

#include <string>

extern "C" {
#include <libavutil/avutil.h>
}

struct AVCodec;

enum TCodecDirection { cdEncoder, cdDecoder };

struct TCodecLookup {
    const AVCodec* Codec = nullptr; // null for an empty name
    std::string Error;              // set when the lookup failed
    bool Ok() const { return Error.empty(); }
};

// Looks `name` up among the encoders or decoders. An empty name means "none"
// and succeeds. Fails for an unknown name, a codec of another media type, and
// an experimental codec while `strictness` is above FF_COMPLIANCE_EXPERIMENTAL.
// Names of encoders this library generation no longer has are mapped to their
// current equivalent ("libfaac" is the native "aac" encoder).
TCodecLookup FindCodecByName(const std::string& name, AVMediaType type, TCodecDirection direction,
                             int strictness);

// The current name for a codec name of an older library generation, or `name`.
std::string CurrentCodecName(const std::string& name, TCodecDirection direction);
