#include "app/SkinLooks.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

TEST(SkinLooks, EveryValueNamesALookAndOtherValuesKeepTheBuiltInOne) {
    std::set<std::string_view> values;
    for (int i = 1; i <= 18; ++i) {
        const std::string value = "skin" + std::to_string(i);
        EXPECT_NE(SkinLookOf(value), TSkinLook::BuiltIn) << value;
    }
    for (const auto& entry : SkinLooks)
        EXPECT_TRUE(values.insert(entry.Value).second) << "each value once: " << entry.Value;
    for (const char* other : {"", "other", "skin0", "skin19", "SKIN1", "Error"})
        EXPECT_EQ(SkinLookOf(other), TSkinLook::BuiltIn) << other;
}
