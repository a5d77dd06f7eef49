#include "render/LayerDisplay.h"

#include "render/Compositor.h"
#include "render/LayerBlend.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace deptrix {

namespace {

constexpr std::uint8_t kCheckerGrey = 200;
constexpr std::uint8_t kCheckerWhite = 255;

/// Every byte of a grey square is 200, in RGB and CMYK alike.
void DrawCheckerboard(Bitmap& picture) {
    const int width = picture.width();
    const auto bpp = static_cast<std::size_t>(picture.bytesPerPixel());
    const std::size_t used = static_cast<std::size_t>(width) * bpp;
    // Rows come in two patterns: (y + 1) mod 16 below 8 or not.
    std::vector<std::uint8_t> upper(used);
    std::vector<std::uint8_t> lower(used);
    for (int x = 0; x < width; ++x) {
        const bool leftHalf = (x + 1) % 16 < 8;
        std::memset(
            upper.data() + static_cast<std::size_t>(x) * bpp, leftHalf ? kCheckerGrey : kCheckerWhite, bpp);
        std::memset(
            lower.data() + static_cast<std::size_t>(x) * bpp, leftHalf ? kCheckerWhite : kCheckerGrey, bpp);
    }
    for (int y = 0; y < picture.height(); ++y)
        std::memcpy(picture.row(y), (y + 1) % 16 < 8 ? upper.data() : lower.data(), used);
}

} // namespace

void ShowSingleLayer(Document& doc, int layerIndex) {
    doc.SelectedLayer = layerIndex;
    ResetPicture(
        doc.Composite, doc.ImageWidth, doc.ImageHeight, CompositeFormat(doc.ImageMode), kCheckerWhite);
    DrawCheckerboard(doc.Composite);

    const std::size_t layers = std::min({ static_cast<std::size_t>(doc.LayerCount), doc.Layers.size(),
        doc.LayerBitmaps.size(), doc.LayerMasks.size() });
    if (layerIndex >= 0 && static_cast<std::size_t>(layerIndex) < layers) {
        const auto i = static_cast<std::size_t>(layerIndex);
        const LayerRecord& layer = doc.Layers[i];
        LayOver(doc.Composite, nullptr, doc.LayerBitmaps[i], doc.LayerMasks[i],
            ToWorking(layer.Top, doc.WorkScale), ToWorking(layer.Left, doc.WorkScale),
            "layer " + std::to_string(layerIndex + 1));
    }
    CmykToRgb(doc.Composite);
}

} // namespace deptrix
