// Commands of the main window that are not import or preview.

#include "app/AboutBox.h"
#include "app/HelpWindow.h"
#include "app/MainMenu.h"
#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"
#include "app/OutlinePanel.h"
#include "app/PictureControl.h"
#include "app/Platform.h"
#include "app/StatusPanels.h"
#include "app/Texts.h"
#include "app/Viewport.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace deptrix {

void MainWindow::quit() {
    close();
}

void MainWindow::showHelp() {
    auto* help = new HelpWindow(m_platform, m_language);
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

void MainWindow::zoomToFit() {
    m_viewport->fitToWindow(m_doc.ImageWidth, m_doc.ImageHeight);
    m_outlineEditor->viewZoomed();
}

void MainWindow::zoomToActualSize() {
    m_viewport->showActualSize(m_doc.ImageWidth, m_doc.ImageHeight);
    m_outlineEditor->viewZoomed();
}

void MainWindow::showZoom() {
    const QWidget* picture = m_viewport->picture();
    if (!m_doc.DocumentLoaded || m_doc.ImageWidth <= 0 || m_doc.ImageHeight <= 0) {
        m_statusPanels->setZoom(QString());
        return;
    }
    // The picture keeps its proportions inside the control: the smaller ratio is the zoom.
    const long double zoom = std::min(static_cast<long double>(picture->width()) / m_doc.ImageWidth,
        static_cast<long double>(picture->height()) / m_doc.ImageHeight);
    m_statusPanels->setZoom(QString::number(Round(zoom * 100.0L)) + " %");
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

namespace {

bool IsTextField(const QObject* object) {
    return qobject_cast<const QLineEdit*>(object) || qobject_cast<const QAbstractSpinBox*>(object)
        || qobject_cast<const QComboBox*>(object);
}

/// The keys a text field needs for itself: typing, moving and deleting, and the usual
/// editing keys Ctrl+A/C/V/X/Z. Everything else (function keys, other Ctrl and Alt
/// combinations) belongs to the window when one of its commands has it.
bool FieldNeedsKey(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    const int code = key.key();
    if (code >= Qt::Key_F1 && code <= Qt::Key_F35) return false;
    if (!(modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) return true;
    if (modifiers & (Qt::AltModifier | Qt::MetaModifier)) return false;
    const bool shift = (modifiers & Qt::ShiftModifier) != 0;
    switch (code) {
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Insert:
        return true;
    case Qt::Key_Z:
        return !shift; // Ctrl+Shift+Z redoes the window's line edits
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
        return true;
    default:
        return false;
    }
}

} // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The window sees every key before the focused control: the space bar arms
    // panning (and so never presses a focused button).
    const QEvent::Type type = event->type();
    if (type == QEvent::ShortcutOverride && isActiveWindow() && IsTextField(watched)) {
        // A field would keep keys such as Ctrl+E (end of line on some desktops) or
        // Ctrl+Y for itself; the window's commands come first, except for what a field
        // needs. Left unaccepted, the key goes on to the window's shortcut.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!FieldNeedsKey(*key) && m_menu->holdsShortcut(QKeySequence(key->keyCombination()))) {
            event->ignore();
            return true;
        }
    }
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
