#include "gui/SkinLook.h"

#include "app/Skins.h"

#include <QColor>
#include <QDir>
#include <QFile>

namespace {

// One tint per skin, in the order of the skin table.
constexpr const char* Tints[] = {"#e8e8ea", "#dde7f3", "#d9dde6", "#ece9d8", "#e4e9ee", "#e6e0d4",
                                 "#c9d6ea", "#d4e4f4", "#dfe6ee", "#cfe3d2", "#f3dccb", "#d6ecd8",
                                 "#d3e2f5", "#d2eef0", "#d0d0d0", "#dbe9c8", "#dde0ea", "#e6eef6"};

QString TintSheet(const QColor& tint) {
    return QStringLiteral("QMainWindow, QDialog { background: %1; }"
                          "QGroupBox { background: %2; border: 1px solid %3; border-radius: 3px;"
                          " margin-top: 8px; }"
                          "QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 3px; }"
                          "QToolBar { background: %2; border-bottom: 1px solid %3; }")
        .arg(tint.name(), tint.lighter(106).name(), tint.darker(135).name());
}

} // namespace

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
    const auto index = static_cast<size_t>(skin - Skins().data());
    return TintSheet(QColor(QString::fromUtf8(Tints[index % std::size(Tints)])));
}
