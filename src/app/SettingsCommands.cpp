// Opening projects and settings files. Their reader is not part of this build yet, so
// the commands, which are enabled from the start, have nothing to do.

#include "app/MainWindow.h"

namespace deptrix {

void TForm1::Openproject1Click() { }

void TForm1::Opensettingsdefault1Click() { }

void TForm1::N3Click() { }

} // namespace deptrix
