#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Outlines.h"

#include <cstddef>

namespace deptrix {

/// The depth layer `index` gets, as a 24-bit grey picture of the document on the
/// working grid (ImageWidth x ImageHeight): each pixel shows the level of the layer's
/// smoothed raster (LayerDepthRaster: its depth map as the warp uses it, or what
/// `lines` make) at that place as its grey value, so near areas are light and far
/// ones dark; places the raster does not reach are black. `layer` gives the box and
/// the outline parameters, which may differ from those stored in the document.
/// Throws whatever building the raster throws.
Bitmap DepthMapPicture(
    const Document& doc, std::size_t index, const LayerRecord& layer, const LineSet& lines);

} // namespace deptrix
