// The program's language at start-up: Chinese (its own texts, Qt's words from
// the Chinese Qt translations) or English (the compiled English translation of
// our texts; Qt's words are English already).
#pragma once

#include "app/LanguageChoice.h"

#include <QString>

class QCoreApplication;

// Installs Qt's Chinese translations from `folder` (empty: Qt's own
// translation folder) into `app`; false when they are not there.
bool InstallQtTranslations(QCoreApplication& app, const QString& folder = QString());

// Installs the translation of our own texts for `language` (none for Chinese,
// the texts' own language) and makes Tr() and UiText() use it; false when the
// compiled translation is missing. RemoveProgramTranslation undoes it (tests).
bool InstallProgramTranslation(QCoreApplication& app, TLanguage language);
void RemoveProgramTranslation();

// Both of the above for `language`; false when a part is missing (the program
// still runs, with those texts untranslated).
bool InstallLanguage(QCoreApplication& app, TLanguage language);
