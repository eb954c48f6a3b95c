#include "app/Skins.h"

#include <algorithm>

namespace {

constexpr TSkin SkinTable[] = {
    {"skin1", "Mac苹果皮肤", ""},
    {"skin2", "微软MSN皮肤", "skins/msn.qss"},
    {"skin3", "WMP10皮肤", "skins/mp10.qss"},
    {"skin4", "WinXP标准皮肤", ""},
    {"skin5", "Protein样式皮肤", ""},
    {"skin6", "RealOne风格皮肤", "skins/RealOne.qss"},
    {"skin7", "深蓝色皮肤", ""},
    {"skin8", "蓝色玻璃皮肤", ""},
    {"skin9", "Vista风格皮肤", "skins/Longhorn.qss"},
    {"skin10", "深绿色皮肤", "skins/DeepGreen.qss"},
    {"skin11", "桔红色皮肤", "skins/DeepOrange.qss"},
    {"skin12", "绿色玻璃皮肤", "skins/GreenGlass.qss"},
    {"skin13", "时尚蓝色blue皮肤", "skins/OneBlue.qss"},
    {"skin14", "时尚的Cyan皮肤", "skins/OneCyan.qss"},
    {"skin15", "运动黑色皮肤", "skins/SportsBlack.qss"},
    {"skin16", "XP绿色皮肤", "skins/xpgreen.qss"},
    {"skin17", "", "skins/royale.qss"},
    {"skin18", "冬天的色彩皮肤", "skins/winter.qss"},
};

} // namespace

std::span<const TSkin> Skins() {
    return SkinTable;
}

const TSkin* FindSkin(std::string_view value) {
    const auto it = std::ranges::find(SkinTable, value, &TSkin::Value);
    return it == std::end(SkinTable) ? nullptr : &*it;
}
