#include "core/Document.h"

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
    LayerLines.clear();
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
    DefaultOffsets.clear();
}

void Document::resetViews() {
    for (int n = 1; n <= kViewCount; ++n) Views[n] = Bitmap();
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
