#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app, const QString& folder) {
    const QLocale chinese(QLocale::Chinese, QLocale::China);
    // Dates and numbers in the file dialogs follow the words.
    QLocale::setDefault(chinese);
    const QString from = folder.isEmpty() ? QLibraryInfo::path(QLibraryInfo::TranslationsPath) : folder;
    // Owned by the application: it lives as long as the texts it translates.
    auto* translator = new QTranslator(&app);
    if (!translator->load(chinese, QStringLiteral("qtbase"), QStringLiteral("_"), from)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
