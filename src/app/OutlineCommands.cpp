// Commands of the outline editor. They act on the line set of the layer opened on the
// DrawLine tab (EditLines). Opening a layer for editing is not part of this build yet,
// so the set is always empty and the commands have nothing to act on.

#include "app/MainWindow.h"

namespace deptrix {

void MainWindow::beginLine() { }

void MainWindow::undoPoint() { }

void MainWindow::deleteLine() { }

void MainWindow::deleteOrder() { }

void MainWindow::deleteAllLines() { }

void MainWindow::deleteSelection() { }

void MainWindow::selectAllLines() { }

void MainWindow::freeTransform() { }

void MainWindow::cutLines() { }

void MainWindow::pasteLines() { }

void MainWindow::moveLinesDown() { }

void MainWindow::moveLinesUp() { }

} // namespace deptrix
