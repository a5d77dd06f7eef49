#include "app/DecimalSpinBox.h"

#include "core/NumberText.h"

namespace deptrix {

DecimalSpinBox::DecimalSpinBox(QWidget* parent)
    : QDoubleSpinBox(parent) {
    QLocale point = QLocale::c();
    // "1,5" must not read as 15 where the comma is no decimal separator.
    point.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    setLocale(point);
}

QString DecimalSpinBox::Dotted(QString text) {
    const QString separator = QString::fromStdString(LocaleDecimalSeparator());
    if (separator != ".") text.replace(separator, ".");
    return text;
}

QValidator::State DecimalSpinBox::validate(QString& input, int& pos) const {
    // The separator is one character in every locale, so the cursor stays put.
    input = Dotted(input);
    return QDoubleSpinBox::validate(input, pos);
}

double DecimalSpinBox::valueFromText(const QString& text) const {
    return QDoubleSpinBox::valueFromText(Dotted(text));
}

} // namespace deptrix
