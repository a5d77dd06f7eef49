#include "app/OffsetCellDelegate.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <QLineEdit>

namespace deptrix {

void OffsetCellDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const {
    const auto* field = qobject_cast<QLineEdit*>(editor);
    if (field) {
        const QString text = field->text();
        try {
            // The preview reads the cell with the same conversion.
            ParseInteger(text.toStdString());
        } catch (const Error& error) {
            emit refused(index.row() + 1, text, QString::fromUtf8(error.what()));
            return;
        }
    }
    QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace deptrix
