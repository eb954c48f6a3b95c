#include "app/ScriptedFormatChoice.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/ConversionSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// An encoder pick refills the bit rate list; a bit rate given before it must
// still be the one converted with.
TEST(ScriptedFormatChoice, PicksApplyInListOrderWhateverOrderTheyCameIn) {
    TempDir dir;
    using Picks = std::vector<std::pair<TChoiceRole, std::string>>;
    const Picks orders[] = {
        {{TChoiceRole::crVideoBitRate, "1600 kbps(极高质量)"},
         {TChoiceRole::crVideoEncoder, "MPEG4 视频压缩器"}},
        {{TChoiceRole::crVideoEncoder, "MPEG4 视频压缩器"},
         {TChoiceRole::crVideoBitRate, "1600 kbps(极高质量)"}},
    };
    for (const Picks& picks : orders) {
        SCOPED_TRACE(picks.front().second);
        TFormatScript script;
        script.ProfileId = 1;
        script.Picks = picks;
        TConversionSettings settings;
        std::string error;
        ASSERT_TRUE(RunScriptedFormatChoice(script, settings, dir.Path().string(), false, error)) << error;
        EXPECT_EQ(settings.VideoBitRate, 1600 * 1000);
    }
}
