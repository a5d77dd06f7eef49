#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <cstddef>

namespace deptrix {

/// The file's own flattened picture at canvas size.
struct MergedPicture {
    Bitmap colour; ///< Bgr24 (RGB, grey copied into all three) or Cmyk32 as stored
    Bitmap alpha; ///< Gray8 transparency, empty when the file stores none
};

/// Checks that the merged picture's data is all there (compression known, row
/// tables and data within the file; a ZIP stream is inflated through a small buffer)
/// without decoding the picture, so that a file cut short
/// is refused even when its layers are intact.
void CheckMergedImage(const PsdFile& file);

/// Decodes the merged picture. The channel after the colour channels is read as
/// transparency only when the file says so (negative layer count). Throws Error
/// when the data is damaged or the picture exceeds `limitBytes`.
MergedPicture DecodeMergedImage(const PsdFile& file, std::size_t limitBytes);

} // namespace deptrix
