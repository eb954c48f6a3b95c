#include "gui/ProgressCellDelegate.h"

#include <QApplication>
#include <QPainter>
#include <QStyleOptionProgressBar>

void ProgressCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    // The selection highlight first, so a selected row stays marked across the bar.
    QStyledItemDelegate::paint(painter, option, QModelIndex());
    const QVariant value = index.data(ProgressRole);
    if (!value.isValid() || value.toInt() < 0)
        return;
    QStyleOptionProgressBar bar;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.state = QStyle::State_Enabled | QStyle::State_Horizontal;
    bar.minimum = 0;
    bar.maximum = 100;
    bar.progress = value.toInt();
    bar.text = QStringLiteral("%1%").arg(bar.progress);
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.palette = option.palette;
    QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, option.widget);
}
