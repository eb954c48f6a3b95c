#include "app/Skins.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(Skins, EveryValueNamesItsLookAndOtherValuesKeepTheBuiltInOne) {
    std::set<std::string_view> values;
    int withoutMenuItem = 0;
    for (const auto& skin : Skins) {
        SCOPED_TRACE(std::string(skin.Value));
        EXPECT_TRUE(values.insert(skin.Value).second) << "each value once";
        EXPECT_EQ(SkinLook(skin.Value), skin.Look);
        EXPECT_NE(skin.Look, TSkinLook::BuiltIn) << "every listed skin changes the look";
        withoutMenuItem += skin.MenuCaption.empty() ? 1 : 0;
    }
    EXPECT_EQ(withoutMenuItem, 1) << "skin17 is chosen by the settings file only";
    EXPECT_TRUE(Skins[16].MenuCaption.empty());
    for (const char* other : {"", "other", "skin0", "skin19", "SKIN1", "Error"})
        EXPECT_EQ(SkinLook(other), TSkinLook::BuiltIn) << other;
}
