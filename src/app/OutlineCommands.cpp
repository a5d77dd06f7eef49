// Commands of the outline editor. They act on the line set of the layer opened on the
// DrawLine tab (EditLines). Opening a layer for editing is not part of this build yet,
// so the set is always empty and the commands have nothing to act on.

#include "app/MainWindow.h"

namespace deptrix {

void TForm1::SpeedButton13Click() { }

void TForm1::SpeedButton10Click() { }

void TForm1::SpeedButton6Click() { }

void TForm1::SpeedButton7Click() { }

void TForm1::SpeedButton8Click() { }

void TForm1::DeleteSelect1Click() { }

void TForm1::SelectAll1Click() { }

void TForm1::FreeTransition1Click() { }

void TForm1::ToolButton9Click() { }

void TForm1::ToolButton10Click() { }

void TForm1::ToolButton8Click() { }

void TForm1::ToolButton7Click() { }

} // namespace deptrix
