// Layer effects written by our own writer, read back and drawn, against pictures
// worked out independently here: whole-pixel sizes, so that the edges are exact.

#include "import/LayerEffects.h"

#include "TestPsd.h"
#include "core/Document.h"
#include "import/DefaultOffsets.h"
#include "import/EffectsWriter.h"
#include "import/PsdWriter.h"
#include "import/TaggedBlocks.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <cmath>
#include <gtest/gtest.h>

namespace deptrix::test {
namespace {

constexpr EffectColour kBlack { 0, 0, 0 };
constexpr EffectColour kGreen { 0, 255, 0 };

LayerEffect Effect(EffectKind kind, EffectColour colour = kBlack) {
    LayerEffect e;
    e.kind = kind;
    e.colour = colour;
    e.angle = 90; // light from the top
    return e;
}

/// A 20 x 20 white document with a red opaque 6 x 6 square at (7, 7) carrying
/// `effects`, composited as the preview does.
Document SquareWith(std::vector<LayerEffect> effects, std::uint8_t fill = 255) {
    PsdWriter writer(RgbOptions(20, 20));
    writer.addLayer(SolidLayer("paper", { 0, 0, 20, 20 }, { 255, 255, 255 }));
    PsdLayerSpec square = SolidLayer("square", { 7, 7, 13, 13 }, { 255, 0, 0 });
    square.fillOpacity = fill;
    LayerStyle style;
    style.effects = std::move(effects);
    square.effects = style;
    writer.addLayer(square);
    Document doc;
    Import(writer.finish()).moveInto(doc);
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    NullProgress progress;
    CompositePass(doc, {}, progress);
    return doc;
}

std::array<int, 3> At(const Document& doc, int x, int y) {
    return Rgb(doc.Composite, x, y);
}

LayerStyle ReadBack(const LayerStyle& style) {
    const std::vector<std::uint8_t> data = EffectsBlockData(style);
    TaggedBlock block;
    block.key = { 'l', 'f', 'x', '2' };
    block.data = data;
    return ReadLayerStyle(block);
}

} // namespace

TEST(LayerEffects, DescriptorsRoundTripThroughTheWriter) {
    LayerStyle style;
    LayerEffect stroke = Effect(EffectKind::Stroke, kGreen);
    stroke.position = StrokePosition::Centre;
    stroke.size = 4;
    stroke.opacity = 0.5;
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.mode = BlendMode::Multiply;
    shadow.distance = 7;
    shadow.size = 3;
    shadow.spread = 0.25;
    shadow.globalAngle = true;
    LayerEffect gradient = Effect(EffectKind::GradientOverlay);
    gradient.gradient.style = GradientStyle::Reflected;
    gradient.gradient.colours = { { 0, 0.3, kBlack }, { 1, 0.5, kGreen } };
    gradient.gradient.angle = 30;
    LayerEffect bevel = Effect(EffectKind::Bevel);
    bevel.bevelStyle = BevelStyle::Pillow;
    bevel.up = false;
    bevel.depth = 2.5;
    style.effects = { stroke, shadow, gradient, bevel };

    const LayerStyle read = ReadBack(style);
    ASSERT_TRUE(read.draws());
    ASSERT_EQ(read.effects.size(), 4u);
    EXPECT_EQ(read.effects[0].position, StrokePosition::Centre);
    EXPECT_EQ(read.effects[0].size, 4);
    EXPECT_EQ(read.effects[0].opacity, 0.5);
    EXPECT_EQ(read.effects[0].colour.green, 255);
    EXPECT_EQ(read.effects[1].mode, BlendMode::Multiply);
    EXPECT_EQ(read.effects[1].distance, 7);
    EXPECT_EQ(read.effects[1].spread, 0.25);
    EXPECT_TRUE(read.effects[1].globalAngle);
    EXPECT_EQ(read.effects[2].gradient.style, GradientStyle::Reflected);
    EXPECT_EQ(read.effects[2].gradient.colours[0].midpoint, 0.3);
    EXPECT_EQ(read.effects[2].gradient.angle, 30);
    EXPECT_EQ(read.effects[3].bevelStyle, BevelStyle::Pillow);
    EXPECT_FALSE(read.effects[3].up);
    EXPECT_EQ(read.effects[3].depth, 2.5);

    style.masterOn = false;
    EXPECT_FALSE(ReadBack(style).draws());
    // Cut anywhere, a block reads as unreadable, never past its end.
    const std::vector<std::uint8_t> data = EffectsBlockData(style);
    for (std::size_t n = 0; n + 1 < data.size(); n += 7) {
        std::vector<std::uint8_t> cut(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(n));
        TaggedBlock block;
        block.key = { 'l', 'f', 'x', '2' };
        block.data = cut;
        EXPECT_FALSE(ReadLayerStyle(block).readable) << n;
    }
}

// A stroke of 2 pixels outside the square covers the two rows and columns beside
// each side fully; inside it leaves the square's own colour; beyond, the paper.
TEST(LayerEffects, OutsideAndInsideStrokesCoverWholePixelsBesideTheEdge) {
    LayerEffect outside = Effect(EffectKind::Stroke, kGreen);
    outside.size = 2;
    const Document doc = SquareWith({ outside });
    for (int y : { 7, 12 }) {
        EXPECT_EQ(At(doc, 5, y), (std::array<int, 3> { 0, 255, 0 }));
        EXPECT_EQ(At(doc, 6, y), (std::array<int, 3> { 0, 255, 0 }));
        EXPECT_EQ(At(doc, 13, y), (std::array<int, 3> { 0, 255, 0 }));
        EXPECT_EQ(At(doc, 15, y), (std::array<int, 3> { 255, 255, 255 }));
    }
    EXPECT_EQ(At(doc, 7, 7), (std::array<int, 3> { 255, 0, 0 }));
    EXPECT_EQ(doc.Layers[1].Left, 7 - 3); // the box grows by the stroke's reach

    LayerEffect inside = Effect(EffectKind::Stroke, kGreen);
    inside.position = StrokePosition::Inside;
    inside.size = 1;
    const Document in = SquareWith({ inside });
    EXPECT_EQ(At(in, 7, 9), (std::array<int, 3> { 0, 255, 0 }));
    EXPECT_EQ(At(in, 8, 9), (std::array<int, 3> { 255, 0, 0 }));
    EXPECT_EQ(At(in, 6, 9), (std::array<int, 3> { 255, 255, 255 }));
}

// A hard shadow (size 0) at half opacity 3 pixels below, knocked out by the layer:
// paper at half black below the square, the square itself untouched.
TEST(LayerEffects, DropShadowFallsAwayFromTheLightAtItsOpacity) {
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.distance = 3;
    shadow.opacity = 0.5;
    const Document doc = SquareWith({ shadow });
    for (int y = 13; y < 16; ++y) {
        const auto p = At(doc, 9, y);
        EXPECT_NEAR(p[0], 127.5, 1) << y;
        EXPECT_EQ(p[0], p[1]);
    }
    EXPECT_EQ(At(doc, 9, 16), (std::array<int, 3> { 255, 255, 255 }));
    EXPECT_EQ(At(doc, 9, 6), (std::array<int, 3> { 255, 255, 255 }));
    EXPECT_EQ(At(doc, 9, 12), (std::array<int, 3> { 255, 0, 0 }));
}

// A soft shadow spreads over about its size and fades monotonically away from the
// layer; more size, more spread.
TEST(LayerEffects, SoftShadowFadesOverItsSize) {
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.size = 4;
    const Document doc = SquareWith({ shadow });
    int last = 0;
    for (int y = 13; y < 19; ++y) {
        const int v = At(doc, 9, y)[0];
        EXPECT_GE(v, last) << y;
        last = v;
    }
    EXPECT_LT(At(doc, 9, 13)[0], 200);
    EXPECT_EQ(At(doc, 9, 19)[0], 255);
}

// With no fill, an overlay replaces the layer's colour; a gradient runs across the
// box from its first colour to its last, at its angle.
TEST(LayerEffects, OverlaysPaintTheShapeWhateverItsFill) {
    const Document green = SquareWith({ Effect(EffectKind::ColorOverlay, kGreen) }, 0);
    EXPECT_EQ(At(green, 9, 9), (std::array<int, 3> { 0, 255, 0 }));
    EXPECT_EQ(At(green, 6, 9), (std::array<int, 3> { 255, 255, 255 }));

    LayerEffect ramp = Effect(EffectKind::GradientOverlay);
    ramp.gradient.colours = { { 0, 0.5, kBlack }, { 1, 0.5, { 255, 255, 255 } } };
    ramp.gradient.opacities = { { 0, 0.5, 1 }, { 1, 0.5, 1 } };
    ramp.gradient.angle = 0; // left to right
    const Document doc = SquareWith({ ramp });
    for (int x = 7; x < 13; ++x) {
        const double expected = (x - 7 + 0.5) / 6 * 255;
        EXPECT_NEAR(At(doc, x, 9)[1], expected, 1) << x;
    }
}

// Inner shadow and glow stay inside the shape; the inner shadow darkens the edge
// towards the light, the glow lightens every edge alike.
TEST(LayerEffects, InnerEffectsStayInsideTheShape) {
    LayerEffect shade = Effect(EffectKind::InnerShadow);
    shade.distance = 2;
    shade.size = 1;
    const Document shadow = SquareWith({ shade });
    EXPECT_LT(At(shadow, 9, 7)[0], 80);
    EXPECT_GT(At(shadow, 9, 12)[0], 245);
    EXPECT_EQ(At(shadow, 9, 6), (std::array<int, 3> { 255, 255, 255 }));

    LayerEffect glow = Effect(EffectKind::InnerGlow, { 255, 255, 255 });
    glow.size = 2;
    const Document glowing = SquareWith({ glow });
    EXPECT_GT(At(glowing, 9, 7)[1], 60);
    EXPECT_EQ(At(glowing, 9, 7), At(glowing, 9, 12));
    EXPECT_EQ(At(glowing, 9, 6), (std::array<int, 3> { 255, 255, 255 }));
}

// Bevel light comes from its angle: with light from the top the top edge is lighter
// than the bottom edge.
TEST(LayerEffects, BevelLightsTheEdgeFacingTheLight) {
    LayerEffect bevel = Effect(EffectKind::Bevel);
    bevel.size = 3;
    bevel.highlightOpacity = 1;
    bevel.shadowOpacity = 1;
    const Document doc = SquareWith({ bevel });
    EXPECT_GT(At(doc, 9, 7)[1], At(doc, 9, 12)[1]);
    EXPECT_LT(At(doc, 9, 12)[0], 255);
}

TEST(LayerEffects, WhatIsApproximateIsNamedPerEffectInBothLanguages) {
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.noise = 0.2;
    LayerEffect stroke = Effect(EffectKind::Stroke, kGreen);
    stroke.mode = BlendMode::Overlay;
    const Document doc = SquareWith({ shadow, stroke });
    ASSERT_EQ(doc.ApproximateLayers.size(), 2u);
    EXPECT_EQ(ApproximationList(doc.ApproximateLayers),
        "square: drop shadow: noise not drawn\nsquare: stroke: blend mode applied to the layer alone");
    EXPECT_EQ(ApproximationDetail(doc.ApproximateLayers[0], 1), "投影: 杂色未绘制");
    EXPECT_EQ(ApproximationSummary(doc.ApproximateLayers),
        "1 layer drawn approximately: drop shadow: noise not drawn (1), stroke: blend mode applied to the "
        "layer "
        "alone (1)");
}

} // namespace deptrix::test
