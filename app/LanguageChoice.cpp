#include "app/LanguageChoice.h"

#include <cstdlib>

namespace {

std::string Variable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

} // namespace

std::optional<TLanguage> ParseLanguageName(const std::string& name) {
    if (name == "zh" || StartsWith(name, "zh_") || StartsWith(name, "zh-") || StartsWith(name, "zh."))
        return TLanguage::Chinese;
    if (name == "en" || StartsWith(name, "en_") || StartsWith(name, "en-") || StartsWith(name, "en."))
        return TLanguage::English;
    return std::nullopt;
}

TLocaleVariables ReadLocaleVariables() {
    return {Variable("LANGUAGE"), Variable("LC_ALL"), Variable("LC_MESSAGES"), Variable("LANG")};
}

TLanguage ChooseLanguage(const std::string& commandLine, const std::string& setting,
                         const TLocaleVariables& locale) {
    if (auto chosen = ParseLanguageName(commandLine))
        return *chosen;
    if (auto chosen = ParseLanguageName(setting))
        return *chosen;
    // LANGUAGE is a list of preferences; the C library passes it over for the "C" locale.
    const std::string& effective = !locale.LcAll.empty()        ? locale.LcAll
                                   : !locale.LcMessages.empty() ? locale.LcMessages
                                                                : locale.Lang;
    std::string decisive = effective;
    if (!locale.Language.empty() && effective != "C" && effective != "POSIX")
        decisive = locale.Language.substr(0, locale.Language.find(':'));
    if (decisive.empty())
        return TLanguage::Chinese;
    return StartsWith(decisive, "zh") ? TLanguage::Chinese : TLanguage::English;
}
