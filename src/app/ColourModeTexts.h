#pragma once

#include <QString>

namespace deptrix {

/// A colour mode as the window names it (the file header's mode number: 0 bitmap,
/// 1 grey, 2 indexed, 3 RGB, 4 CMYK, 7 multichannel, 8 duotone, 9 Lab), in English (0)
/// or Chinese (1).
QString ColourModeText(int mode, int language);

/// A mode with its depth: "Indexed, 8 bits per channel".
QString ModeAndDepthText(int mode, int depth, int language);

} // namespace deptrix
