#include "import/DefaultOffsets.h"

#include "core/Document.h"

namespace deptrix {

void ApplyImportDefaults(Document& doc) {
    doc.DepthSpan = Round(static_cast<long double>(doc.SourceWidth) / 16.0L * 10000.0L);
    doc.applyLayerDefaults();
    doc.CurOrder = 0;
    ChooseFocus(doc);
    ComputeDefaultOffsets(doc);
}

namespace {

/// The layer that `layer` is clipped to, or -1. Only a layer below counts.
int ClipBaseOf(const Document& doc, std::size_t layer) {
    const std::int32_t base = doc.Layers[layer].ClipBase;
    return base >= 0 && static_cast<std::size_t>(base) < layer ? base : -1;
}

} // namespace

void ChooseFocus(Document& doc) {
    doc.UngroupedLayers.clear();
    // A clipped layer shows only through its base and moves with it, so it takes no
    // step of the ramp of its own.
    for (int i = static_cast<int>(doc.Layers.size()) - 1; i >= 0; --i)
        if (doc.Layers[static_cast<size_t>(i)].Group == kGroupNone
            && ClipBaseOf(doc, static_cast<size_t>(i)) < 0)
            doc.UngroupedLayers.push_back(static_cast<std::uint8_t>(i));
    doc.UngroupedCount = static_cast<std::int32_t>(doc.UngroupedLayers.size());
    if (doc.UngroupedCount == 0) {
        doc.FocusSlot = 0;
        doc.FocusRow = 0;
        return;
    }
    doc.FocusSlot = static_cast<std::int32_t>(Round((doc.UngroupedCount - 1) * 2.0L / 5.0L));
    doc.FocusRow = doc.LayerCount - doc.UngroupedLayers[static_cast<size_t>(doc.FocusSlot)];
}

void ComputeDefaultOffsets(Document& doc) {
    doc.DefaultOffsets.assign(doc.Layers.size(), 0);
    if (doc.UngroupedCount <= 0) return;
    const long double span = static_cast<long double>(doc.DepthSpan);
    // The small terms keep the divisors away from zero at either end of the ramp.
    doc.FrontStep = Round(span * 2.0L / 3.0L / (doc.FocusSlot + 0.001L));
    doc.BackStep = Round(span / (doc.UngroupedCount - doc.FocusSlot - 0.999L));
    for (std::int32_t k = 0; k < doc.UngroupedCount; ++k) {
        const Fixed step = k <= doc.FocusSlot ? doc.FrontStep : doc.BackStep;
        const std::uint8_t layer = doc.UngroupedLayers[static_cast<size_t>(k)];
        doc.DefaultOffsets[layer]
            = Round(static_cast<long double>(k - doc.FocusSlot) * static_cast<long double>(step));
    }
    // Bases lie below their clipped layers, so going up takes every base's own value.
    for (std::size_t i = 0; i < doc.Layers.size(); ++i)
        if (const int base = ClipBaseOf(doc, i); base >= 0)
            doc.DefaultOffsets[i] = doc.DefaultOffsets[static_cast<std::size_t>(base)];
}

} // namespace deptrix
