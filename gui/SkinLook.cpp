#include "gui/SkinLook.h"

#include "app/Skins.h"
#include "gui/SkinLookStyles.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPixmap>

namespace {

// The skin file a value names when the program folder has it; empty otherwise.
QString SkinFilePath(const TSkin& skin, const QString& programFolder) {
    if (skin.SkinFile.empty())
        return QString();
    const QString path =
        QDir(programFolder)
            .filePath(QString::fromUtf8(skin.SkinFile.data(), static_cast<qsizetype>(skin.SkinFile.size())));
    return QFile::exists(path) ? path : QString();
}

} // namespace

QString SkinStyleSheet(const std::string& value, const QString& programFolder) {
    const TSkin* skin = FindSkin(value);
    if (skin == nullptr)
        return QString();
    if (const QString path = SkinFilePath(*skin, programFolder); !path.isEmpty()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return QString::fromUtf8(file.readAll());
    }
    return SkinLookStyleSheet(SkinLookOf(value));
}

QColor SkinIconColour(const std::string& value, const QString& programFolder) {
    const TSkin* skin = FindSkin(value);
    // A skin file's colours are its own business.
    if (skin == nullptr || !SkinFilePath(*skin, programFolder).isEmpty())
        return QColor();
    return SkinLookIconColour(SkinLookOf(value));
}

QIcon TintedIcon(const QIcon& icon, const QColor& colour, const QSize& size) {
    auto paint = [&](const QColor& with) {
        QPixmap picture = icon.pixmap(size);
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(picture.rect(), with);
        return picture;
    };
    QColor faint = colour;
    faint.setAlphaF(0.4f);
    QIcon tinted;
    tinted.addPixmap(paint(colour), QIcon::Normal);
    tinted.addPixmap(paint(faint), QIcon::Disabled);
    return tinted;
}
