#pragma once

#include <QStyledItemDelegate>

namespace deptrix {

/// The editor of the layer table's Offset cells: an edit that ends with a text that
/// is not an integer leaves the cell as it was and is reported.
class OffsetCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

signals:
    /// `row` is the grid row (1 for the first layer row); `message` the conversion error.
    void refused(int row, const QString& text, const QString& message) const;
};

} // namespace deptrix
