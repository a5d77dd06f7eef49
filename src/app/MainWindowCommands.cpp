// Commands of the main window that are not import or preview.

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/OutlinePanel.h"
#include "app/Platform.h"
#include "app/Texts.h"
#include "app/Viewport.h"

#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolButton>

namespace deptrix {

void MainWindow::quit() {
    close();
}

void MainWindow::showHelp() {
    auto* help = new HelpWindow(m_platform);
    m_auxiliary.push_back(help);
    help->show();
}

void MainWindow::showAbout() {
    auto* about = new AboutBox;
    about->setAttribute(Qt::WA_DeleteOnClose);
    m_auxiliary.push_back(about);
    about->show();
}

void MainWindow::openWebLink() {
    m_platform.openExternal(kWebAddress);
}

void MainWindow::showWorkFolder() {
    if (m_work.isOpen()) m_platform.openExternal(m_work.path());
}

void MainWindow::zoomIn() {
    m_viewport->enlarge(m_doc.ImageHeight);
    m_outlineEditor->viewZoomed();
}

void MainWindow::zoomOut() {
    m_viewport->reduce(m_doc.ImageHeight);
    m_outlineEditor->viewZoomed();
}

void MainWindow::stopFrameTimer() {
    m_frameTimer->stop();
}

// Menu entries that mirror a tool button act only while the button is enabled.
void MainWindow::previewFromMenu() {
    if (m_previewButton->isEnabled()) preview();
}

void MainWindow::stopPreviewFromMenu() {
    if (m_stopButton->isEnabled()) stopPreview();
}

void MainWindow::showAnaglyphFromMenu() {
    if (m_anaglyphButton->isEnabled()) showAnaglyph();
}

bool MainWindow::event(QEvent* event) {
    // Menu hints hold the other language's captions; they are not status messages.
    if (event->type() == QEvent::StatusTip) return true;
    return QMainWindow::event(event);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The window sees every key before the focused control: the space bar arms
    // panning (and so never presses a focused button).
    const QEvent::Type type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::KeyRelease) && isActiveWindow()) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
            if (type == QEvent::KeyPress)
                m_viewport->armPan(m_outlineEditor->drawLineMode());
            else if (!key->isAutoRepeat())
                m_viewport->disarmPan(m_outlineEditor->drawLineMode());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace deptrix
