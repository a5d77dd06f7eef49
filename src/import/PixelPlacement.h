#pragma once

#include "core/Bitmap.h"
#include "import/PsdStructure.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// The layer bitmap format of a document: Cmyk32 for CMYK, Bgr24 for every other
/// mode (grey, bitmap, duotone and indexed files are imported as RGB).
PixelFormat LayerPixelFormat(const PsdHeader& header);

/// Byte positions inside a pixel that colour channel `id` fills: RGB red goes to
/// byte 2 of blue-green-red, CMYK channels keep their order, the one channel of the
/// other modes fills all three (for indexed files, until ExpandIndexedRow).
std::vector<int> ColourChannelOffsets(ColourMode mode, int id);

/// Writes `width` samples into every `pixelBytes`-th byte of `pixelRow`, starting at
/// byte `offset`.
void ScatterRow(const std::uint8_t* samples, std::uint8_t* pixelRow, int width, int pixelBytes, int offset);

/// Fills whole pixels of 3 or 4 bytes in one pass: byte k of pixel x is
/// byOffset[k][x]. Same bytes as one ScatterRow per offset.
void InterleaveRow(const std::uint8_t* const* byOffset, std::uint8_t* pixelRow, int width, int pixelBytes);

/// Turns a row of `width` blue-green-red pixels whose three bytes all hold a colour
/// number into the colours `table` gives those numbers.
void ExpandIndexedRow(std::uint8_t* pixelRow, int width, const ColourTable& table);

} // namespace deptrix
