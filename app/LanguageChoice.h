// Which language the desktop program speaks: Chinese, its own, or English for
// everybody else. The command line's "--lang zh|en" wins, then the settings
// file's "[Run] Language", then the desktop's locale variables.
#pragma once

#include <optional>
#include <string>

enum class TLanguage { Chinese, English };

// "zh" or "en" (also "zh_CN", "en_US.UTF-8" ...); none for anything else.
std::optional<TLanguage> ParseLanguageName(const std::string& name);

struct TLocaleVariables {
    std::string Language;   // LANGUAGE: a colon-separated list, the first entry counts
    std::string LcAll;      // LC_ALL
    std::string LcMessages; // LC_MESSAGES
    std::string Lang;       // LANG
};
TLocaleVariables ReadLocaleVariables();

// `commandLine` and `setting` may be empty (not given); an unknown setting is
// passed over. The locale: the first variable set decides, as the C library
// takes them; "zh..." is Chinese, anything else (and "C"/"POSIX") English;
// nothing set at all keeps Chinese.
TLanguage ChooseLanguage(const std::string& commandLine, const std::string& setting,
                         const TLocaleVariables& locale);
