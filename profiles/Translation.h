// The program's texts are Chinese in the code and stay the stored values; a
// translation, when one is installed, replaces them only where they are shown.
// VT_TR marks a text for the translation tools (scripts/translations.sh reads
// the marks); Tr looks a text up, returning it unchanged without a translation.
// It lives with the profiles, the lowest layer that holds shown texts, so the
// window logic above reaches it as well.
#pragma once

#include <string>
#include <string_view>

#define VT_TR(text) text

// Returns the translation of `text`, or nothing to keep `text`.
using TTranslateFunction = std::string (*)(std::string_view text);

// Installed once at start-up by the desktop program, before any window exists;
// nullptr removes it (tests).
void SetTranslateFunction(TTranslateFunction function);

std::string Tr(std::string_view text);
