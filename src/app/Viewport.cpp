#include "app/Viewport.h"

#include "app/PictureControl.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <algorithm>

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
    updateContentSize();
}

void Viewport::enlarge(int imageHeight) {
    const QSize picture = m_picture->pictureSize();
    if (picture.isEmpty()) return;
    const int w = RoundHalfEven(m_picture->width() * 1.5L);
    const int h = RoundHalfEven(static_cast<long double>(picture.height()) / picture.width() * w);
    if (w > kMaxSide || h > kMaxSide) return;
    m_picture->resize(w, h);
    afterZoom(imageHeight);
}

void Viewport::reduce(int imageHeight) {
    if (m_picture->pictureSize().isEmpty()) return;
    const int w = RoundHalfEven(m_picture->width() / 1.5L);
    const int h = RoundHalfEven(m_picture->height() / 1.5L);
    if (w < kMinSide || h < kMinSide) return;
    m_picture->resize(w, h);
    afterZoom(imageHeight);
}

void Viewport::afterZoom(int imageHeight) {
    setScrollPosition({ 0, 0 });
    m_picture->move(0, 0);
    updateContentSize();
    centre();
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
