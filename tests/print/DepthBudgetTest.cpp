// Movement per view in lens widths, and fitting the depth factor to the lens.

#include "print/DepthBudget.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

/// A 3000-pixel-wide document with the given layers (index 0 the bottom).
Document DocumentOf(std::vector<LayerRecord> layers) {
    Document doc;
    doc.SourceWidth = 3000;
    doc.SourceDpi = 3000000;
    doc.Layers = std::move(layers);
    doc.LayerCount = static_cast<std::uint16_t>(doc.Layers.size());
    doc.LayerLines.resize(doc.Layers.size());
    return doc;
}

LayerRecord Ordinary() {
    LayerRecord layer;
    layer.Depth = kFixedOne;
    layer.BaseOrder = 7;
    return layer;
}

LayerRecord Outline(std::uint8_t baseOrder) {
    LayerRecord layer = Ordinary();
    layer.Group = kGroupOutlineBuilt;
    layer.BaseOrder = baseOrder;
    return layer;
}

LineSet LinesInOrders(std::initializer_list<int> orders) {
    LineSet lines(kOrderCount);
    for (const int k : orders) lines[static_cast<std::size_t>(k)].push_back({ { 0, 0 }, { 5, 0 }, { 5, 5 } });
    return lines;
}

const LensBudgetSettings kTenInchesAt40 { 400000, 10 };

TEST(DepthBudget, OrdinaryLayerMovesItsOffsetOverSixPerView) {
    // 120 / 6 x 10 / 3000 x 40 = 2.67 lens widths; the focus layer does not move.
    Document doc = DocumentOf({ Ordinary(), Ordinary() });
    const LayerOffsets offsets { 2, 0, { 120, 0 } };
    const std::vector<double> parallax = ParallaxPerView(doc, offsets, kFixedOne, kTenInchesAt40);
    EXPECT_NEAR(parallax[0], 8.0 / 3.0, 1e-9);
    EXPECT_EQ(parallax[1], 0.0);

    const std::optional<Fixed> fitted = FitDepthToLens(doc, offsets, kFixedOne, kTenInchesAt40);
    ASSERT_TRUE(fitted);
    EXPECT_EQ(*fitted, 3750);
    EXPECT_NEAR(LargestParallax(ParallaxPerView(doc, offsets, *fitted, kTenInchesAt40)), 1.0, 1e-9);

    // Relative to the focus offset, either side, and with a negative factor.
    const LayerOffsets focused { 2, 60, { -60, 60 } };
    EXPECT_NEAR(ParallaxPerView(doc, focused, kFixedOne, kTenInchesAt40)[0], 8.0 / 3.0, 1e-9);
    EXPECT_EQ(*FitDepthToLens(doc, focused, -kFixedOne, kTenInchesAt40), -3750);
}

TEST(DepthBudget, OutlineLayerMovesByItsLevelsAroundTheBase) {
    // The warping moves 3000 x 1.0 x 1.0 / 3 = 1000, a tenth of a pixel, per level and view step.
    // Base order 7 is level 150; lines of Order 1 (255) and the background (30) lie
    // 105 and 120 levels from it: the background moves most, 12 px per view.
    Document doc = DocumentOf({ Outline(7) });
    doc.LayerLines[0] = LinesInOrders({ 0 });
    const LayerOffsets still { 0, 0, { 0 } };
    EXPECT_EQ(OutlineLevels(doc.LayerLines[0]), (std::vector<int> { 30, 255 }));
    EXPECT_NEAR(ParallaxPerView(doc, still, kFixedOne, kTenInchesAt40)[0], 12.0 / 300 * 40, 1e-9);

    // Base order 15 (the background itself): only the lines move, 225 levels away.
    doc.Layers[0].BaseOrder = 15;
    EXPECT_NEAR(ParallaxPerView(doc, still, kFixedOne, kTenInchesAt40)[0], 22.5 / 300 * 40, 1e-9);

    // The layer's own offset adds to the level movement on the side where they agree:
    // +2 px per view from the offset against -22.5 from level 255.
    const LayerOffsets moving { 0, 0, { -12 } };
    EXPECT_NEAR(ParallaxPerView(doc, moving, kFixedOne, kTenInchesAt40)[0], 24.5 / 300 * 40, 1e-9);

    // Fitting keeps the largest movement at one lens width or just under it, though
    // the warping step is rounded.
    const std::optional<Fixed> fitted = FitDepthToLens(doc, moving, kFixedOne, kTenInchesAt40);
    ASSERT_TRUE(fitted);
    const double after = LargestParallax(ParallaxPerView(doc, moving, *fitted, kTenInchesAt40));
    EXPECT_LE(after, 1.0);
    EXPECT_GT(after, 0.995);
}

TEST(DepthBudget, NothingToFitWhenNoLayerMoves) {
    Document doc = DocumentOf({ Ordinary(), Ordinary() });
    EXPECT_FALSE(FitDepthToLens(doc, { 1, 5, { 5, 5 } }, kFixedOne, kTenInchesAt40));
    // A tiny movement is fitted no further than the depth field allows.
    EXPECT_EQ(*FitDepthToLens(doc, { 1, 0, { 1, 0 } }, kFixedOne, kTenInchesAt40), 10 * kFixedOne);
}

TEST(DepthBudget, MoreFramesShareTheSameParallaxInSmallerSteps) {
    // The frames span what the seven views span: 120 px over 6 view steps, 12 frame
    // steps or 1 step between two frames.
    Document doc = DocumentOf({ Ordinary(), Outline(7) });
    doc.LayerLines[1] = LinesInOrders({ 0 });
    const LayerOffsets offsets { 0, 0, { 120, 30 } };
    LensBudgetSettings lens = kTenInchesAt40;
    const std::vector<double> seven = ParallaxPerView(doc, offsets, kFixedOne, lens);
    lens.frames = 13;
    const std::vector<double> thirteen = ParallaxPerView(doc, offsets, kFixedOne, lens);
    lens.frames = 2;
    const std::vector<double> two = ParallaxPerView(doc, offsets, kFixedOne, lens);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(thirteen[i], seven[i] / 2, 1e-12);
        EXPECT_NEAR(two[i], seven[i] * 6, 1e-12);
    }
    // Fitting the depth to 13 frames allows twice the depth.
    lens.frames = 13;
    EXPECT_EQ(*FitDepthToLens(doc, offsets, kFixedOne, lens),
        2 * *FitDepthToLens(doc, offsets, kFixedOne, kTenInchesAt40));
}

} // namespace
} // namespace deptrix
