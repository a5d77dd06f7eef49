#pragma once

#include "core/Bitmap.h"

#include <string_view>

namespace deptrix {

/// Height of a label's characters in font units, and the width a character takes
/// with the unit between it and the next.
inline constexpr int kLabelFontHeight = 7;
inline constexpr int kLabelCharacterUnits = 6;

/// `text` in a plain 5 x 7 font, each font unit `scaleX` x `scaleY` pixels, one unit
/// between characters: an 8-bit picture with 255 where a character is drawn and 0
/// elsewhere. Digits, "+", "-", ".", space and the capitals of "LPI DPI FRAMES PH X
/// IN" are drawn; anything else is left blank.
Bitmap RenderLabel(std::string_view text, int scaleX, int scaleY);
inline Bitmap RenderLabel(std::string_view text, int scale) {
    return RenderLabel(text, scale, scale);
}

} // namespace deptrix
