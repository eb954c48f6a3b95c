// Which containers can keep a subtitle track, and in which codec: text in the
// container's own text codec, pictures copied or as DVD pictures. One table
// for the engine, the options window and the command line.
#pragma once

#include <optional>
#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
}

// "copy" or the encoder's name for keeping a subtitle track of codec `source`
// in the muxer named `formatName` ("matroska", "mp4", "mpeg" ...); none when
// that container cannot hold it.
std::optional<std::string> KeptSubtitleCodec(const std::string& formatName, AVCodecID source);

// The muxer that writes `fileName` (forced by `formatName` when not empty);
// empty when the library knows none.
std::string OutputFormatName(const std::string& formatName, const std::string& fileName);
