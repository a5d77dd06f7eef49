#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// A Bgr24 picture twice as wide as `left` and as high: `left` at (0, 0) and `right`
/// at (width of left, 0). A `right` of another size is clipped to the right half and
/// the uncovered part stays black. Throws Error unless both are Bgr24, or when the
/// pair would be wider than a picture can be.
Bitmap SideBySide(const Bitmap& left, const Bitmap& right);

/// A baseline colour JPEG of a Bgr24 picture with the JPEG library's default settings
/// and the given quality (1..100), built in memory. Throws Error with the library's
/// message when it refuses the picture (for example a side beyond 65500 pixels).
std::vector<std::uint8_t> EncodeJpeg(const Bitmap& bgr24, int quality = 90);

} // namespace deptrix
