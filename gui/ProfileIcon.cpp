#include "gui/ProfileIcon.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QColor PageColour(TProfilePage page) {
    switch (page) {
    case TProfilePage::ppHighDefinition:
        return QColor(0x2f, 0x6f, 0xc4);
    case TProfilePage::ppDevices:
        return QColor(0x2e, 0x9a, 0x5a);
    case TProfilePage::ppComputer:
        return QColor(0xd0, 0x7a, 0x1f);
    case TProfilePage::ppAudio:
        return QColor(0x8e, 0x44, 0xad);
    }
    return Qt::gray;
}

QPixmap Tile(const QColor& colour, const QString& text, const QString& subText, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF tile(size * 0.06, size * 0.06, size * 0.88, size * 0.88);
    QLinearGradient fill(tile.topLeft(), tile.bottomLeft());
    fill.setColorAt(0, colour.lighter(135));
    fill.setColorAt(1, colour.darker(115));
    QPainterPath path;
    path.addRoundedRect(tile, size * 0.14, size * 0.14);
    painter.fillPath(path, fill);
    painter.setPen(QPen(colour.darker(150), 1));
    painter.drawPath(path);

    painter.setPen(Qt::white);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(std::max(8, static_cast<int>(size * (text.size() > 3 ? 0.24 : 0.30))));
    painter.setFont(font);
    painter.drawText(tile.adjusted(0, 0, 0, subText.isEmpty() ? 0 : -size * 0.18), Qt::AlignCenter, text);
    if (!subText.isEmpty()) {
        font.setBold(false);
        font.setPixelSize(std::max(7, static_cast<int>(size * 0.14)));
        painter.setFont(font);
        painter.drawText(tile.adjusted(0, size * 0.45, 0, 0), Qt::AlignCenter, subText);
    }
    return pixmap;
}

} // namespace

QIcon ProfileIcon(const TOutputProfile& profile, int size) {
    QString ext =
        QString::fromUtf8(profile.OutputExt.data(), static_cast<qsizetype>(profile.OutputExt.size()));
    ext = ext.mid(ext.lastIndexOf(QLatin1Char('.')) + 1).toUpper();
    const QString kind = profile.AudioOnly ? QStringLiteral("AUDIO") : QStringLiteral("VIDEO");
    return QIcon(Tile(PageColour(profile.Page), ext, kind, size));
}

QIcon ApplicationIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(Tile(QColor(0x1f, 0x5f, 0xb4), QStringLiteral("V"), QString(), size));
    return icon;
}

QIcon SkinIcon() {
    constexpr int Size = 32;
    QPixmap pixmap(Size, Size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x80, 0x60, 0x40), 1.5));
    painter.setBrush(QColor(0xf2, 0xe2, 0xc4));
    painter.drawEllipse(QRectF(2, 4, 28, 24));
    const QColor dots[] = {QColor(0xd9, 0x3b, 0x3b), QColor(0x2f, 0x6f, 0xc4), QColor(0x2e, 0x9a, 0x5a),
                           QColor(0xe8, 0xb0, 0x20)};
    const QPointF centres[] = {{10, 11}, {17, 9}, {23, 13}, {11, 19}};
    painter.setPen(Qt::NoPen);
    for (size_t i = 0; i < std::size(dots); ++i) {
        painter.setBrush(dots[i]);
        painter.drawEllipse(centres[i], 3.2, 3.2);
    }
    return QIcon(pixmap);
}
