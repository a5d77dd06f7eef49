#pragma once

#include <QDoubleSpinBox>

namespace deptrix {

/// A spin box for decimals that shows them with a point whatever the locale, like
/// every number the program puts into a field, and takes the point or the locale's
/// decimal separator when typed. A stock spin box would show and accept only the
/// locale's separator and read a point as a group separator under a comma locale.
class DecimalSpinBox : public QDoubleSpinBox {
public:
    explicit DecimalSpinBox(QWidget* parent = nullptr);

    QValidator::State validate(QString& input, int& pos) const override;
    double valueFromText(const QString& text) const override;

private:
    /// `text` with the locale's decimal separator as a point.
    static QString Dotted(QString text);
};

} // namespace deptrix
