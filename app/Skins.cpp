#include "app/Skins.h"

#include "profiles/Translation.h"

#include <algorithm>

namespace {

constexpr TSkin SkinTable[] = {
    {"skin1", VT_TR("Mac苹果皮肤"), ""},
    {"skin2", VT_TR("微软MSN皮肤"), "skins/msn.qss"},
    {"skin3", VT_TR("WMP10皮肤"), "skins/mp10.qss"},
    {"skin4", VT_TR("WinXP标准皮肤"), ""},
    {"skin5", VT_TR("Protein样式皮肤"), ""},
    {"skin6", VT_TR("RealOne风格皮肤"), "skins/RealOne.qss"},
    {"skin7", VT_TR("深蓝色皮肤"), ""},
    {"skin8", VT_TR("蓝色玻璃皮肤"), ""},
    {"skin9", VT_TR("Vista风格皮肤"), "skins/Longhorn.qss"},
    {"skin10", VT_TR("深绿色皮肤"), "skins/DeepGreen.qss"},
    {"skin11", VT_TR("桔红色皮肤"), "skins/DeepOrange.qss"},
    {"skin12", VT_TR("绿色玻璃皮肤"), "skins/GreenGlass.qss"},
    {"skin13", VT_TR("时尚蓝色blue皮肤"), "skins/OneBlue.qss"},
    {"skin14", VT_TR("时尚的Cyan皮肤"), "skins/OneCyan.qss"},
    {"skin15", VT_TR("运动黑色皮肤"), "skins/SportsBlack.qss"},
    {"skin16", VT_TR("XP绿色皮肤"), "skins/xpgreen.qss"},
    {"skin17", "", "skins/royale.qss"},
    {"skin18", VT_TR("冬天的色彩皮肤"), "skins/winter.qss"},
};

} // namespace

std::span<const TSkin> Skins() {
    return SkinTable;
}

const TSkin* FindSkin(std::string_view value) {
    const auto it = std::ranges::find(SkinTable, value, &TSkin::Value);
    return it == std::end(SkinTable) ? nullptr : &*it;
}
