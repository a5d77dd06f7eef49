// Import, preview and output commands.

#include "app/MainWindow.h"

namespace deptrix {

void TForm1::Openproject1Click() { }
void TForm1::Opensettingsdefault1Click() { }
void TForm1::N3Click() { }
void TForm1::SpeedButton5Click() { }
void TForm1::SpeedButton11Click() { }
void TForm1::ExportGif1Click() { }

} // namespace deptrix
