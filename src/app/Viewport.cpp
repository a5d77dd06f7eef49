#include "app/Viewport.h"

#include "app/PictureControl.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

namespace deptrix {

namespace {

// Zooming stops where the picture would become unusably small or huge.
constexpr int kMinSide = 16;
constexpr int kMaxSide = 32000;

int RoundHalfEven(long double v) {
    return static_cast<int>(Round(v));
}

} // namespace

Viewport::Viewport(QWidget* parent)
    : QScrollArea(parent)
    , m_content(new QWidget)
    , m_picture(new PictureControl(m_content))
    , m_frontLabel(new QLabel("Front", viewport())) {
    setObjectName("ScrollBox1");
    m_picture->setObjectName("Image1");
    m_frontLabel->setObjectName("Label24");
    setBackgroundRole(QPalette::Dark);
    QPalette grey = palette();
    grey.setColor(QPalette::Dark, QColor(128, 128, 128));
    setPalette(grey);
    m_content->setAutoFillBackground(false);
    setWidget(m_content);
    setWidgetResizable(false);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture->setEnabled(false);
    m_picture->setGeometry(2, 2, 100, 100);

    QFont bold = m_frontLabel->font();
    bold.setBold(true);
    bold.setPointSize(bold.pointSize() + 4);
    m_frontLabel->setFont(bold);
    QPalette red = m_frontLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    m_frontLabel->setPalette(red);
    // Over the dark background of the view area a label would take the light colour.
    m_frontLabel->setForegroundRole(QPalette::WindowText);
    m_frontLabel->adjustSize();
    m_frontLabel->move(0, 8);
    m_frontLabel->hide();
    m_frontLabel->raise();

    viewport()->installEventFilter(this);
    m_content->installEventFilter(this);
    m_picture->installEventFilter(this);
    updateContentSize();
}

void Viewport::fit(int imageWidth, int imageHeight) {
    if (imageWidth <= 0 || imageHeight <= 0) return;
    const QSize client = viewport()->size();
    int w = std::max(1, client.width() - 4);
    int h = std::max(1, client.height() - 4);
    // Compare ImageWidth / ImageHeight with w / h without rounding.
    if (static_cast<long long>(imageWidth) * h > static_cast<long long>(w) * imageHeight)
        h = RoundHalfEven(static_cast<long double>(w) * imageHeight / imageWidth);
    else
        w = RoundHalfEven(static_cast<long double>(h) * imageWidth / imageHeight);
    w = std::max(w, 1);
    h = std::max(h, 1);
    setScrollPosition({ 0, 0 });
    m_picture->setGeometry(
        RoundHalfEven((client.width() - w) / 2.0L), RoundHalfEven((client.height() - h) / 2.0L), w, h);
    m_fittedSize = QSize(w, h);
    updateContentSize();
}

bool Viewport::enlargedSize(QSize& size) const {
    const QSize picture = m_picture->pictureSize();
    if (picture.isEmpty()) return false;
    const int w = RoundHalfEven(m_picture->width() * 1.5L);
    const int h = RoundHalfEven(static_cast<long double>(picture.height()) / picture.width() * w);
    // Past this the view shows a few picture pixels each as large as a thumb.
    const int base = m_fittedSize.isValid() ? m_fittedSize.width() : picture.width();
    if (static_cast<long long>(w) > static_cast<long long>(kMaxZoom) * base) return false;
    if (w > kMaxSide || h > kMaxSide) return false;
    size = QSize(w, h);
    return true;
}

bool Viewport::reducedSize(QSize& size) const {
    if (m_picture->pictureSize().isEmpty()) return false;
    const int w = RoundHalfEven(m_picture->width() / 1.5L);
    const int h = RoundHalfEven(m_picture->height() / 1.5L);
    if (w < kMinSide || h < kMinSide) return false;
    size = QSize(w, h);
    return true;
}

void Viewport::enlarge(int imageHeight) {
    QSize size;
    if (!enlargedSize(size)) return;
    m_picture->resize(size);
    afterZoom(imageHeight);
}

void Viewport::reduce(int imageHeight) {
    QSize size;
    if (!reducedSize(size)) return;
    m_picture->resize(size);
    afterZoom(imageHeight);
}

void Viewport::enlargeAbout(int imageHeight, QPoint anchor) {
    QSize size;
    if (!enlargedSize(size)) return;
    const QPointF fraction = fractionAt(anchor);
    m_picture->resize(size);
    placeAbout(fraction, anchor);
    setViewScale(imageHeight);
}

void Viewport::reduceAbout(int imageHeight, QPoint anchor) {
    QSize size;
    if (!reducedSize(size)) return;
    const QPointF fraction = fractionAt(anchor);
    m_picture->resize(size);
    placeAbout(fraction, anchor);
    setViewScale(imageHeight);
}

void Viewport::fitToWindow(int imageWidth, int imageHeight) {
    if (m_picture->pictureSize().isEmpty()) return;
    fit(imageWidth, imageHeight);
    setViewScale(imageHeight);
}

void Viewport::showActualSize(int imageWidth, int imageHeight) {
    if (m_picture->pictureSize().isEmpty() || imageWidth <= 0 || imageHeight <= 0) return;
    m_picture->resize(imageWidth, imageHeight);
    afterZoom(imageHeight);
}

void Viewport::afterZoom(int imageHeight) {
    setScrollPosition({ 0, 0 });
    m_picture->move(0, 0);
    updateContentSize();
    centre();
    setViewScale(imageHeight);
}

void Viewport::setViewScale(int imageHeight) {
    m_viewScale = Round(static_cast<long double>(imageHeight) / m_picture->height() * 10000.0L);
    m_viewOffsetX = 0;
    m_viewOffsetY = 0;
}

void Viewport::centre() {
    const QSize client = viewport()->size();
    const int dx = RoundHalfEven((client.width() - m_picture->width()) / 2.0L);
    const int dy = RoundHalfEven((client.height() - m_picture->height()) / 2.0L);
    m_picture->move(std::max(dx, 0), std::max(dy, 0));
    updateContentSize();
    setScrollPosition({ dx < 0 ? -dx : 0, dy < 0 ? -dy : 0 });
}

QPointF Viewport::fractionAt(QPoint anchor) const {
    const QPoint inPicture = anchor + scrollPosition() - m_picture->pos();
    return { std::clamp(static_cast<double>(inPicture.x()) / std::max(1, m_picture->width()), 0.0, 1.0),
        std::clamp(static_cast<double>(inPicture.y()) / std::max(1, m_picture->height()), 0.0, 1.0) };
}

void Viewport::placeAbout(QPointF fraction, QPoint anchor) {
    // An axis that fits is centred as the zoom commands centre it; on an axis that
    // overflows, the picture point under the pointer stays under it.
    auto place = [](int client, int size, double at, int pointer, int& position, int& scroll) {
        const int d = RoundHalfEven((client - size) / 2.0L);
        if (d >= 0) {
            position = d;
            scroll = 0;
            return;
        }
        position = 0;
        scroll = std::clamp(static_cast<int>(std::lround(at * size - pointer)), 0, size - client);
    };
    const QSize client = viewport()->size();
    int x = 0, y = 0, scrollX = 0, scrollY = 0;
    place(client.width(), m_picture->width(), fraction.x(), anchor.x(), x, scrollX);
    place(client.height(), m_picture->height(), fraction.y(), anchor.y(), y, scrollY);
    m_picture->move(x, y);
    updateContentSize();
    setScrollPosition({ scrollX, scrollY });
}

void Viewport::updateContentSize() {
    const QSize client = viewport()->size();
    const QRect picture = m_picture->geometry();
    m_content->resize(
        std::max(client.width(), picture.right() + 1), std::max(client.height(), picture.bottom() + 1));
}

void Viewport::resizeEvent(QResizeEvent* event) {
    QScrollArea::resizeEvent(event);
    updateContentSize();
}

void Viewport::setViewScale(Fixed scale, Fixed offsetX, Fixed offsetY) {
    m_viewScale = scale;
    m_viewOffsetX = offsetX;
    m_viewOffsetY = offsetY;
}

QPoint Viewport::scrollPosition() const {
    return { horizontalScrollBar()->value(), verticalScrollBar()->value() };
}

void Viewport::setScrollPosition(QPoint position) {
    horizontalScrollBar()->setValue(position.x());
    verticalScrollBar()->setValue(position.y());
}

void Viewport::armPan(bool) {
    setFocus(Qt::OtherFocusReason);
    m_picture->setEnabled(false);
    viewport()->setCursor(Qt::OpenHandCursor);
    m_content->setCursor(Qt::OpenHandCursor);
    m_panArmed = true;
}

void Viewport::disarmPan(bool drawLineMode) {
    viewport()->unsetCursor();
    m_content->unsetCursor();
    m_panArmed = false;
    m_picture->setEnabled(drawLineMode);
}

bool Viewport::eventFilter(QObject* watched, QEvent* event) {
    if (watched != viewport() && watched != m_content && watched != m_picture)
        return QScrollArea::eventFilter(watched, event);
    if (watched == m_picture && event->type() == QEvent::Resize) emit pictureResized();
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier)) return QScrollArea::eventFilter(watched, event);
        // Fine-grained wheels send parts of a notch; a step is a whole notch.
        m_wheelDelta += wheel->angleDelta().y();
        const int steps = m_wheelDelta / QWheelEvent::DefaultDeltasPerStep;
        m_wheelDelta -= steps * QWheelEvent::DefaultDeltasPerStep;
        if (steps != 0)
            emit wheelZoomRequested(steps, viewport()->mapFromGlobal(wheel->globalPosition().toPoint()));
        return true;
    }
    // Only while the picture control is disabled do its mouse events belong to panning.
    if (watched == m_picture && m_picture->isEnabled()) return QScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        m_panStart = viewport()->mapFromGlobal(mouse->globalPosition().toPoint());
        m_panStartScroll = scrollPosition();
        m_panDragging = true;
        return true;
    }
    case QEvent::MouseMove: {
        if (!m_panArmed || !m_panDragging) return QScrollArea::eventFilter(watched, event);
        auto* mouse = static_cast<QMouseEvent*>(event);
        const QPoint at = viewport()->mapFromGlobal(mouse->globalPosition().toPoint());
        setScrollPosition(m_panStartScroll + m_panStart - at);
        return true;
    }
    case QEvent::MouseButtonRelease:
        m_panDragging = false;
        return true;
    default:
        return QScrollArea::eventFilter(watched, event);
    }
}

} // namespace deptrix
