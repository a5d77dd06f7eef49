#include "app/ElidedLabel.h"

#include <QPainter>
#include <QStyle>

namespace deptrix {

namespace {

/// The widest a label asks to be for its text; more is used only when the bar has room.
constexpr int kLargestHintWidth = 240;

} // namespace

QSize ElidedLabel::minimumSizeHint() const {
    return { 1, QLabel::minimumSizeHint().height() };
}

QSize ElidedLabel::sizeHint() const {
    const QSize full = QLabel::sizeHint();
    return { std::min(full.width(), kLargestHintWidth), full.height() };
}

QString ElidedLabel::shownText() const {
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(contentsRect().width(), 0));
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QString shown = shownText();
    // The tooltip of a cut text tells the rest; a whole text needs none.
    const QString tip = shown == text() ? QString() : text();
    if (toolTip() != tip) setToolTip(tip);
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()),
        palette(), isEnabled(), shown, foregroundRole());
}

} // namespace deptrix
