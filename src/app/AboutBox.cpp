#include "app/AboutBox.h"

#include "app/Artwork.h"

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace deptrix {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent)
    , m_timer(new QTimer(this)) {
    setObjectName("AboutBox");
    setWindowTitle("About");
    auto* picture = new QLabel(this);
    picture->setObjectName("ProgramIcon");
    picture->setPixmap(QPixmap::fromImage(ProductPicture(QSize(600, 450))));
    picture->setCursor(Qt::PointingHandCursor);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(picture);
    m_timer->setInterval(2000);
    m_timer->setTimerType(Qt::PreciseTimer);
    m_timer->setSingleShot(true);
    m_timer->start();
}

void AboutBox::runAsSplash() {
    setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    resize(600, 450);
    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - QPoint(300, 225));
    m_timer->start();
    show();
    repaint();
    // Sleeps in the event loop until the timer or a click ends it: processing events
    // with a time limit would poll instead and keep a core busy for the two seconds.
    QEventLoop wait;
    const QMetaObject::Connection ticked = connect(m_timer, &QTimer::timeout, &wait, &QEventLoop::quit);
    m_splashWait = &wait;
    wait.exec();
    m_splashWait = nullptr;
    disconnect(ticked);
}

void AboutBox::mousePressEvent(QMouseEvent* event) {
    QDialog::mousePressEvent(event);
    m_timer->stop();
    hide();
}

void AboutBox::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (m_splashWait) m_splashWait->quit();
}

} // namespace deptrix
