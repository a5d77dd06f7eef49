// Opening projects and settings files. Their reader is not part of this build yet, so
// the commands, which are enabled from the start, have nothing to do.

#include "app/MainWindow.h"

namespace deptrix {

void MainWindow::openProject() { }

void MainWindow::openDefaultSettings() { }

void MainWindow::openSettings() { }

} // namespace deptrix
