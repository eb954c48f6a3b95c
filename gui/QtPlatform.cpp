#include "gui/QtPlatform.h"

#include "app/OpenFilters.h"
#include "gui/UiText.h"

#include <QFileDialog>
#include <QStringList>

namespace {

// Qt's filter syntax: "label (*.a *.b)" joined by ";;"; the first entry is selected.
QString FilterText(const std::vector<TFileFilter>& filters) {
    QStringList entries;
    for (TFileFilter filter : filters) {
        filter.Label = UiText(filter.Label).toStdString();
        entries << QString::fromStdString(DialogFilterEntry(filter));
    }
    return entries.join(QStringLiteral(";;"));
}

} // namespace

std::optional<std::string> QtPlatform::ChooseOpenFile(const std::vector<TFileFilter>& filters) {
    const QString file = QFileDialog::getOpenFileName(parent_, QString(), QString(), FilterText(filters));
    if (file.isEmpty())
        return std::nullopt;
    return file.toStdString();
}

std::vector<std::string> QtPlatform::ChooseOpenFiles(const std::vector<TFileFilter>& filters) {
    std::vector<std::string> files;
    for (const QString& file :
         QFileDialog::getOpenFileNames(parent_, QString(), QString(), FilterText(filters)))
        files.push_back(file.toStdString());
    return files;
}

std::optional<std::string> QtPlatform::ChooseFolder(const std::string& caption) {
    return ChooseFolderFrom(caption, {});
}

std::optional<std::string> QtPlatform::ChooseFolderFrom(const std::string& caption,
                                                        const std::string& startFolder) {
    const QString folder =
        QFileDialog::getExistingDirectory(parent_, UiText(caption), QString::fromStdString(startFolder));
    if (folder.isEmpty())
        return std::nullopt;
    return folder.toStdString();
}
