#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// The layer bitmap format of a document: Cmyk32 for CMYK, Bgr24 for RGB and for
/// grayscale (which is imported as RGB).
PixelFormat LayerPixelFormat(const PsdHeader& header);

/// Byte positions inside a pixel that colour channel `id` fills: RGB red goes to
/// byte 2 of blue-green-red, CMYK channels keep their order, grey fills all three.
std::vector<int> ColourChannelOffsets(ColourMode mode, int id);

/// Writes `width` samples into every `pixelBytes`-th byte of `pixelRow`, starting at
/// byte `offset`.
void ScatterRow(const std::uint8_t* samples, std::uint8_t* pixelRow, int width, int pixelBytes, int offset);

/// Fills whole pixels of 3 or 4 bytes in one pass: byte k of pixel x is
/// byOffset[k][x]. Same bytes as one ScatterRow per offset.
void InterleaveRow(const std::uint8_t* const* byOffset, std::uint8_t* pixelRow, int width, int pixelBytes);

} // namespace deptrix
