#include "app/ElidedLabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace deptrix {

ElidedLabel::ElidedLabel(Qt::TextElideMode mode, QWidget* parent)
    : QLabel(parent)
    , m_mode(mode) {
    setTextFormat(Qt::PlainText);
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), m_mode, contentsRect().width());
}

QSize ElidedLabel::minimumSizeHint() const {
    // Room for the "…" and a letter or two; the minimum width set on the label still holds.
    const QMargins margins = contentsMargins();
    return QSize(fontMetrics().horizontalAdvance(QStringLiteral("W…")) + margins.left() + margins.right(),
        QLabel::minimumSizeHint().height());
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    painter.drawText(contentsRect(), static_cast<int>(alignment()), shownText());
}

bool ElidedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        auto* help = static_cast<QHelpEvent*>(event);
        if (shownText() != text())
            QToolTip::showText(help->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

} // namespace deptrix
