#include "profiles/Deinterlace.h"

#include <array>
#include <utility>

namespace {

constexpr std::array<std::pair<TDeinterlace, std::string_view>, 3> Names{
    {{TDeinterlace::Off, "off"}, {TDeinterlace::Auto, "auto"}, {TDeinterlace::On, "on"}}};

} // namespace

std::string_view DeinterlaceName(TDeinterlace mode) {
    for (const auto& [value, name] : Names)
        if (value == mode)
            return name;
    return "off";
}

std::optional<TDeinterlace> DeinterlaceByName(std::string_view name) {
    for (const auto& [value, text] : Names)
        if (text == name)
            return value;
    return std::nullopt;
}

std::string DeinterlaceOptionLine(TDeinterlace mode) {
    switch (mode) {
    case TDeinterlace::Auto:
        return "deinterlace=auto";
    case TDeinterlace::On:
        return "deinterlace=1";
    default:
        return {};
    }
}
