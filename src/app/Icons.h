#pragma once

#include <QIcon>
#include <QString>

namespace deptrix {

/// The icon of a tool button: the desktop theme's icon where the theme has a fitting
/// one, else a picture drawn here, so every button has an icon on any desktop.
/// Known names: open-project, save-project, import, zoom-in, zoom-out, undo-point,
/// delete-line, delete-order, delete-all, preview, stop, export-tiff, print,
/// begin-line, glasses, stereo, draw-line, add-point, delete-point, move-line,
/// move-point, order-down, order-up, cut, paste, language, load-depth-map,
/// clear-depth-map.
QIcon ToolIcon(const QString& name);

/// The drawn picture alone (no theme), for tests and for the about box.
QIcon DrawnIcon(const QString& name);

} // namespace deptrix
