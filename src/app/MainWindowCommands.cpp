// Commands of the main window that are not import or preview.

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlinePanel.h"
#include "app/Platform.h"
#include "app/Texts.h"
#include "app/Viewport.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

namespace deptrix {

void TForm1::N9Click() {
    close();
}

void TForm1::N21Click() {
    auto* help = new HelpWindow(m_platform);
    m_auxiliary.push_back(help);
    help->show();
}

void TForm1::N22Click() {
    auto* about = new AboutBox;
    about->setAttribute(Qt::WA_DeleteOnClose);
    m_auxiliary.push_back(about);
    about->show();
}

void TForm1::Weblink1Click() {
    m_platform.openExternal(kWebAddress);
}

void TForm1::Showgrouptiff1Click() {
    if (m_work.isOpen()) m_platform.openExternal(m_work.path());
}

void TForm1::SpeedButton3Click() {
    m_viewport->enlarge(m_doc.ImageHeight);
}

void TForm1::SpeedButton4Click() {
    m_viewport->reduce(m_doc.ImageHeight);
}

void TForm1::Timer1Timer() {
    m_timer1->stop();
}

// Menu entries that mirror a tool button act only while the button is enabled.
void TForm1::N18Click() {
    if (speedButton(9)->isEnabled()) SpeedButton9Click();
}

void TForm1::N25Click() {
    if (speedButton(2)->isEnabled()) SpeedButton2Click();
}

void TForm1::N26Click() {
    if (speedButton(5)->isEnabled()) SpeedButton5Click();
}

bool TForm1::event(QEvent* event) {
    // Menu hints hold the other language's captions; they are not status messages.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // The window sees every key before the focused control: the space bar arms
    // panning (and so never presses a focused button).
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && isActiveWindow()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            if (type == QEvent::KeyPress)
                m_viewport->armPan(m_drawLineMode);
            else if (!key->isAutoRepeat())
                m_viewport->disarmPan(m_drawLineMode);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace deptrix
