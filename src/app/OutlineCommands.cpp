// The outline editor's commands: the editor controller runs them on the layer opened
// on the DrawLine tab.

#include "app/MainWindow.h"
#include "app/OutlineEditorController.h"

namespace deptrix {

void MainWindow::beginLine() {
    m_outlineEditor->beginLine();
}

void MainWindow::undoPoint() {
    m_outlineEditor->undoPoint();
}

void MainWindow::deleteLine() {
    m_outlineEditor->deleteLine();
}

void MainWindow::deleteOrder() {
    m_outlineEditor->deleteOrder();
}

void MainWindow::deleteAllLines() {
    m_outlineEditor->deleteAllLines();
}

void MainWindow::deleteSelection() {
    m_outlineEditor->deleteSelection();
}

void MainWindow::selectAllLines() {
    m_outlineEditor->selectAllLines();
}

void MainWindow::freeTransform() {
    m_outlineEditor->freeTransform();
}

void MainWindow::cutLines() {
    m_outlineEditor->cutLines();
}

void MainWindow::copyLines() {
    m_outlineEditor->copyLines();
}

void MainWindow::pasteLines() {
    m_outlineEditor->pasteLines();
}

void MainWindow::moveLinesDown() {
    m_outlineEditor->moveLinesDown();
}

void MainWindow::moveLinesUp() {
    m_outlineEditor->moveLinesUp();
}

void MainWindow::undoLineEdit() {
    m_outlineEditor->undoLineEdit();
}

void MainWindow::redoLineEdit() {
    m_outlineEditor->redoLineEdit();
}

} // namespace deptrix
