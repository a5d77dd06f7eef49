#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/LayerDepthMap.h"

#include <array>
#include <cstdint>

namespace deptrix {

/// The depth level of a map value v (16 bits) under the options' range: with the
/// black point b and white point w on the 0..255 scale, Round(255 x (v / 257 - b) /
/// (w - b)) with ties to even, clamped to 0..255, and 255 minus that before rounding
/// when inverted. Exact in integers, so an 8-bit map with the full range keeps its
/// values as levels.
std::uint8_t DepthMapLevel(std::uint16_t value, const DepthMapOptions& options);

/// The levels of the map's darkest and lightest values: every level the warp can meet
/// in the layer lies between them, as stretching only averages or interpolates.
std::array<std::uint8_t, 2> DepthMapLevelRange(const LayerDepthMap& map);

/// A layer's depth raster from its map, the same size and placement as the outline
/// raster (BuildDepthRaster): (2 x margin + Width) x Height levels whose column x is
/// document column Left - margin + x and row y document row Top + y. It is what the
/// warp moves the layer by; it is not smoothed again.
///
/// Where the map lies:
/// - over the whole document (options.wholeDocument): stretched over SourceWidth x
///   SourceHeight, of which the raster takes its part;
/// - with options.marginColumns k and a picture as high as the layer and 2k columns
///   wider: the layer's box with k margin columns each side, taken pixel for pixel
///   (what an exported depth map of the layer is);
/// - otherwise stretched over the layer's box.
/// Stretching averages the map's pixels over each raster pixel where it shrinks and
/// interpolates bilinearly (pixel centres aligned) where it grows, each way on its
/// own, in integers on the 16-bit values; the result is rounded to 16 bits and only
/// then turned into levels. Raster pixels beyond what the map covers take the nearest
/// edge of the map.
///
/// Throws Error when the map is empty, the raster's size is out of range or, for a map
/// over the document, the document has no size.
Bitmap DepthMapRaster(
    const Document& doc, const LayerRecord& layer, const LayerDepthMap& map, std::int64_t margin);

/// The margin columns to read a picture with that is about to become the map of
/// `layer`: the layer's margin when the picture is exactly the layer's raster with its
/// margins (an exported depth map of the layer at its depth), else 0.
std::int32_t ExportedMarginColumns(const Document& doc, const LayerRecord& layer, const GreyPicture& picture);

} // namespace deptrix
