#include "app/TypingLimit.h"

#include <QLineEdit>

namespace deptrix {

TypingLimit::TypingLimit(QLineEdit* field, int maxLength)
    : QValidator(field)
    , m_field(field)
    , m_maxLength(maxLength)
    , m_length(field->text().size()) {
    field->setValidator(this);
    // textChanged follows the check, so in the check m_length is the length before.
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { m_length = text.size(); });
}

QValidator::State TypingLimit::validate(QString& input, int&) const {
    // A text the program sets is not modified; it is accepted whatever its length.
    if (!m_field->isModified()) return Acceptable;
    return input.size() > m_maxLength && input.size() > m_length ? Invalid : Acceptable;
}

} // namespace deptrix
