#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Outlines.h"

#include <cstdint>

namespace deptrix {

/// The depth levels of one layer at source resolution: an 8-bit picture of
/// (2 x margin + Width) x Height whose column x is document column Left - margin + x
/// and row y document row Top + y. Inside a line of order index k the level is
/// OrderLevel(k), elsewhere in the document 30, outside the document 0.
///
/// The lines are drawn on the working grid (ImageWidth x ImageHeight) farthest order
/// first, each as an even-odd filled polygon stroked with a round pen of
/// Round(ImageWidth / 200) pixels in its own level, so nearer orders cover farther
/// ones; lines of fewer than two points draw nothing. The drawing is then sampled to
/// source resolution with nearest-neighbour sampling. Only the first 15 order lists
/// of `lines` are used; an empty set gives a layer without lines.
///
/// Throws Error when the document has no working picture or the raster's size is out
/// of range (for example a margin that leaves no columns).
Bitmap BuildDepthRaster(
    const Document& doc, const LayerRecord& layer, const LineSet& lines, std::int64_t margin);

/// Smooths a depth raster in place with a 5 x 5 kernel whose taps lie `step` pixels
/// apart:
///
///     0 2 2 2 0
///     2 3 3 3 2
///     2 3 4 3 2
///     2 3 3 3 2
///     0 2 2 2 0
///
/// Each output is Round(weighted sum / 52) with ties to even, computed from the
/// unsmoothed raster. Taps outside the raster take the nearest edge row or column.
/// A step of 0 leaves the raster unchanged.
void SmoothDepth(Bitmap& raster, std::int64_t step);

/// BuildDepthRaster with the layer's margin followed by SmoothDepth with the layer's
/// smoothing step: what the synthesis warps and what the depth-map view shows.
Bitmap SmoothedDepthRaster(const Document& doc, const LayerRecord& layer, const LineSet& lines);

} // namespace deptrix
