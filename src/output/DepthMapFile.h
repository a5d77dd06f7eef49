#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace deptrix {

/// A PNG file of an 8-bit grey picture (a depth raster): 8 bits per sample, or 16 with
/// each value v stored as v x 257 so that it reads back as the same level. Throws
/// Error for a picture that is not 8-bit or is empty.
std::vector<std::uint8_t> EncodeGreyPng(const Bitmap& grey, bool sixteenBits);

/// Whether `path` names a PNG file by its extension (any case).
bool IsPngPath(const std::filesystem::path& path);

/// Writes a depth raster, near light and far dark: a PNG when `path` ends in .png (16
/// bits per sample when asked), else an 8-bit BMP. The file is written under a
/// temporary name and renamed into place. Throws Error naming the file, also when 16
/// bits are asked of a name that is not a PNG's.
void SaveDepthMap(const Bitmap& raster, const std::filesystem::path& path, bool sixteenBits);

} // namespace deptrix
