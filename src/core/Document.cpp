#include "core/Document.h"

#include "core/Error.h"

#include <string>
#include <utility>

namespace deptrix {

void Document::beginImport(const std::string& path) {
    if (DocumentLoaded) {
        Composite.release();
        Coverage.release();
        Views[0].release();
        for (size_t i = 0; i < LayerBitmaps.size(); ++i) {
            LayerBitmaps[i].release();
            if (i < LayerMasks.size()) LayerMasks[i].release();
        }
    }
    DocumentLoaded = true;
    Composite = Bitmap();
    Coverage = Bitmap();
    Views[0] = Bitmap();
    AppStage = kStageImported;
    PsdPath = path;
    LayerBitmaps.clear();
    LayerMasks.clear();
    LayerClipShapes.clear();
    LayerLines.clear();
    LayerDepthMaps.clear();
    EditLines.clear();
    Layers.clear();
    UngroupedLayers.clear();
    ApproximateLayers.clear();
}

void Document::applyLayerDefaults() {
    ViewLeft.assign(Layers.size(), 0);
    for (size_t i = 0; i < Layers.size(); ++i) {
        LayerRecord& layer = Layers[i];
        ViewLeft[i] = layer.Left;
        if (layer.Depth == 0) layer.Depth = kFixedOne;
        if (layer.Smooth == 0) layer.Smooth = 5;
        if (layer.BaseOrder == 0) layer.BaseOrder = 7;
    }
}

void Document::clearLayers() {
    Layers.clear();
    LayerBitmaps.clear();
    LayerMasks.clear();
    LayerClipShapes.clear();
    LayerCount = 0;
    ViewLeft.clear();
    DefaultOffsets.clear();
    UngroupedLayers.clear();
    UngroupedCount = 0;
    FocusSlot = 0;
    FocusRow = 0;
    GroupMembers.clear();
    GroupFrames.clear();
    LayerLines.clear();
    LayerDepthMaps.clear();
    EditLines.clear();
    Composite.release();
    Coverage.release();
    Views[0].release();
    DocumentLoaded = false;
    AppStage = kStageNothingImported;
    PsdPath.clear();
    ApproximateLayers.clear();
    ImageWidth = 0;
    ImageHeight = 0;
    SourceWidth = 0;
    SourceHeight = 0;
    SourceDepth = 8;
    ArtboardCount = 0;
    IccProfile.clear();
}

void Document::release() {
    if (DocumentLoaded) {
        Composite.release();
        Coverage.release();
        Views[0].release();
        for (Bitmap& bitmap : LayerBitmaps) bitmap.release();
        for (Bitmap& mask : LayerMasks) mask.release();
    }
    Layers.clear();
    LayerBitmaps.clear();
    LayerMasks.clear();
    LayerClipShapes.clear();
    LayerDepthMaps.clear();
    DefaultOffsets.clear();
}

void Document::resetViews() {
    for (int n = 1; n <= kViewCount; ++n) Views[n] = Bitmap();
}

bool Document::hasLines(std::size_t index) const {
    if (index >= LayerLines.size()) return false;
    for (const OrderLines& order : LayerLines[index])
        for (const Line& line : order)
            if (line.size() >= 2) return true;
    return false;
}

void Document::setDepthMap(std::size_t index, LayerDepthMap map) {
    if (index >= Layers.size() || index >= LayerCount)
        throw Error("There is no layer " + std::to_string(index + 1) + " to give a depth map to");
    const std::uint8_t group = Layers[index].Group;
    if (group != kGroupNone && group <= kGroupLastFlip)
        throw Error("Layer " + std::to_string(index + 1)
            + " belongs to a flip group, which moves it as a whole: it cannot take a depth map");
    if (!map.present() || map.picture->empty()) throw Error("The depth map has no picture");
    CheckDepthMapOptions(map.options);
    if (LayerDepthMaps.size() < Layers.size()) LayerDepthMaps.resize(Layers.size());
    LayerDepthMaps[index] = std::move(map);
    if (index < LayerLines.size()) LayerLines[index].clear();
    if (static_cast<std::size_t>(SelectedLayer) == index && !EditLines.empty())
        EditLines = LineSet(kOrderCount);
    Layers[index].Group = kGroupOutlineStale;
}

void Document::clearDepthMap(std::size_t index) {
    if (!depthMapOf(index)) return;
    LayerDepthMaps[index] = LayerDepthMap {};
    if (index < Layers.size()) Layers[index].Group = hasLines(index) ? kGroupOutlineStale : kGroupNone;
}

bool Document::consistent() const {
    if (Layers.size() != LayerCount || LayerBitmaps.size() != LayerCount || LayerMasks.size() != LayerCount)
        return false;
    for (size_t i = 0; i < LayerCount; ++i) {
        if (LayerBitmaps[i].width() != LayerMasks[i].width()
            || LayerBitmaps[i].height() != LayerMasks[i].height())
            return false;
    }
    return true;
}

} // namespace deptrix
