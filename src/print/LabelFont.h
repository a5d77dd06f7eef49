#pragma once

#include "core/Bitmap.h"

#include <string_view>

namespace deptrix {

/// Height of a label's characters in font units.
inline constexpr int kLabelFontHeight = 7;

/// `text` in a plain 5 x 7 font, each font unit `scale` x `scale` pixels, one unit
/// between characters: an 8-bit picture with 255 where a character is drawn and 0
/// elsewhere. Digits, "+", "-", ".", space and the letters of "LPI" and "PH" are
/// drawn; anything else is left blank.
Bitmap RenderLabel(std::string_view text, int scale);

} // namespace deptrix
