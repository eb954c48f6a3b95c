// The appearance choices: each "SetSkin" value, the "皮肤" menu item that
// chooses it, and the look of our own it maps to. Values not in the table keep
// the built-in look.
#pragma once

#include <array>
#include <string_view>

enum class TSkinLook { BuiltIn, Silver, Blue, DeepBlue, Green, Orange, Cyan, Black };

struct TSkinInfo {
    std::string_view Value;       // stored as "SetSkin" in section "skin"
    std::string_view MenuCaption; // empty: chosen by the settings file only
    TSkinLook Look;
};

inline constexpr std::array<TSkinInfo, 18> Skins{{
    {"skin1", "Mac苹果皮肤", TSkinLook::Silver},
    {"skin2", "微软MSN皮肤", TSkinLook::Blue},
    {"skin3", "WMP10皮肤", TSkinLook::Black},
    {"skin4", "WinXP标准皮肤", TSkinLook::Blue},
    {"skin5", "Protein样式皮肤", TSkinLook::Silver},
    {"skin6", "RealOne风格皮肤", TSkinLook::DeepBlue},
    {"skin7", "深蓝色皮肤", TSkinLook::DeepBlue},
    {"skin8", "蓝色玻璃皮肤", TSkinLook::Blue},
    {"skin9", "Vista风格皮肤", TSkinLook::Black},
    {"skin10", "深绿色皮肤", TSkinLook::Green},
    {"skin11", "桔红色皮肤", TSkinLook::Orange},
    {"skin12", "绿色玻璃皮肤", TSkinLook::Green},
    {"skin13", "时尚蓝色blue皮肤", TSkinLook::Blue},
    {"skin14", "时尚的Cyan皮肤", TSkinLook::Cyan},
    {"skin15", "运动黑色皮肤", TSkinLook::Black},
    {"skin16", "XP绿色皮肤", TSkinLook::Green},
    {"skin17", "", TSkinLook::Silver},
    {"skin18", "冬天的色彩皮肤", TSkinLook::Cyan},
}};

// The look a stored value names; BuiltIn for an absent or unknown value.
TSkinLook SkinLook(std::string_view value);
