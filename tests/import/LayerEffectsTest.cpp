// Layer effects written by our own writer, read back and drawn, against pictures
// worked out independently here: whole-pixel sizes, so that the edges are exact.

#include "import/LayerEffects.h"

#include "FixtureOracle.h"
#include "TestPsd.h"
#include "core/Document.h"
#include "core/EffectDrawing.h"
#include "import/DefaultOffsets.h"
#include "import/EffectsWriter.h"
#include "import/MappedFile.h"
#include "import/MergedImage.h"
#include "import/PsdFile.h"
#include "import/PsdWriter.h"
#include "import/TaggedBlocks.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>

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

/// The document `writer` holds, imported and composited as the preview does.
Document Composited(PsdWriter& writer) {
    Document doc;
    Import(writer.finish()).moveInto(doc);
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    NullProgress progress;
    CompositePass(doc, {}, progress);
    return doc;
}

/// A 20 x 20 white document with a red opaque 6 x 6 square at (7, 7) carrying
/// `effects`, composited as the preview does; `clippedBlue`: a blue layer over the
/// whole canvas clipped to the square.
Document SquareWith(std::vector<LayerEffect> effects, std::uint8_t fill = 255, bool clippedBlue = false) {
    PsdWriter writer(RgbOptions(20, 20));
    writer.addLayer(SolidLayer("paper", { 0, 0, 20, 20 }, { 255, 255, 255 }));
    PsdLayerSpec square = SolidLayer("square", { 7, 7, 13, 13 }, { 255, 0, 0 });
    square.fillOpacity = fill;
    LayerStyle style;
    style.effects = std::move(effects);
    square.effects = style;
    writer.addLayer(square);
    if (clippedBlue) {
        PsdLayerSpec blue = SolidLayer("blue", { 0, 0, 20, 20 }, { 0, 0, 255 });
        blue.clipping = true;
        writer.addLayer(blue);
    }
    return Composited(writer);
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
// box from its first colour to its last, at its angle, taken at each pixel's corner.
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
        const double expected = (x - 7) / 6.0 * 255;
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

// Layers clipped to a layer keep to its own pixels: its stroke and shadow stay as they
// are around it, in the preview and, from the work files, in the print alike.
TEST(LayerEffects, ClippedLayersKeepToTheBasesOwnPixels) {
    LayerEffect stroke = Effect(EffectKind::Stroke, kGreen);
    stroke.size = 2;
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.distance = 4;
    const Document doc = SquareWith({ shadow, stroke }, 255, true);
    ASSERT_EQ(doc.Layers[2].ClipBase, 1);
    EXPECT_EQ(At(doc, 9, 9), (std::array<int, 3> { 0, 0, 255 }));
    EXPECT_EQ(At(doc, 7, 12), (std::array<int, 3> { 0, 0, 255 }));
    EXPECT_EQ(At(doc, 6, 9), (std::array<int, 3> { 0, 255, 0 }));
    EXPECT_EQ(At(doc, 10, 16), (std::array<int, 3> { 0, 0, 0 }));
    EXPECT_EQ(At(doc, 3, 3), (std::array<int, 3> { 255, 255, 255 }));
    EXPECT_TRUE(doc.ApproximateLayers.empty());
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

// A folder's effects act on its merged picture. Every layer is a plane of its own, so
// that picture exists as one plane only for a folder of one layer, which carries them;
// over several layers they are drawn on the layers' planes and named.
TEST(LayerEffects, FolderEffectsReachTheirOnlyLayerOrTheirLayersPlanes) {
    LayerStyle shadowed;
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.distance = 2;
    shadowed.effects = { shadow };
    for (const int layers : { 1, 2 }) {
        PsdWriter writer(RgbOptions(20, 20));
        writer.addLayer(SolidLayer("paper", { 0, 0, 20, 20 }, { 255, 255, 255 }));
        writer.beginFolder();
        writer.addLayer(SolidLayer("a", { 4, 4, 8, 8 }, { 255, 0, 0 }));
        if (layers == 2) writer.addLayer(SolidLayer("b", { 10, 10, 14, 14 }, { 0, 0, 255 }));
        PsdFolderSpec folder { "shadowed" };
        folder.effects = shadowed;
        writer.endFolder(folder);
        const ImportedDocument doc = Import(writer.finish());
        ASSERT_EQ(doc.Layers.size(), static_cast<std::size_t>(layers) + 1);
        if (layers == 1) {
            EXPECT_TRUE(doc.Layers[1].FolderEffects);
            EXPECT_LT(doc.Layers[1].Left, 4); // grown by the shadow's reach
            EXPECT_TRUE(doc.ApproximateLayers.empty());
        } else {
            EXPECT_EQ(doc.Layers[1].MergedFolders.size(), 1u);
            EXPECT_EQ(doc.Layers[2].MergedFolders, doc.Layers[1].MergedFolders);
            EXPECT_EQ(ApproximationList(doc.ApproximateLayers),
                "shadowed: folder effects drawn on its layers' planes");
            EXPECT_EQ(ApproximationDetail(doc.ApproximateLayers[0], 1), "组效果按合并图绘制在各图层的平面上");
        }
    }
}

// A folder of two overlapping squares with a half-black hard shadow two pixels below
// and a half-green overlay, against a model of the editor's picture worked out here:
// the overlay over whichever square shows, the shadow of the two together beneath.
//
//   . . . . . .        r: red square (4..9), b: blue square (8..13) over it,
//   . r r r r .        s: their shadow, 2 pixels down, where neither square is
//   . r r b b b
//   . r r b b b
//   . . s b b b
//   . . . s s s
TEST(LayerEffects, FolderEffectsOverSeveralLayersGiveTheMergedPicturesEffects) {
    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.distance = 2;
    shadow.opacity = 0.5;
    LayerEffect overlay = Effect(EffectKind::ColorOverlay, kGreen);
    overlay.opacity = 0.5;
    PsdWriter writer(RgbOptions(20, 20));
    writer.addLayer(SolidLayer("paper", { 0, 0, 20, 20 }, { 255, 255, 255 }));
    writer.beginFolder();
    writer.addLayer(SolidLayer("red", { 4, 4, 10, 10 }, { 255, 0, 0 }));
    writer.addLayer(SolidLayer("blue", { 8, 8, 14, 14 }, { 0, 0, 255 }));
    PsdFolderSpec folder { "styled" };
    folder.effects = LayerStyle {};
    folder.effects->effects = { shadow, overlay };
    writer.endFolder(folder);
    const Document doc = Composited(writer);
    ASSERT_EQ(doc.LayerCount, 3);

    const auto inRed = [](int x, int y) { return x >= 4 && x < 10 && y >= 4 && y < 10; };
    const auto inBlue = [](int x, int y) { return x >= 8 && x < 14 && y >= 8 && y < 14; };
    const auto merged = [&](int x, int y) { return inRed(x, y) || inBlue(x, y); };
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            std::array<double, 3> expected { 255, 255, 255 };
            if (merged(x, y)) {
                const std::array<double, 3> shown = inBlue(x, y) ? std::array<double, 3> { 0, 0, 255 }
                                                                 : std::array<double, 3> { 255, 0, 0 };
                for (int c = 0; c < 3; ++c) expected[c] = (shown[c] + (c == 1 ? 255 : 0)) / 2;
            } else if (y >= 2 && merged(x, y - 2)) {
                expected = { 127.5, 127.5, 127.5 };
            }
            const auto got = At(doc, x, y);
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(got[c], expected[c], 1) << x << "," << y << " channel " << c;
        }
    // The shadow below the blue square lies in the red square's plane, moving with it;
    // the blue one keeps its box.
    const LayerRecord& red = doc.Layers[1];
    EXPECT_LE(red.Left, 4);
    EXPECT_GE(red.Bottom, 16);
    EXPECT_GT(doc.LayerMasks[1].row(15 - red.Top)[12 - red.Left], 100);
    EXPECT_EQ(doc.Layers[2].Left, 8);
    EXPECT_EQ(doc.Layers[2].Width, 6);
}

} // namespace deptrix::test

