#include "depth/LayerDepthSource.h"

#include "depth/DepthMapFit.h"
#include "depth/DepthQuantities.h"
#include "depth/DepthRaster.h"

namespace deptrix {

Bitmap LayerDepthRaster(
    const Document& doc, std::size_t index, const LayerRecord& layer, const LineSet& lines) {
    if (const LayerDepthMap* map = doc.depthMapOf(index))
        return DepthMapRaster(doc, layer, *map, OutlineMargin(doc.SourceDpi, layer.Depth));
    return SmoothedDepthRaster(doc, layer, lines);
}

bool HasLayerDepth(const Document& doc, std::size_t index) {
    if (index >= doc.Layers.size()) return false;
    const std::uint8_t group = doc.Layers[index].Group;
    return group == kGroupOutlineBuilt || group == kGroupOutlineStale;
}

} // namespace deptrix
