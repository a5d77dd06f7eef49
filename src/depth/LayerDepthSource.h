#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "core/Outlines.h"

#include <cstddef>

namespace deptrix {

/// The smoothed depth raster the warp moves layer `index` by, with the box and
/// parameters of `layer` (which may differ from the stored record): from the layer's
/// depth map when it has one (DepthMapRaster, not smoothed again), otherwise from
/// `lines` (BuildDepthRaster smoothed with the layer's step). Both have the size and
/// placement of the layer's box with its margins.
Bitmap LayerDepthRaster(
    const Document& doc, std::size_t index, const LayerRecord& layer, const LineSet& lines);

/// Whether layer `index` takes its depth from outlines or a map: group code 100 or 255.
bool HasLayerDepth(const Document& doc, std::size_t index);

} // namespace deptrix