namespace deptrix::test {

// The layer's fill fades its pixels, not its overlay, unless the interior effects blend
// with it as a group; a shadow not knocked out shows through a see-through layer.
TEST(LayerEffects, FillOpacityAndTheBlendingOptionsDecideWhatShows) {
    LayerEffect overlay = Effect(EffectKind::ColorOverlay, kGreen);
    overlay.opacity = 0.5;
    const Document half = SquareWith({ overlay }, 0);
    // Half green over nothing: a half-opaque green layer over white paper.
    EXPECT_NEAR(At(half, 9, 9)[0], 127.5, 1);
    EXPECT_EQ(At(half, 9, 9)[1], 255);

    LayerStyle grouped;
    grouped.effects = { Effect(EffectKind::ColorOverlay, kGreen) };
    grouped.blendInterior = true;
    const Bitmap red(1, 1, PixelFormat::Bgr24);
    Bitmap shape(1, 1, PixelFormat::Gray8);
    shape.fill(255);
    EffectSettings faded;
    faded.fill = 0;
    EXPECT_EQ(DrawLayerEffects(red, shape, 1, 1, 0, 0, grouped, faded).mask.row(0)[0], 0);
    grouped.blendInterior = false;
    EXPECT_EQ(DrawLayerEffects(red, shape, 1, 1, 0, 0, grouped, faded).mask.row(0)[0], 255);

    LayerEffect shadow = Effect(EffectKind::DropShadow);
    shadow.distance = 1;
    shadow.knockedOut = false;
    const Document through = SquareWith({ shadow }, 0);
    EXPECT_EQ(At(through, 9, 9), (std::array<int, 3> { 0, 0, 0 }));
    shadow.knockedOut = true;
    const Document hidden = SquareWith({ shadow }, 0);
    EXPECT_EQ(At(hidden, 9, 9), (std::array<int, 3> { 255, 255, 255 }));
    EXPECT_EQ(At(hidden, 9, 13), (std::array<int, 3> { 0, 0, 0 }));
}

// The older fixed-layout records ("lrFX") of files without a descriptor.
TEST(LayerEffects, OldRecordsGiveTheirShadowAndOverlay) {
    std::vector<std::uint8_t> data;
    const auto u8 = [&](int v) { data.push_back(static_cast<std::uint8_t>(v)); };
    const auto u16 = [&](int v) { u8(v >> 8), u8(v); };
    const auto u32
        = [&](std::uint32_t v) { u16(static_cast<int>(v >> 16)), u16(static_cast<int>(v & 0xFFFF)); };
    const auto text = [&](const char* s) { data.insert(data.end(), s, s + 4); };
    const auto colour
        = [&](int r, int g, int b) { u16(0), u16(r * 257), u16(g * 257), u16(b * 257), u16(0); };
    u16(0); // version
    u16(3); // effects
    text("8BIM"), text("cmnS"), u32(7), u32(0), u8(1), u16(0);
    text("8BIM"), text("dsdw"), u32(41);
    u32(0), u32(5), u32(0), u32(135), u32(4); // version, blur, intensity, angle, distance
    colour(10, 20, 30);
    text("8BIM"), text("mul ");
    u8(1), u8(0), u8(128); // enabled, own angle, opacity
    text("8BIM"), text("sofi"), u32(34);
    u32(2), text("8BIM"), text("scrn");
    colour(0, 255, 0);
    u8(255), u8(0); // opacity, disabled
    colour(0, 255, 0);
    TaggedBlock block;
    block.key = { 'l', 'r', 'F', 'X' };
    block.data = data;
    const LayerStyle style = ReadLayerStyle(block);
    ASSERT_TRUE(style.draws());
    ASSERT_EQ(style.effects.size(), 1u);
    const LayerEffect& shadow = style.effects[0];
    EXPECT_EQ(shadow.kind, EffectKind::DropShadow);
    EXPECT_EQ(shadow.size, 5);
    EXPECT_EQ(shadow.distance, 4);
    EXPECT_EQ(shadow.angle, 135);
    EXPECT_EQ(shadow.mode, BlendMode::Multiply);
    EXPECT_NEAR(shadow.opacity, 128 / 255.0, 1e-9);
    EXPECT_NEAR(shadow.colour.blue, 30, 1e-9);
}

// The editor's own file with one effect per layer: each layer's area against the
// picture the editor stored, and the pattern of the pattern overlay found in the
// document's pattern block.
TEST(LayerEffects, EachEffectOfTheEditorsFileComesCloseToItsPicture) {
    if (!HaveFixtures()) GTEST_SKIP() << "fixture folder " << FixturesDir() << " is absent";
    const MappedFile mapped(FixturesDir() / "psd-tools/layer_effects.psd");
    Document doc;
    NullProgress progress;
    ImportPsd(mapped.bytes(), "layer_effects.psd", nullptr, progress).moveInto(doc);
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    CompositePass(doc, {}, progress);
    const Bitmap merged = DecodeMergedImage(ParsePsd(mapped.bytes(), "fx"), std::size_t { 1 } << 31).colour;
    // Mean error in levels over each layer's box with its effects, as drawn today: the
    // overlays, stroke and shadows come within a level; the glows and the bevel
    // shading are a little further off and named as approximate.
    const std::map<std::string, double> limits = { { "Bevel", 1.5 }, { "Emboss", 2 }, { "Outer Glow", 2 },
        { "Inner Glow", 5 }, { "Inner Shadow", 0.5 }, { "Color Fill", 0.5 }, { "Drop Shadow", 1 },
        { "Gradient Overlay", 1 }, { "Pattern Overlay", 0.5 }, { "Stroke", 1.5 }, { "Satin", 1 } };
    int checked = 0;
    for (const LayerRecord& layer : doc.Layers) {
        const auto limit = limits.find(layer.displayName());
        if (limit == limits.end()) continue;
        SCOPED_TRACE(layer.displayName());
        ASSERT_TRUE(layer.hasEffects());
        const int x0 = std::max(layer.Left, 0), y0 = std::max(layer.Top, 0);
        const int x1 = std::min(layer.Right, merged.width()), y1 = std::min(layer.Bottom, merged.height());
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0 * 3; x < x1 * 3; ++x) sum += std::abs(doc.Composite.row(y)[x] - merged.row(y)[x]);
        const double mean = sum / (3.0 * (x1 - x0) * (y1 - y0));
        EXPECT_LE(mean, limit->second);
        std::printf("  %-18s %6.2f\n", layer.displayName().c_str(), mean);
        ++checked;
    }
    EXPECT_EQ(checked, static_cast<int>(limits.size()));
    for (const ApproximateLayer& note : doc.ApproximateLayers)
        EXPECT_NE(note.reason, Approximation::EffectPatternMissing) << note.name;
}

} // namespace deptrix::test
