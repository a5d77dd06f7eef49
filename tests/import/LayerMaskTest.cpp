// A layer's opacity: transparency x user mask (own rectangle, default colour,
// disabled flag, density) x layer opacity, rounded once.

#include "TestPsd.h"

#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

std::vector<int> MaskRow(const ImportedDocument& doc, std::size_t layer, int y) {
    const Bitmap& mask = doc.LayerMasks[layer];
    return std::vector<int>(mask.row(y), mask.row(y) + mask.width());
}

/// A 4 x 2 layer at (10, 5) with the given transparency per pixel.
PsdLayerSpec Layer(const PsdPlane& alpha) {
    PsdLayerSpec layer = SolidLayer("masked", { 5, 10, 7, 14 }, { 90, 80, 70 });
    layer.transparency = alpha;
    return layer;
}

ImportedDocument ImportOne(const PsdLayerSpec& layer) {
    PsdWriter writer(RgbOptions(32, 16));
    writer.addLayer(layer);
    return Import(writer.finish());
}

} // namespace

TEST(LayerMask, TransparencyUserMaskAndOpacityCombineWithOneRounding) {
    //            x = 10   11   12   13
    //   alpha y5:   255  128    0  200
    //         y6:   255  255  255  255
    //   user mask rectangle x 11..12, y 5 only (values 100, 255); default 0 outside
    //   opacity 128
    PsdLayerSpec layer = Layer({ 255, 128, 0, 200, 255, 255, 255, 255 });
    layer.userMask = PsdMaskSpec { { 5, 11, 6, 13 }, 0, false, { 100, 255 } };
    layer.opacity = 128;
    const ImportedDocument doc = ImportOne(layer);
    // Round(128 x 100 x 128 / 65025) = Round(25.196) = 25; everything outside the
    // rectangle takes the default 0.
    EXPECT_EQ(MaskRow(doc, 0, 0), (std::vector<int> { 0, 25, 0, 0 }));
    EXPECT_EQ(MaskRow(doc, 0, 1), (std::vector<int> { 0, 0, 0, 0 }));
}

TEST(LayerMask, MaskRectangleMayReachPastTheLayerAndDefaultsOutside) {
    // Rectangle x 8..11, y 6..8 (partly outside the box), default 255 outside it.
    PsdLayerSpec layer = Layer(Flat(8, 255));
    layer.userMask = PsdMaskSpec { { 6, 8, 8, 12 }, 255, false, { 1, 2, 3, 4, 5, 6, 7, 8 } };
    const ImportedDocument doc = ImportOne(layer);
    EXPECT_EQ(MaskRow(doc, 0, 0), (std::vector<int> { 255, 255, 255, 255 }));
    // Row y 6 of the rectangle is 1 2 3 4 at x 8..11: x 10 and 11 fall on the layer.
    EXPECT_EQ(MaskRow(doc, 0, 1), (std::vector<int> { 3, 4, 255, 255 }));
}

TEST(LayerMask, ADisabledMaskIsIgnored) {
    PsdLayerSpec layer = Layer({ 255, 128, 0, 200, 1, 2, 3, 4 });
    layer.userMask = PsdMaskSpec { { 5, 10, 7, 14 }, 0, true, Flat(8, 0) };
    const ImportedDocument doc = ImportOne(layer);
    EXPECT_EQ(MaskRow(doc, 0, 0), (std::vector<int> { 255, 128, 0, 200 }));
    EXPECT_EQ(MaskRow(doc, 0, 1), (std::vector<int> { 1, 2, 3, 4 }));
}

TEST(LayerMask, DensityWeakensTheMask) {
    // Density 128: a mask value m hides as much as 255 - 128 x (255 - m) / 255.
    PsdLayerSpec layer = Layer(Flat(8, 255));
    layer.userMask = PsdMaskSpec { { 5, 10, 6, 14 }, 0, false, { 0, 255, 100, 0 }, 128 };
    const ImportedDocument doc = ImportOne(layer);
    // m 0: Round(255 x (65025 - 128 x 255) / 65025) = 127; m 255: 255;
    // m 100: Round(255 x (65025 - 128 x 155) / 65025) = Round(177.196) = 177;
    // the default 0 outside the rectangle is weakened the same way.
    EXPECT_EQ(MaskRow(doc, 0, 0), (std::vector<int> { 127, 255, 177, 127 }));
    EXPECT_EQ(MaskRow(doc, 0, 1), (std::vector<int> { 127, 127, 127, 127 }));
}

TEST(LayerMask, ALayerWithoutTransparencyIsOpaqueInItsBox) {
    const ImportedDocument doc = ImportOne(SolidLayer("opaque", { 5, 10, 7, 14 }, { 1, 2, 3 }));
    EXPECT_EQ(MaskRow(doc, 0, 0), (std::vector<int> { 255, 255, 255, 255 }));
    EXPECT_EQ(MaskRow(doc, 0, 1), (std::vector<int> { 255, 255, 255, 255 }));
}

TEST(LayerMask, OpacityAloneScalesTheTransparency) {
    PsdLayerSpec layer = Layer({ 255, 254, 1, 0, 128, 127, 129, 64 });
    layer.opacity = 77;
    const ImportedDocument doc = ImportOne(layer);
    // Round(a x 77 / 255): 77, 76.698 -> 77, 0.302 -> 0, 0; 38.651 -> 39, 38.349 -> 38,
    // 38.953 -> 39, 19.325 -> 19.
    EXPECT_EQ(MaskRow(doc, 0, 0), (std::vector<int> { 77, 77, 0, 0 }));
    EXPECT_EQ(MaskRow(doc, 0, 1), (std::vector<int> { 39, 38, 39, 19 }));
}

} // namespace deptrix::test
