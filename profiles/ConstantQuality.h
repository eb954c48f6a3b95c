// Constant quality instead of a bit rate: three items after the bit rates of
// a video bit-rate list, offered when the list's encoder can hold one quality
// through the whole file. x264 takes a rate factor (CRF), the encoders with a
// fixed quantiser (the MPEG-4 family, MPEG-1, MJPEG, RealVideo, WMV) take a
// quantiser scale. Each item is one pass: the encoder spends what each picture
// needs, so there is nothing for a first pass to measure.
#pragma once

#include "profiles/ChoiceLists.h"
#include "profiles/Translation.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>

// In list order: high, middle, low quality; the value names the level.
inline constexpr std::array<TChoiceItem, 3> ConstantQualityItems{{{VT_TR("恒定质量 (高)"), "quality/0"},
                                                                  {VT_TR("恒定质量 (中)"), "quality/1"},
                                                                  {VT_TR("恒定质量 (低)"), "quality/2"}}};

// How an encoder holds a quality: the option that sets it and its value for
// each item of ConstantQualityItems.
struct TQualityScale {
    std::string_view Option; // "crf" or "qscale"
    std::array<std::string_view, 3> Values;
};

// The scale of `encoder` (a library encoder name: "libx264", "mpeg4" ...);
// none for an encoder without one, and for an empty name (the container's
// default encoder, which is not known before the output opens).
std::optional<TQualityScale> QualityScaleFor(std::string_view encoder);

// The position in ConstantQualityItems of the item of value `value`; none for any other value.
std::optional<size_t> QualityLevel(std::string_view value);

// The option line ("crf=23", "qscale=4") that the item of value `value` gives
// `encoder`; empty when it is no quality item or the encoder has no scale.
std::string QualityOptionLine(std::string_view encoder, std::string_view value);
