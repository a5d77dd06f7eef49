#pragma once

#include <QString>

class QLabel;

namespace deptrix {

/// The name a message gives a field: its label's caption as shown (in the window's
/// language), without the accelerator mark and the closing colon.
QString FieldName(const QLabel* label);

/// Whether `text` converts to a number (a whole one when `integer`).
bool IsNumberText(const QString& text, bool integer);

/// The message for a field left with a text that is no number, naming the field:
/// "Depth: 'abc' must be a number".
[[noreturn]] void RefuseFieldText(const QString& name, const QString& text, bool integer, int language);

} // namespace deptrix
