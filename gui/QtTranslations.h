// The toolkit's own words (file dialogs, the buttons of message boxes, text
// box menus) in Chinese like the rest of the program, whatever the user's locale.
#pragma once

#include <QString>

class QCoreApplication;

// Installs Qt's Chinese translations from `folder` (empty: Qt's own
// translation folder) into `app`; false when they are not there.
bool InstallQtTranslations(QCoreApplication& app, const QString& folder = QString());
