#include "app/ScriptedFormatChoice.h"
#include "fixtures/FixtureMaker.h"
#include "profiles/ConversionSettings.h"

#include <gtest/gtest.h>

#include <optional>
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

// The command line's clip range takes what the options window's six boxes take.
TEST(ScriptedFormatChoice, AClipRangeIsReadAsTheSixBoxes) {
    struct Case {
        const char* text;
        std::optional<TClipBoxes> boxes;
    };
    const Case cases[] = {
        {"00:00:10-00:00:12", TClipBoxes{"00", "00", "10", "00", "00", "12"}},
        {"0:0:10-::12", TClipBoxes{"0", "0", "10", "", "", "12"}},
        {"01:75:99-02:00:00", TClipBoxes{"01", "75", "99", "02", "00", "00"}},
        {"1-2", std::nullopt},
        {"00:00:01.5-00:00:03", std::nullopt},
        {"000:00:01-00:00:02", std::nullopt},
        {"00:00:01-00:02", std::nullopt},
        {"00:00:01-00:00:02:00", std::nullopt},
        {"-1:00:00-00:00:02", std::nullopt},
        {"00:00:01+00:00:02", std::nullopt},
        {"", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseClipRange(c.text), c.boxes) << c.text;
}
