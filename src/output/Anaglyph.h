#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <string>

namespace deptrix {

/// Round(0.3 r + 0.59 g + 0.11 b) on an extended-precision intermediate, ties to even.
/// The weights are not exact binary fractions, so about one in ten exact ties of the
/// decimal formula lands just off the half and rounds by its true side; the result
/// matches the long double evaluation bit for bit.
std::uint8_t GreyOf(std::uint8_t r, std::uint8_t g, std::uint8_t b);

/// The red/cyan picture of two Bgr24 views of equal size: red carries the grey of
/// `view2`, green and blue the grey of `view6`. Throws Error for other formats or sizes.
Bitmap MakeAnaglyph(const Bitmap& view2, const Bitmap& view6);

/// Where the anaglyph of a PSD goes: the path without its last four characters,
/// followed by "_qv58.bmp" ("D:/art/scene.psd" -> "D:/art/scene_qv58.bmp", "scene.ps"
/// -> "scen_qv58.bmp"). Characters are UTF-8 code points. The cut never reaches into
/// the folder part (after the last "/" or "\\"), so a file name of four characters or
/// fewer becomes "_qv58.bmp" in the PSD's own folder rather than a file beside some
/// parent folder.
std::string AnaglyphPath(const std::string& psdPath);

} // namespace deptrix
