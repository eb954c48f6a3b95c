#include "gui/QtTranslations.h"

#include "gui/UiText.h"
#include "profiles/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// The compiled English translation, embedded by the build (translations/).
constexpr const char* EnglishTranslation = ":/i18n/vantoro_en.qm";

// Lives as long as the application: the texts it translates are looked up on every show.
QTranslator* ProgramTranslator = nullptr;

std::string TranslateForApp(std::string_view text) {
    return UiText(text).toStdString();
}

} // namespace

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

bool InstallProgramTranslation(QCoreApplication& app, TLanguage language) {
    RemoveProgramTranslation();
    if (language == TLanguage::Chinese)
        return true;
    auto* translator = new QTranslator(&app);
    if (!translator->load(QString::fromLatin1(EnglishTranslation))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    ProgramTranslator = translator;
    SetTranslateFunction(&TranslateForApp);
    return true;
}

void RemoveProgramTranslation() {
    SetTranslateFunction(nullptr);
    if (ProgramTranslator == nullptr)
        return;
    QCoreApplication::removeTranslator(ProgramTranslator);
    delete ProgramTranslator;
    ProgramTranslator = nullptr;
}

bool InstallLanguage(QCoreApplication& app, TLanguage language) {
    if (language == TLanguage::Chinese)
        return InstallQtTranslations(app);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    return InstallProgramTranslation(app, language);
}
