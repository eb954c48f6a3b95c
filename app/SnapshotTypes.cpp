#include "app/SnapshotTypes.h"

#include <cassert>

const TSnapshotTypeInfo& SnapshotTypeInfo(TSnapshotType type) {
    for (const auto& info : SnapshotTypes) {
        if (info.Type == type)
            return info;
    }
    assert(false && "every type has a row");
    return SnapshotTypes.front();
}

std::optional<TSnapshotType> SnapshotTypeFromSetting(std::string_view value) {
    for (const auto& info : SnapshotTypes) {
        if (info.SettingValue == value)
            return info.Type;
    }
    return std::nullopt;
}
