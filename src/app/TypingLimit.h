#pragma once

#include <QValidator>

class QLineEdit;

namespace deptrix {

/// A length limit on what the user types into a field. Unlike the field's own maximum
/// length it never cuts a text the program sets ("6.66666666666667" stays whole), and
/// such a longer text can still be shortened; it only stops typing that would make
/// the text longer than the limit.
class TypingLimit : public QValidator {
    Q_OBJECT
public:
    /// Installs itself as `field`'s validator.
    TypingLimit(QLineEdit* field, int maxLength);

    int maxLength() const { return m_maxLength; }

    State validate(QString& input, int& position) const override;

private:
    QLineEdit* m_field;
    int m_maxLength;
    qsizetype m_length = 0; ///< length of the text before the change being checked
};

} // namespace deptrix
