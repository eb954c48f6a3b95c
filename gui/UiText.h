// A text of ours as the window shows it: translated when a translation is
// installed (gui/QtTranslations.h), else the Chinese text itself. Values that
// are stored (settings, job lists) stay the Chinese texts; only what is shown
// goes through here.
#pragma once

#include <QString>

#include <string_view>

// The one translation context of all our texts: they are unique enough alone.
inline constexpr const char* TextContext = "Vantoro";

QString UiText(std::string_view text);
