#pragma once

#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/WorkFiles.h"
#include "render/RenderTestSupport.h"

#include <filesystem>
#include <initializer_list>

namespace deptrix::test {

/// A document of sourceWidth x sourceHeight source pixels on a working grid of
/// `workScale`, at `dpi` dots per inch.
inline Document DepthDocument(int imageMode, int sourceWidth, int sourceHeight, Fixed workScale, int dpi) {
    Document doc = EmptyDocument(imageMode, static_cast<int>(Round(sourceWidth * workScale / 10000.0L)),
        static_cast<int>(Round(sourceHeight * workScale / 10000.0L)));
    doc.SourceWidth = sourceWidth;
    doc.SourceHeight = sourceHeight;
    doc.WorkScale = workScale;
    doc.SourceDpi = Fixed { dpi } * kFixedOne;
    return doc;
}

/// A layer record of the given box with the outline parameters.
inline LayerRecord OutlineLayer(int left, int top, int width, int height, std::uint8_t baseOrder = 7,
    std::uint8_t smooth = 5, Fixed depth = kFixedOne) {
    LayerRecord layer;
    layer.Left = left;
    layer.Top = top;
    layer.Width = width;
    layer.Height = height;
    layer.BaseOrder = baseOrder;
    layer.Smooth = smooth;
    layer.Depth = depth;
    return layer;
}

/// Appends `layer` to the document with its source-resolution picture and mask
/// written where the layer reader leaves them. The in-memory layer bitmaps are the
/// same pictures (tests use a working scale of 1 when they composite them).
inline void AddLayerWithFiles(Document& doc, const LayerRecord& layer, const Bitmap& picture,
    const Bitmap& mask, const std::filesystem::path& folder) {
    const int number = static_cast<int>(doc.Layers.size()) + 1;
    SaveBmp(picture, folder / LayerFileName(number));
    SaveBmp(mask, folder / LayerMaskFileName(number));
    doc.Layers.push_back(layer);
    doc.LayerBitmaps.push_back(picture);
    doc.LayerMasks.push_back(mask);
    doc.ViewLeft.push_back(layer.Left);
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
}

/// A line set of 15 orders with the given lines in order index `order`.
inline LineSet LinesInOrder(int order, std::initializer_list<Line> lines) {
    LineSet set(kOrderCount);
    for (const Line& line : lines) set[static_cast<std::size_t>(order)].push_back(line);
    return set;
}

inline Line Rectangle(int left, int top, int right, int bottom) {
    return { { left, top }, { right, top }, { right, bottom }, { left, bottom } };
}

} // namespace deptrix::test
