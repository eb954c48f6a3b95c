// The picture types a snapshot can be saved as: the value stored in the
// settings, the file extension and the menu caption of each, as one table.
#pragma once

#include "profiles/Translation.h"

#include <array>
#include <optional>
#include <string_view>

enum class TSnapshotType { Bmp, Jpg, Gif, Png };

struct TSnapshotTypeInfo {
    TSnapshotType Type;
    std::string_view SettingValue; // the "Picture" value in the settings file
    std::string_view Extension;
    std::string_view MenuCaption;
};

inline constexpr std::array<TSnapshotTypeInfo, 4> SnapshotTypes{{
    {TSnapshotType::Bmp, "BMP", ".bmp", VT_TR("BMP图片")},
    {TSnapshotType::Jpg, "JPG", ".jpg", VT_TR("JPG图片")},
    {TSnapshotType::Gif, "GIF", ".gif", VT_TR("GIF图片")},
    {TSnapshotType::Png, "PNG", ".png", VT_TR("PNG图片")},
}};

inline constexpr TSnapshotType DefaultSnapshotType = TSnapshotType::Bmp;

const TSnapshotTypeInfo& SnapshotTypeInfo(TSnapshotType type);
// None for anything but the four stored values (compared exactly, as stored).
std::optional<TSnapshotType> SnapshotTypeFromSetting(std::string_view value);
