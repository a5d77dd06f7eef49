// Views at source resolution against the preview's views, frames of a depth map layer
// against the warp's formula, and the whole export from an imported PSD.

#include "print/SourceViews.h"

#include "PrintTestSupport.h"
#include "TaskThreads.h"
#include "core/BmpCodec.h"
#include "core/Document.h"
#include "core/FileIo.h"
#include "core/WorkFileWriter.h"
#include "core/WorkFiles.h"
#include "depth/DepthQuantities.h"
#include "depth/DepthTestSupport.h"
#include "depth/LayerDepthSource.h"
#include "depth/LineLayerSynthesis.h"
#include "depth/WarpModel.h"
#include "import/DefaultOffsets.h"
#include "import/LayerReader.h"
#include "import/PsdWriter.h"
#include "print/Interlacer.h"
#include "print/PrintExport.h"
#include "render/Compositor.h"
#include "render/GroupFrames.h"
#include "render/LayerBlend.h"
#include "render/ViewSet.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace deptrix {
namespace {

using test::Folder;
using test::TestProgress;

/// A layer whose samples vary over its box, with a soft transparency ramp.
PsdLayerSpec PatternLayer(const std::string& name, PsdRect box, int channels, int seed) {
    PsdLayerSpec layer;
    layer.name = name;
    layer.box = box;
    const auto w = box.width(), h = box.height();
    for (int c = 0; c < channels; ++c) {
        PsdPlane plane(static_cast<std::size_t>(w * h));
        for (std::int64_t i = 0; i < w * h; ++i)
            plane[static_cast<std::size_t>(i)]
                = static_cast<std::uint16_t>((i * (7 + c) + seed * 31 + c * 50) % 256);
        layer.colour.push_back(std::move(plane));
    }
    layer.transparency.resize(static_cast<std::size_t>(w * h));
    for (std::int64_t i = 0; i < w * h; ++i)
        layer.transparency[static_cast<std::size_t>(i)]
            = static_cast<std::uint16_t>(i % w * 255 / std::max<std::int64_t>(w - 1, 1));
    return layer;
}

/// A 90 x 60 scene: an opaque background, a layer reaching past the left edge, a
/// flip folder of two layers and a top layer; 1:1 working scale. `blended`: the
/// background lets the paper show through, the layers blend in Multiply, Screen and
/// Overlay, and the lower frame and the top layer each have a layer clipped to them
/// (with a fill opacity, and in a folder of its own opacity; the top one in Linear
/// Light, whose fill acts inside the blend).
std::filesystem::path WriteScene(
    const Folder& folder, ColourMode mode, std::vector<std::uint8_t> icc = {}, bool blended = false) {
    PsdWriterOptions options;
    options.width = 90;
    options.height = 60;
    options.mode = mode;
    options.iccProfile = std::move(icc);
    const int channels = mode == ColourMode::Cmyk ? 4 : 3;
    const auto in = [blended](PsdLayerSpec layer, const char* blendMode, bool clipping = false) {
        if (blended) std::copy(blendMode, blendMode + 4, layer.blendMode.begin());
        layer.clipping = clipping;
        return layer;
    };
    PsdWriter writer(options);
    PsdLayerSpec background = PatternLayer("back", { 0, 0, 60, 90 }, channels, 1);
    if (!blended) background.transparency.assign(background.transparency.size(), 255);
    writer.addLayer(background);
    PsdLayerSpec wide = in(PatternLayer("wide", { 5, -10, 40, 50 }, channels, 2), "mul ");
    if (blended) {
        // Effects reaching past the layer's box and the picture's left edge.
        LayerEffect shadow;
        shadow.kind = EffectKind::DropShadow;
        shadow.distance = 4;
        shadow.size = 3;
        shadow.opacity = 0.6;
        LayerEffect stroke;
        stroke.kind = EffectKind::Stroke;
        stroke.size = 2;
        stroke.colour = { 20, 200, 90 };
        LayerEffect glow;
        glow.kind = EffectKind::InnerGlow;
        glow.size = 3;
        glow.colour = { 250, 250, 120 };
        wide.effects = LayerStyle {};
        wide.effects->effects = { shadow, stroke, glow };
        wide.fillOpacity = 180;
    }
    writer.addLayer(wide);
    writer.beginFolder();
    PsdLayerSpec frameA = in(PatternLayer("frame a", { 20, 30, 50, 70 }, channels, 3), "scrn");
    if (blended) {
        // Its shade keeps to its own pixels, not to its shadow and stroke.
        LayerEffect shadow;
        shadow.kind = EffectKind::DropShadow;
        shadow.distance = 5;
        shadow.size = 2;
        LayerEffect stroke;
        stroke.kind = EffectKind::Stroke;
        stroke.position = StrokePosition::Centre;
        stroke.size = 3;
        frameA.effects = LayerStyle {};
        frameA.effects->effects = { shadow, stroke };
    }
    writer.addLayer(frameA);
    if (blended) {
        PsdLayerSpec shade = in(PatternLayer("frame a shade", { 10, 20, 45, 60 }, channels, 6), "over", true);
        shade.fillOpacity = 150;
        writer.addLayer(shade);
    }
    writer.addLayer(PatternLayer("frame b", { 25, 35, 55, 80 }, channels, 4));
    writer.endFolder(PsdFolderSpec { "flip", false, static_cast<std::uint8_t>(blended ? 200 : 255) });
    writer.addLayer(in(PatternLayer("top", { 30, 10, 58, 45 }, channels, 5), "over"));
    if (blended) {
        PsdLayerSpec shade = in(PatternLayer("top shade", { 20, 0, 50, 40 }, channels, 7), "lLit", true);
        shade.fillOpacity = 120;
        writer.addLayer(shade);
    }
    const auto path = folder / "scene.psd";
    WriteFileAtomically(path, writer.finish());
    return path;
}

struct Imported {
    Document doc;
    ViewSetInput input;
};

Imported ImportScene(const std::filesystem::path& psd, const Folder& work) {
    Imported result;
    Document& doc = result.doc;
    NullProgress progress;
    doc.beginImport(psd.string());
    ReadPsd(psd, work.path(), doc, progress);
    ApplyImportDefaults(doc);
    BuildGroupFrames(doc);
    doc.DepthFactor = 13000;
    // Offsets by row (row 1 the top layer); the focus on frame b. Clipped layers are
    // moved apart from their bases, so that they overlap them only in part.
    if (doc.LayerCount == 7) {
        result.input.offsetCells = { "18", "25", "-12", "-20", "7", "40", "-33" };
        result.input.focusText = "3";
    } else {
        result.input.offsetCells = { "25", "-12", "7", "40", "-33" };
        result.input.focusText = "2";
    }
    return result;
}

/// The seven source-resolution views, whole.
std::vector<Bitmap> WholeViews(SourceViews& views) {
    std::vector<Bitmap> out;
    for (int v = 0; v < 7; ++v) out.emplace_back(views.width(), views.height(), views.format());
    const std::size_t rowBytes = static_cast<std::size_t>(views.width()) * BytesPerPixel(views.format());
    for (int y = 0; y < views.height(); y += 16)
        views.readRows(y, std::min(16, views.height() - y), [&](int v, int row, const std::uint8_t* pixels) {
            std::copy(pixels, pixels + rowBytes, out[static_cast<std::size_t>(v)].row(row));
        });
    return out;
}

/// The preview's views of `doc` and the source-resolution views drawn from the work
/// files, compared pixel for pixel (CMYK views as the preview shows them).
void ExpectSourceViewsEqualThePreviews(Document& doc, const ViewSetInput& input, const Folder& work) {
    ASSERT_EQ(doc.WorkScale, kFixedOne);
    NullProgress progress;
    GenerateViews(doc, input, work.path(), progress);
    const LayerOffsets offsets = ReadLayerOffsets(doc, input);
    SourceViews views(doc, PreviewViewLefts(doc, offsets.offsets, offsets.focusOffset), work.path());
    std::vector<Bitmap> source = WholeViews(views);
    for (int n = 1; n <= 7; ++n) {
        Bitmap view = std::move(source[static_cast<std::size_t>(n - 1)]);
        CmykToRgb(view);
        EXPECT_TRUE(view.samePixels(doc.Views[static_cast<std::size_t>(n)])) << "view " << n;
    }
    // Not a trivially equal scene: the outer views differ.
    EXPECT_FALSE(doc.Views[1].samePixels(doc.Views[7]));
}

struct SceneKind {
    ColourMode mode;
    bool blended;
};

class OneToOne : public ::testing::TestWithParam<SceneKind> { };

TEST_P(OneToOne, SourceViewsEqualThePreviewsViews) {
    Folder folder;
    Folder work;
    const bool blended = GetParam().blended;
    Imported scene = ImportScene(WriteScene(folder, GetParam().mode, {}, blended), work);
    Document& doc = scene.doc;
    ASSERT_EQ(doc.LayerCount, blended ? 7 : 5);
    ASSERT_NE(doc.Layers[2].Group, 0); // the flip pair
    const std::size_t top = blended ? 5 : 4;
    if (blended) {
        ASSERT_EQ(doc.Layers[1].drawnBlendMode(), BlendMode::Multiply);
        ASSERT_TRUE(doc.Layers[1].Effects);
        ASSERT_LT(doc.Layers[1].Left, -10);
        ASSERT_EQ(doc.Layers[2].drawnBlendMode(), BlendMode::Screen);
        ASSERT_EQ(doc.Layers[top].drawnBlendMode(), BlendMode::Overlay);
        ASSERT_EQ(doc.Layers[3].ClipBase, 2); // in the flip folder, drawn with frame a only
        ASSERT_FALSE(doc.LayerClipShapes[2].empty());
        ASSERT_EQ(doc.Layers[3].Group, doc.Layers[2].Group);
        ASSERT_EQ(doc.Layers[6].ClipBase, 5);
        ASSERT_EQ(doc.Layers[6].blendFill(), 120);
    }

    // The top layer becomes an outline layer with a line of Order 1, warped into its
    // per-view pictures (at source and at working resolution, alike at 1:1) by the
    // refresh Preview runs. In the blended scene a layer is clipped to it.
    doc.LayerLines.resize(doc.LayerCount);
    doc.LayerLines[top].assign(kOrderCount, {});
    doc.LayerLines[top][0].push_back({ { 15, 35 }, { 40, 32 }, { 30, 56 } });
    doc.Layers[top].Group = kGroupOutlineStale;
    NullProgress quiet;
    RefreshOutlineLayers(
        doc, [] {}, work.path(), quiet);
    ASSERT_EQ(doc.Layers[top].Group, kGroupOutlineBuilt);
    ASSERT_GT(OutlineMargin(doc.SourceDpi, doc.Layers[top].Depth), 0);

    ExpectSourceViewsEqualThePreviews(doc, scene.input, work);
}

INSTANTIATE_TEST_SUITE_P(Scenes, OneToOne,
    ::testing::Values(SceneKind { ColourMode::Rgb, false }, SceneKind { ColourMode::Cmyk, false },
        SceneKind { ColourMode::Rgb, true }, SceneKind { ColourMode::Cmyk, true }),
    [](const ::testing::TestParamInfo<SceneKind>& info) {
        return std::string(info.param.mode == ColourMode::Cmyk ? "Cmyk" : "Rgb")
            + (info.param.blended ? "Blended" : "Plain");
    });

/// PSDs saved by other editors with blend modes and clipping masks.
class OneToOneFixture : public ::testing::TestWithParam<const char*> { };

TEST_P(OneToOneFixture, SourceViewsEqualThePreviewsViews) {
    const std::filesystem::path psd = std::filesystem::path(DEPTRIX_FIXTURES_DIR) / GetParam();
    if (!std::filesystem::is_regular_file(psd)) GTEST_SKIP() << psd << " is absent";
    Folder work;
    Imported scene = ImportScene(psd, work);
    Document& doc = scene.doc;
    ASSERT_TRUE(std::any_of(doc.Layers.begin(), doc.Layers.end(), [](const LayerRecord& layer) {
        return layer.ClipBase >= 0 || layer.drawnBlendMode() != BlendMode::Normal || layer.Effects;
    }));
    // Every layer at its own depth, so that clipped layers and their bases part.
    scene.input.offsetCells.clear();
    for (int row = 1; row <= doc.LayerCount; ++row)
        scene.input.offsetCells.push_back(std::to_string(row * 17 % 41 - 20));
    scene.input.focusText = "1";
    ExpectSourceViewsEqualThePreviews(doc, scene.input, work);
}

INSTANTIATE_TEST_SUITE_P(Editors, OneToOneFixture,
    ::testing::Values("psd-tools/clipping-mask.psd", "psd-tools/blend-modes/cmyk-blend-modes.psd",
        "psd-tools/blend-modes/overlay.psd", "psd-tools/layer_effects.psd",
        "psd-tools/effects/stroke-composite.psd"));

// A folder of three layers with effects of its own, drawn from their merged picture:
// its shadow, stroke and glow reach past the canvas's edge and move with the bottom
// layer, its overlay and inner glow lie in each layer. The print draws them from the
// work files as the import did, in every colour mode; one layer has effects of its own
// and another is clipped to it.
class FolderEffectsOneToOne : public ::testing::TestWithParam<ColourMode> { };

TEST_P(FolderEffectsOneToOne, SourceViewsEqualThePreviewsViews) {
    Folder folder;
    Folder work;
    PsdWriterOptions options;
    options.width = 70;
    options.height = 50;
    options.mode = GetParam();
    const int channels = options.mode == ColourMode::Cmyk ? 4 : 3;
    PsdWriter writer(options);
    writer.addLayer(PatternLayer("back", { 0, 0, 50, 70 }, channels, 1));
    writer.beginFolder();
    PsdLayerSpec low = PatternLayer("low", { 6, -8, 30, 30 }, channels, 2);
    LayerEffect stroke;
    stroke.kind = EffectKind::Stroke;
    stroke.size = 2;
    stroke.colour = { 200, 30, 60 };
    low.effects = LayerStyle {};
    low.effects->effects = { stroke };
    writer.addLayer(low);
    PsdLayerSpec clipped = PatternLayer("clipped", { 0, 0, 25, 40 }, channels, 3);
    clipped.clipping = true;
    writer.addLayer(clipped);
    PsdLayerSpec high = PatternLayer("high", { 20, 25, 44, 60 }, channels, 4);
    std::copy_n("mul ", 4, high.blendMode.begin());
    writer.addLayer(high);
    LayerEffect shadow;
    shadow.kind = EffectKind::DropShadow;
    shadow.distance = 5;
    shadow.size = 4;
    shadow.opacity = 0.7;
    LayerEffect overlay;
    overlay.kind = EffectKind::ColorOverlay;
    overlay.colour = { 20, 180, 240 };
    overlay.opacity = 0.4;
    LayerEffect glow;
    glow.kind = EffectKind::InnerGlow;
    glow.size = 3;
    glow.colour = { 255, 250, 200 };
    LayerEffect outline;
    outline.kind = EffectKind::Stroke;
    outline.position = StrokePosition::Centre;
    outline.size = 3;
    PsdFolderSpec styled { "styled", false, 210 };
    styled.effects = LayerStyle {};
    styled.effects->effects = { shadow, overlay, glow, outline };
    writer.endFolder(styled);
    const auto psd = folder / "folder.psd";
    WriteFileAtomically(psd, writer.finish());

    Imported scene = ImportScene(psd, work);
    Document& doc = scene.doc;
    ASSERT_EQ(doc.LayerCount, 4);
    ASSERT_EQ(doc.Layers[1].MergedFolders.size(), 1u);
    ASSERT_EQ(doc.Layers[2].ClipBase, 1);
    ASSERT_FALSE(doc.LayerClipShapes[1].empty());
    ASSERT_LT(doc.Layers[1].Left, -8);
    scene.input.offsetCells = { "-15", "9", "22", "30" };
    scene.input.focusText = "4";
    ExpectSourceViewsEqualThePreviews(doc, scene.input, work);
}

INSTANTIATE_TEST_SUITE_P(Modes, FolderEffectsOneToOne, ::testing::Values(ColourMode::Rgb, ColourMode::Cmyk),
    [](const ::testing::TestParamInfo<ColourMode>& info) {
        return std::string(info.param == ColourMode::Cmyk ? "Cmyk" : "Rgb");
    });

/// A depth map of width x height whose levels run in steps across and down.
LayerDepthMap SteppedMap(int width, int height, std::int32_t marginColumns) {
    GreyPicture picture { width, height, {} };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.values.push_back(static_cast<std::uint16_t>((x * 37 / 5 + y * 60) % 256 * 257));
    DepthMapOptions options;
    options.marginColumns = marginColumns;
    return MakeLayerDepthMap(std::move(picture), "map.png", {}, options);
}

/// Gives layer `index` a stepped depth map and warps it, as loading a map does.
void GiveSteppedMap(Document& doc, std::size_t index, const Folder& work) {
    doc.LayerLines.resize(doc.LayerCount);
    doc.setDepthMap(index, SteppedMap(doc.Layers[index].Width, doc.Layers[index].Height, 0));
    doc.Layers[index].Group = kGroupOutlineStale;
    NullProgress quiet;
    RefreshOutlineLayers(
        doc, [] {}, work.path(), quiet);
    ASSERT_EQ(doc.Layers[index].Group, kGroupOutlineBuilt);
}

TEST(DepthMapFrames, SevenAreThePreviewsViews) {
    Folder folder;
    Folder work;
    Imported scene = ImportScene(WriteScene(folder, ColourMode::Rgb), work);
    Document& doc = scene.doc;
    ASSERT_NO_FATAL_FAILURE(GiveSteppedMap(doc, 4, work));
    ExpectSourceViewsEqualThePreviews(doc, scene.input, work);
}

TEST(DepthMapFrames, TwelveFollowTheFormulaFromFrameTwelveDown) {
    // A textured opaque layer of 24 x 4 in a 40 x 6 document; 20 dpi and depth 1.2
    // give margins of 6 columns, which the map holds pixel for pixel.
    Folder work;
    std::mt19937 random(17);
    Document doc = test::DepthDocument(3, 40, 6, kFixedOne, 20);
    doc.DepthFactor = 30 * kFixedOne;
    const Bitmap picture = test::Noise(24, 4, PixelFormat::Bgr24, random);
    test::AddLayerWithFiles(doc, test::OutlineLayer(8, 1, 24, 4, 7, 5, 12000), picture,
        test::Solid(24, 4, PixelFormat::Gray8, 255), work.path());
    const int margin = static_cast<int>(OutlineMargin(doc.SourceDpi, 12000));
    ASSERT_EQ(margin, 6);
    const int padded = 24 + 2 * margin;
    doc.setDepthMap(0, SteppedMap(padded, 4, margin));
    doc.Layers[0].Group = kGroupOutlineBuilt;
    BuildGroupFrames(doc);

    // The model: the picture widened by empty margins, the map's levels as they are.
    Bitmap source(padded, 4, PixelFormat::Bgr24), mask(padded, 4, PixelFormat::Gray8), levels = mask;
    const LayerDepthMap& map = *doc.depthMapOf(0);
    for (int y = 0; y < 4; ++y) {
        std::fill_n(source.row(y), 3 * padded, std::uint8_t { 0 });
        std::copy_n(picture.row(y), 3 * 24, source.row(y) + 3 * margin);
        for (int x = 0; x < padded; ++x) {
            mask.row(y)[x] = x >= margin && x < margin + 24 ? 255 : 0;
            levels.row(y)[x] = static_cast<std::uint8_t>(map.picture->row(y)[x] / 257);
        }
    }
    const int n = 12;
    const std::int64_t k = LevelShift(doc.SourceWidth, 12000, doc.DepthFactor);
    test::ReferenceWarp reference { source, mask };
    std::vector<Bitmap> pictures(n), masks(n);
    for (int frame = n; frame >= 1; --frame) {
        reference.frame(source, mask, levels, BaseLevelOf(7), k, { 3 * (n + 1 - 2 * frame), n - 1 });
        pictures[static_cast<std::size_t>(frame - 1)] = reference.picture;
        masks[static_cast<std::size_t>(frame - 1)] = reference.mask;
    }

    SourceViews views(doc, FrameLefts(doc, { 0 }, 0, FrameSet(n)), work.path());
    ASSERT_EQ(views.frames(), n);
    int moved = 0;
    views.readRows(0, 6, [&](int q, int row, const std::uint8_t* pixels) {
        if (row < 1 || row > 4) return;
        const Bitmap& warped = pictures[static_cast<std::size_t>(q)];
        const Bitmap& warpedMask = masks[static_cast<std::size_t>(q)];
        for (int x = 0; x < padded; ++x) {
            const std::uint8_t* expected
                = warpedMask.row(row - 1)[x] == 255 ? warped.row(row - 1) + 3 * x : pixels; // else the paper
            ASSERT_TRUE(std::equal(expected, expected + 3, pixels + 3 * (2 + x)))
                << "frame " << q + 1 << " row " << row << " column " << 2 + x;
            moved += warpedMask.row(row - 1)[x] != mask.row(row - 1)[x];
        }
    });
    EXPECT_GT(moved, 0); // the layer did change shape
}

TEST(Export, PrintsThePreviewsViewsWithTheirProfile) {
    Folder folder;
    Folder work;
    std::vector<std::uint8_t> icc(517);
    for (std::size_t i = 0; i < icc.size(); ++i) icc[i] = static_cast<std::uint8_t>(i * 13 + 1);
    Imported scene = ImportScene(WriteScene(folder, ColourMode::Rgb, icc), work);
    Document& doc = scene.doc;
    EXPECT_EQ(doc.IccProfile, icc);
    NullProgress quiet;
    GenerateViews(doc, scene.input, work.path(), quiet);

    PrintSettings settings = test::PrintOf(42.4775L, 300, 250, 170);
    settings.phase = 1500;
    settings.compression = TiffCompression::Lzw;
    TestProgress progress;
    ExportPrint(
        doc, ReadLayerOffsets(doc, scene.input), settings, work.path(), folder / "print.tif", progress);
    EXPECT_EQ(progress.positions.back(), 100);

    // The same print from the preview's views held in memory.
    std::array<const Bitmap*, 7> previews {};
    for (int n = 1; n <= 7; ++n)
        previews[static_cast<std::size_t>(n - 1)] = &doc.Views[static_cast<std::size_t>(n)];
    BitmapViews inMemory(previews);
    WritePrintFile(inMemory, MakePrintGeometry(settings), icc, folder / "expected.tif", progress);

    const test::TiffFile print = test::ReadTiff(folder / "print.tif");
    const test::TiffFile expected = test::ReadTiff(folder / "expected.tif");
    EXPECT_EQ(print.width, 250u);
    EXPECT_EQ(print.height, 170u);
    EXPECT_EQ(print.icc, icc);
    EXPECT_EQ(print.pixels, expected.pixels);
}

TEST(Export, AMissingLayerFileStopsBeforeAnythingIsWritten) {
    Folder folder;
    Folder work;
    Imported scene = ImportScene(WriteScene(folder, ColourMode::Rgb), work);
    SharedWorkFileWriter().awaitAll(); // the layer files are written in the background
    std::filesystem::remove(work / LayerMaskFileName(3));
    const auto target = folder / "print.tif";
    WriteFileAtomically(target, std::vector<std::uint8_t> { 'o', 'l', 'd' });
    TestProgress progress;
    try {
        ExportPrint(scene.doc, ReadLayerOffsets(scene.doc, scene.input), test::PrintOf(40, 280, 70, 40),
            work.path(), target, progress);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find(LayerMaskFileName(3)), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFileBytes(target), (std::vector<std::uint8_t> { 'o', 'l', 'd' }));
    EXPECT_EQ(
        std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2); // scene.psd, print.tif
}

TEST(Export, EveryThreadCountWritesTheSamePrint) {
    // Blend modes, effects, clipped layers, a flip folder and a warped depth map layer,
    // printed in several bands under both lens orientations.
    Folder folder;
    Folder work;
    Imported scene = ImportScene(WriteScene(folder, ColourMode::Rgb, {}, true), work);
    Document& doc = scene.doc;
    ASSERT_NO_FATAL_FAILURE(GiveSteppedMap(doc, 5, work));
    const LayerOffsets offsets = ReadLayerOffsets(doc, scene.input);

    for (const LensOrientation lens : { LensOrientation::Vertical, LensOrientation::Horizontal }) {
        PrintSettings settings = test::PrintOf(42.4775L, 300, 250, 430);
        settings.lens = lens;
        settings.marks = lens == LensOrientation::Vertical;
        settings.frames = 9;
        std::vector<std::uint8_t> files[2];
        for (const int threads : { 1, 3 }) {
            const test::ScopedTaskThreads scoped(threads);
            TestProgress progress;
            const auto target = folder / ("print" + std::to_string(threads) + ".tif");
            ExportPrint(doc, offsets, settings, work.path(), target, progress);
            EXPECT_EQ(progress.positions.back(), 100);
            files[threads == 1 ? 0 : 1] = ReadFileBytes(target);
        }
        EXPECT_GT(files[0].size(), 250u * 430 * 3);
        EXPECT_TRUE(files[0] == files[1]) << (lens == LensOrientation::Vertical ? "vertical" : "horizontal");
    }
}

} // namespace
} // namespace deptrix
