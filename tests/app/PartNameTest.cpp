// The temporary names of outputs that are moved to their final name once
// complete, and which names already say a file is incomplete.
#include "app/OutputFiles.h"

#include <gtest/gtest.h>

namespace {

TEST(PartNameTest, TheMarkGoesBeforeTheExtensionOfTheFileNameOnly) {
    struct Case {
        const char* name;
        const char* part;
    };
    const Case cases[] = {
        {"/v/clip.mp4", "/v/clip.part.mp4"},
        {"/v/clip.tar.gz", "/v/clip.tar.part.gz"},
        {"/v.d/clip", "/v.d/clip.part"},
        {"/v/.hidden", "/v/.hidden.part"},
        {"clip(New_1).avi", "clip(New_1).part.avi"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PartName(c.name), c.part) << c.name;
        EXPECT_TRUE(IsPartName(c.part)) << c.part;
        EXPECT_FALSE(IsPartName(c.name)) << c.name;
    }
    // The converter's own mark of an incomplete file counts too; a bare ".part" has nothing before it.
    EXPECT_TRUE(IsPartName("/v/clip.mp4.part"));
    EXPECT_FALSE(IsPartName("/v/.part"));
    EXPECT_FALSE(IsPartName("/v/clip.part/x.mp4"));
    EXPECT_FALSE(IsPartName("/v/clip.partly.mp4"));
}

} // namespace
