// Which of our own looks each stored "SetSkin" value shows; any other value
// keeps the built-in look.
#pragma once

#include <array>
#include <string_view>

enum class TSkinLook { BuiltIn, Silver, Blue, DeepBlue, Green, Orange, Cyan, Black };

struct TSkinLookEntry {
    std::string_view Value; // stored as "SetSkin" in section "skin"
    TSkinLook Look;
};

// Grouped by the colours the skins' names promise.
inline constexpr std::array<TSkinLookEntry, 18> SkinLooks{{
    {"skin1", TSkinLook::Silver},
    {"skin2", TSkinLook::Blue},
    {"skin3", TSkinLook::Black},
    {"skin4", TSkinLook::Blue},
    {"skin5", TSkinLook::Silver},
    {"skin6", TSkinLook::DeepBlue},
    {"skin7", TSkinLook::DeepBlue},
    {"skin8", TSkinLook::Blue},
    {"skin9", TSkinLook::Black},
    {"skin10", TSkinLook::Green},
    {"skin11", TSkinLook::Orange},
    {"skin12", TSkinLook::Green},
    {"skin13", TSkinLook::Blue},
    {"skin14", TSkinLook::Cyan},
    {"skin15", TSkinLook::Black},
    {"skin16", TSkinLook::Green},
    {"skin17", TSkinLook::Silver},
    {"skin18", TSkinLook::Cyan},
}};

// The look a stored value names; BuiltIn for an absent or unknown value.
TSkinLook SkinLookOf(std::string_view value);
