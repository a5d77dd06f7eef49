#include "depth/LineLayerSynthesis.h"

#include "core/Error.h"
#include "depth/DepthQuantities.h"
#include "depth/LayerDepthSource.h"
#include "depth/WarpLayerViews.h"

#include <string>
#include <utility>

namespace deptrix {

void SynthesiseLineLayer(Document& doc, std::size_t layerIndex, const LineSet& lines,
    const std::filesystem::path& workFolder, Progress& progress) {
    if (layerIndex >= doc.Layers.size())
        throw Error("There is no layer " + std::to_string(layerIndex + 1) + " to give depth to");
    const LayerRecord layer = doc.Layers[layerIndex];
    Bitmap raster = LayerDepthRaster(doc, layerIndex, layer, lines);
    progress.setPosition(20);
    WarpLayerViews(doc, static_cast<int>(layerIndex) + 1, layer.Depth, BaseLevelOf(layer.BaseOrder),
        std::move(raster), workFolder, progress);
}

void RefreshOutlineLayers(Document& doc, const std::function<void()>& readDepthFields,
    const std::filesystem::path& workFolder, Progress& progress) {
    if (doc.DocumentLoaded && doc.OutlinesStale)
        for (LayerRecord& layer : doc.Layers)
            if (layer.Group == kGroupOutlineBuilt) layer.Group = kGroupOutlineStale;
    doc.OutlinesStale = false;

    readDepthFields();

    static const LineSet noLines;
    for (std::size_t i = 0; i < doc.Layers.size() && i < doc.LayerCount; ++i) {
        if (doc.Layers[i].Group != kGroupOutlineStale) continue;
        doc.Layers[i].Group = kGroupOutlineBuilt;
        SynthesiseLineLayer(
            doc, i, i < doc.LayerLines.size() ? doc.LayerLines[i] : noLines, workFolder, progress);
    }
}

} // namespace deptrix
