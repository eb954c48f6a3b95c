// Draws the "转换进度" cell as a progress bar: empty while the row holds no
// percentage (ProgressRole unset or negative), else filled to it.
#pragma once

#include <QStyledItemDelegate>

class ProgressCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int ProgressRole = Qt::UserRole + 1;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
