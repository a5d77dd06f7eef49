#pragma once

#include "core/Document.h"

namespace deptrix {

/// Shows layer `layerIndex` alone in Composite: the layer at its imported position
/// (Top, Left, not ViewLeft) over a checkerboard of grey (200) and white squares, blended
/// through its mask as in the composite pass, then converted to RGB when the document
/// is not RGB. The squares are 8 x 8 pixels, the first row and column of them 7, since
/// pixel (x, y) is grey when (x + 1) mod 16 and (y + 1) mod 16 are both below 8 or both
/// 8 or more. An outline layer shows its own layer picture, not a warped one. An index
/// outside the layers shows the bare checkerboard. Sets SelectedLayer to `layerIndex`.
void ShowSingleLayer(Document& doc, int layerIndex);

} // namespace deptrix
