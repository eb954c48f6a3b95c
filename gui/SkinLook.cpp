#include "gui/SkinLook.h"

#include "app/Skins.h"
#include "gui/SkinLookStyles.h"

#include <QDir>
#include <QFile>

QString SkinStyleSheet(const std::string& value, const QString& programFolder) {
    const TSkin* skin = FindSkin(value);
    if (skin == nullptr)
        return QString();
    if (!skin->SkinFile.empty()) {
        QFile file(QDir(programFolder)
                       .filePath(QString::fromUtf8(skin->SkinFile.data(),
                                                   static_cast<qsizetype>(skin->SkinFile.size()))));
        if (file.open(QIODevice::ReadOnly))
            return QString::fromUtf8(file.readAll());
    }
    return SkinLookStyleSheet(SkinLookOf(value));
}
