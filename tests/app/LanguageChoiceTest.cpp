// Which language the desktop program starts in: the command line, the settings
// key, then the locale variables in the C library's order.
#include "app/LanguageChoice.h"
#include "app/SettingsStore.h"
#include "fixtures/FixtureMaker.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

constexpr TLanguage Zh = TLanguage::Chinese;
constexpr TLanguage En = TLanguage::English;

TEST(LanguageChoiceTest, CommandLineThenSettingThenLocale) {
    struct TCase {
        const char* CommandLine;
        const char* Setting;
        TLocaleVariables Locale;
        TLanguage Expected;
    };
    const TCase cases[] = {
        {"en", "zh", {"zh_CN", "", "", "zh_CN.UTF-8"}, En}, // the command line wins
        {"zh", "en", {"", "", "", "en_US.UTF-8"}, Zh},
        {"", "en", {"", "", "", "zh_CN.UTF-8"}, En}, // then the settings key
        {"", "zh_CN", {"", "", "", "de_DE.UTF-8"}, Zh},
        {"", "klingon", {"", "", "", "zh_TW.UTF-8"}, Zh}, // an unknown setting is passed over
        {"", "", {"", "", "", "zh_CN.UTF-8"}, Zh},
        {"", "", {"", "", "", "en_GB.UTF-8"}, En},
        {"", "", {"", "", "", "de_DE.UTF-8"}, En}, // any other language: English
        {"", "", {"", "", "", "C.UTF-8"}, En},
        {"", "", {"", "", "", ""}, Zh},                       // nothing set: the program's own language
        {"", "", {"", "zh_CN.UTF-8", "", "en_US.UTF-8"}, Zh}, // LC_ALL before LANG
        {"", "", {"", "", "en_US.UTF-8", "zh_CN.UTF-8"}, En}, // LC_MESSAGES before LANG
        {"", "", {"en_US:zh_CN", "", "", "zh_CN.UTF-8"}, En}, // LANGUAGE's first entry
        {"", "", {"zh_CN:en", "", "", "en_US.UTF-8"}, Zh},
        {"", "", {"zh_CN", "C", "", ""}, En}, // the C locale ignores LANGUAGE
    };
    for (const TCase& c : cases)
        EXPECT_EQ(ChooseLanguage(c.CommandLine, c.Setting, c.Locale), c.Expected)
            << "--lang '" << c.CommandLine << "', setting '" << c.Setting << "', LANGUAGE '"
            << c.Locale.Language << "', LC_ALL '" << c.Locale.LcAll << "', LC_MESSAGES '"
            << c.Locale.LcMessages << "', LANG '" << c.Locale.Lang << "'";
}

TEST(LanguageChoiceTest, NamesOfTheTwoLanguages) {
    EXPECT_EQ(ParseLanguageName("zh"), Zh);
    EXPECT_EQ(ParseLanguageName("zh_CN.UTF-8"), Zh);
    EXPECT_EQ(ParseLanguageName("en"), En);
    EXPECT_EQ(ParseLanguageName("en-US"), En);
    EXPECT_EQ(ParseLanguageName(""), std::nullopt);
    EXPECT_EQ(ParseLanguageName("english"), std::nullopt);
    EXPECT_EQ(ParseLanguageName("zhx"), std::nullopt);
}

TEST(LanguageChoiceTest, TheSettingsKeyIsReadButNeverWritten) {
    TempDir dir;
    const std::string file = dir.File("system.ini");
    {
        TSettingsStore store(file, dir.Path().string());
        EXPECT_EQ(store.ReadLanguage(), "");
    }
    std::ofstream(file) << "[Run]\nLanguage=en\n";
    TSettingsStore store(file, dir.Path().string());
    EXPECT_EQ(store.ReadLanguage(), "en");
}

} // namespace
