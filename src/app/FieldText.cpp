#include "app/FieldText.h"

#include "app/TextAndPaths.h"
#include "app/UiTexts.h"
#include "core/Error.h"
#include "core/NumberText.h"

#include <QLabel>

namespace deptrix {

QString FieldName(const QLabel* label) {
    if (!label) return QString();
    QString name = label->text();
    name.remove('&');
    while (!name.isEmpty() && (name.back() == ':' || name.back() == QChar(0xFF1A) || name.back().isSpace()))
        name.chop(1);
    return name;
}

bool IsNumberText(const QString& text, bool integer) {
    try {
        if (integer)
            ParseInteger(Std(text));
        else
            ParseFieldReal(Std(text));
        return true;
    } catch (const ConvertError&) {
        return false;
    }
}

void RefuseFieldText(const QString& name, const QString& text, bool integer, int language) {
    const QString message
        = Tr(integer ? Ui::FieldNotWholeNumber : Ui::FieldNotNumber, language).arg(name, text);
    throw Error(Std(message));
}

} // namespace deptrix
