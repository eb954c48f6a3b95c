// The open dialogs' filter list as the dialogs show it: each entry names its
// patterns once, separated the way the dialog splits them.
#include "app/OpenFilters.h"

#include <gtest/gtest.h>

TEST(OpenFiltersTest, EachEntryShowsItsPatternsOnce) {
    struct TCase {
        TFileFilter Filter;
        const char* Shown;
    };
    const TCase cases[] = {
        {{"AVI文件 (*.avi)", "*.avi"}, "AVI文件 (*.avi)"},
        {{"MPEG文件 (*.mpg;*.mpeg)", "*.mpg;*.mpeg"}, "MPEG文件 (*.mpg *.mpeg)"},
        {{"所有文件 (*.*)", "*.*"}, "所有文件 (*.*)"},
        {{"各种类型", "*.avi;*.MKV"}, "各种类型 (*.avi *.MKV)"},
        {{"结尾分号", "*.avi;*.mkv;"}, "结尾分号 (*.avi *.mkv)"},
        // brackets that are not its patterns stay part of the label
        {{"Raw视频 (YUV)", "*.yuv"}, "Raw视频 (YUV) (*.yuv)"},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(DialogFilterEntry(c.Filter), c.Shown) << c.Filter.Label;
}

TEST(OpenFiltersTest, EveryListedEntryHasOneBracketedPatternList) {
    for (const TFileFilter& filter : OpenFilters()) {
        const std::string entry = DialogFilterEntry(filter);
        EXPECT_EQ(entry.find("(*"), entry.rfind("(*")) << entry;
        EXPECT_TRUE(entry.ends_with(")")) << entry;
        EXPECT_EQ(entry.find(';'), std::string::npos) << entry;
        EXPECT_EQ(entry.find("  "), std::string::npos) << entry;
    }
    EXPECT_EQ(DialogFilterEntry(OpenFilters().at(3)), "AVI文件 (*.avi)");
}
