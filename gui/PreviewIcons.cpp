#include "gui/PreviewIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QPixmap>

namespace {

// Glyphs on a 22 × 22 grid.
void drawGlyph(QPainter& p, TPreviewPicture picture, const QColor& ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    switch (picture) {
    case TPreviewPicture::Play: {
        const QPointF triangle[] = {{7, 5}, {17, 11}, {7, 17}};
        p.drawPolygon(triangle, 3);
        break;
    }
    case TPreviewPicture::Pause:
        p.drawRect(QRectF(6, 5, 3.5, 12));
        p.drawRect(QRectF(12.5, 5, 3.5, 12));
        break;
    case TPreviewPicture::Stop:
        p.drawRect(QRectF(6, 6, 10, 10));
        break;
    case TPreviewPicture::Sound:
    case TPreviewPicture::Muted: {
        const QPointF speaker[] = {{4, 9}, {7, 9}, {11, 5}, {11, 17}, {7, 13}, {4, 13}};
        p.drawPolygon(speaker, 6);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
        if (picture == TPreviewPicture::Sound) {
            p.drawArc(QRectF(9, 7, 6, 8), -60 * 16, 120 * 16);
            p.drawArc(QRectF(9, 4, 10, 14), -60 * 16, 120 * 16);
        } else {
            p.setPen(QPen(QColor(200, 40, 40), 2, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(13, 8), QPointF(19, 14));
            p.drawLine(QPointF(19, 8), QPointF(13, 14));
        }
        break;
    }
    case TPreviewPicture::Snapshot: {
        QPainterPath body;
        body.addRoundedRect(QRectF(3, 7, 16, 11), 2, 2);
        body.addRect(QRectF(8, 5, 6, 3));
        body.setFillRule(Qt::WindingFill);
        QPainterPath lens;
        lens.addEllipse(QPointF(11, 12.5), 3.2, 3.2);
        p.drawPath(body.subtracted(lens));
        p.drawEllipse(QPointF(11, 12.5), 1.6, 1.6);
        break;
    }
    case TPreviewPicture::Settings: {
        // A gear: a ring with teeth and a hole.
        QPainterPath gear;
        gear.addEllipse(QPointF(11, 11), 6, 6);
        for (int i = 0; i < 8; ++i) {
            QTransform t;
            t.translate(11, 11);
            t.rotate(45.0 * i);
            QPainterPath tooth;
            tooth.addRect(QRectF(-1.5, -8.5, 3, 4));
            gear = gear.united(t.map(tooth));
        }
        QPainterPath hole;
        hole.addEllipse(QPointF(11, 11), 2.5, 2.5);
        p.drawPath(gear.subtracted(hole));
        break;
    }
    }
}

QPixmap drawPicture(TPreviewPicture picture, const QPalette& palette, bool highlighted) {
    QPixmap pixmap(PreviewIconSize, PreviewIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor highlight = palette.color(QPalette::Highlight);
    if (highlighted) {
        QColor fill = highlight;
        fill.setAlpha(70);
        p.setPen(QPen(highlight, 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(0.5, 0.5, PreviewIconSize - 1, PreviewIconSize - 1), 4, 4);
    }
    drawGlyph(p, picture, palette.color(QPalette::ButtonText));
    return pixmap;
}

} // namespace

QIcon PreviewIcon(TPreviewPicture picture, const QPalette& palette) {
    QIcon icon;
    icon.addPixmap(drawPicture(picture, palette, false), QIcon::Normal);
    icon.addPixmap(drawPicture(picture, palette, true), QIcon::Active);
    return icon;
}
