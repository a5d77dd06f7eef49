// Depth from pictures: the levels of a map, its fitting over the layer or the document
// against a slow reference, the warp of a ramp against a model of the row rule, and the
// round trip from outlines through an exported map.

#include "DepthTestSupport.h"
#include "core/FileIo.h"
#include "depth/DepthMapFit.h"
#include "depth/DepthQuantities.h"
#include "depth/LayerDepthSource.h"
#include "depth/LineLayerSynthesis.h"
#include "depth/WarpModel.h"
#include "import/GreyPictureReader.h"
#include "output/DepthMapFile.h"

#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace deptrix {
namespace {

using test::AddLayerWithFiles;
using test::DepthDocument;
using test::OutlineLayer;
using test::TempFolder;
namespace fs = std::filesystem;

GreyPicture Picture(int width, int height, const std::vector<std::uint16_t>& values) {
    return { width, height, { values.begin(), values.end() } };
}

LayerDepthMap Map(GreyPicture picture, DepthMapOptions options = {}) {
    return MakeLayerDepthMap(std::move(picture), "map.png", {}, options);
}

std::vector<int> RasterRow(const Bitmap& raster, int y) {
    return { raster.row(y), raster.row(y) + raster.width() };
}

TEST(DepthMapLevel, FollowsTheRangeAndInversionExactly) {
    for (int v = 0; v < 256; ++v) ASSERT_EQ(DepthMapLevel(static_cast<std::uint16_t>(v * 257), {}), v);
    EXPECT_EQ(DepthMapLevel(128, {}), 0); // 0.498 of a level
    EXPECT_EQ(DepthMapLevel(129, {}), 1);
    DepthMapOptions range;
    range.blackPoint = 50 * kFixedOne;
    range.whitePoint = 150 * kFixedOne;
    EXPECT_EQ(DepthMapLevel(100 * 257, range), 128); // 127.5, a tie, goes to the even level
    EXPECT_EQ(DepthMapLevel(50 * 257, range), 0);
    EXPECT_EQ(DepthMapLevel(20 * 257, range), 0);
    EXPECT_EQ(DepthMapLevel(151 * 257, range), 255);
    range.invert = true;
    EXPECT_EQ(DepthMapLevel(100 * 257, range), 128);
    EXPECT_EQ(DepthMapLevel(20 * 257, range), 255);
    EXPECT_EQ(DepthMapLevel(75 * 257, range), 191); // 255 - 63.75
}

TEST(DepthMapLevel, TheLevelRangeComesFromTheDarkestAndLightestValues) {
    // Extremes at both ends and in the middle of a picture longer than any vector step.
    std::vector<std::uint16_t> values(1001, 30000);
    values[0] = 65535;
    values[517] = 257;
    EXPECT_EQ(DepthMapLevelRange(Map(Picture(1001, 1, values))), (std::array<std::uint8_t, 2> { 1, 255 }));
    values[0] = 30000;
    values[1000] = 0;
    values[517] = 40000;
    DepthMapOptions inverted;
    inverted.invert = true;
    EXPECT_EQ(DepthMapLevelRange(Map(Picture(1001, 1, values), inverted)),
        (std::array<std::uint8_t, 2> { 99, 255 }));
}

TEST(DepthMapRaster, StretchesByAreaWhenShrinkingAndBilinearlyWhenGrowing) {
    const Document doc = DepthDocument(3, 100, 100, kFixedOne, 0);
    // Four columns to two: averages; 127.5 + 100 = 227.5 rounds to the even 228.
    const Bitmap shrunk = DepthMapRaster(
        doc, OutlineLayer(0, 0, 2, 1), Map(Picture(4, 1, { 0, 100 * 257, 200 * 257, 255 * 257 })), 0);
    EXPECT_EQ(RasterRow(shrunk, 0), (std::vector<int> { 50, 228 }));
    // Two columns to four: cell centres at -0.25 (the edge), 0.25, 0.75 and 1.25 (the edge).
    const Bitmap grown
        = DepthMapRaster(doc, OutlineLayer(0, 0, 4, 1), Map(Picture(2, 1, { 0, 255 * 257 })), 0);
    EXPECT_EQ(RasterRow(grown, 0), (std::vector<int> { 0, 64, 191, 255 }));
    // Carrying one margin column each side, taken as they are; the layer's margins of 3
    // reach beyond them and repeat the edges.
    DepthMapOptions carried;
    carried.marginColumns = 1;
    const Bitmap exported = DepthMapRaster(doc, OutlineLayer(0, 0, 2, 1),
        Map(Picture(4, 1, { 10 * 257, 20 * 257, 30 * 257, 40 * 257 }), carried), 3);
    EXPECT_EQ(RasterRow(exported, 0), (std::vector<int> { 10, 10, 10, 20, 30, 40, 40, 40 }));
}

/// Weight of map pixel j in grid cell `cell` when `source` pixels stretch over `grid`
/// cells, over the denominator returned alongside: the obvious way, one pixel at a time.
std::pair<std::vector<std::int64_t>, std::int64_t> ReferenceWeights(
    std::int64_t source, std::int64_t grid, std::int64_t cell) {
    std::vector<std::int64_t> weights(static_cast<std::size_t>(source), 0);
    if (source == grid) {
        weights[static_cast<std::size_t>(cell)] = 1;
        return { weights, 1 };
    }
    if (source > grid) {
        for (std::int64_t j = 0; j < source; ++j) {
            const std::int64_t overlap
                = std::min((cell + 1) * source, (j + 1) * grid) - std::max(cell * source, j * grid);
            weights[static_cast<std::size_t>(j)] = std::max<std::int64_t>(overlap, 0);
        }
        return { weights, source };
    }
    // Centre of the cell in map pixels, times 2 x grid.
    const std::int64_t centre
        = std::clamp<std::int64_t>((2 * cell + 1) * source - grid, 0, (source - 1) * 2 * grid);
    const std::int64_t left = centre / (2 * grid);
    const std::int64_t fraction = centre % (2 * grid);
    weights[static_cast<std::size_t>(left)] += 2 * grid - fraction;
    if (fraction) weights[static_cast<std::size_t>(left + 1)] += fraction;
    return { weights, 2 * grid };
}

TEST(DepthMapRaster, AgreesWithASlowReferenceOverTheLayerAndTheDocument) {
    std::mt19937 random(5);
    const Document doc = DepthDocument(3, 37, 23, kFixedOne, 0);
    for (int round = 0; round < 40; ++round) {
        const int mapWidth = 1 + static_cast<int>(random() % 50);
        const int mapHeight = 1 + static_cast<int>(random() % 30);
        std::vector<std::uint16_t> values(static_cast<std::size_t>(mapWidth * mapHeight));
        for (std::uint16_t& v : values) v = static_cast<std::uint16_t>(random());
        DepthMapOptions options;
        options.wholeDocument = round % 2 == 1;
        options.invert = round % 3 == 0;
        LayerRecord layer
            = OutlineLayer(static_cast<int>(random() % 50) - 10, static_cast<int>(random() % 30) - 5,
                1 + static_cast<int>(random() % 40), 1 + static_cast<int>(random() % 25));
        if (round % 4 == 0) { // a picture carrying margins
            layer.Height = mapHeight;
            layer.Width = std::max(1, mapWidth - 2 * static_cast<int>(random() % 4));
            options.marginColumns = (mapWidth - layer.Width) / 2;
            options.wholeDocument = false;
        }
        const LayerDepthMap map = Map(Picture(mapWidth, mapHeight, values), options);
        const std::int64_t margin = random() % 6;
        const Bitmap raster = DepthMapRaster(doc, layer, map, margin);

        const std::int64_t gridWidth = options.wholeDocument ? doc.SourceWidth : layer.Width;
        const std::int64_t gridHeight = options.wholeDocument ? doc.SourceHeight : layer.Height;
        const std::int64_t spare = mapWidth - layer.Width;
        const bool asExported
            = options.marginColumns > 0 && mapHeight == layer.Height && spare == 2 * options.marginColumns;
        for (int y = 0; y < raster.height(); ++y) {
            const std::int64_t row = std::clamp<std::int64_t>(
                (options.wholeDocument ? layer.Top : 0) + y, 0, (asExported ? mapHeight : gridHeight) - 1);
            const auto [rowWeights, rowDenominator]
                = ReferenceWeights(mapHeight, asExported ? mapHeight : gridHeight, row);
            for (int x = 0; x < raster.width(); ++x) {
                const std::int64_t first = options.wholeDocument ? layer.Left - margin
                    : asExported                                 ? spare / 2 - margin
                                                                 : -margin;
                const std::int64_t width = asExported ? mapWidth : gridWidth;
                const std::int64_t column = std::clamp<std::int64_t>(first + x, 0, width - 1);
                const auto [columnWeights, columnDenominator] = ReferenceWeights(mapWidth, width, column);
                std::int64_t sum = 0;
                for (int j = 0; j < mapHeight; ++j)
                    for (int i = 0; i < mapWidth; ++i)
                        sum += rowWeights[static_cast<std::size_t>(j)]
                            * columnWeights[static_cast<std::size_t>(i)]
                            * values[static_cast<std::size_t>(j * mapWidth + i)];
                const std::int64_t value
                    = Round(static_cast<long double>(sum) / (rowDenominator * columnDenominator));
                ASSERT_EQ(raster.row(y)[x], DepthMapLevel(static_cast<std::uint16_t>(value), options))
                    << "round " << round << " at " << x << ", " << y;
            }
        }
    }
}

/// The warp of an RGB row written out plainly: source column i goes to
/// t = Round(i + (L - base) x K x f / 10000) with ties to even, by the row rule.
void ModelRow(const std::vector<int>& levels, int base, std::int64_t shift, int factor,
    const std::uint8_t* source, std::uint8_t* out, int width) {
    test::MoveByTheRule(
        width,
        [&](std::int64_t i) {
            return test::ExactTarget(i, (levels[static_cast<std::size_t>(i)] - base) * shift * factor, 10000);
        },
        [&](std::int64_t column, std::int64_t from) {
            if (column >= 0 && column < width) std::memcpy(out + 3 * column, source + 3 * from, 3);
        });
}

TEST(DepthMapLayer, ARampMovesEveryColumnByItsLevel) {
    // 24 columns of a ramp from level 0 to 253 over a textured layer; 20 dpi and depth
    // 1.2: margins of 6. In a document 60 wide with depth factor 40 a level moves
    // 60 x 1.2 x 40 / 3 = 960 / 10000 of a pixel per view step: up to 43 pixels.
    TempFolder folder;
    std::mt19937 random(11);
    Document doc = DepthDocument(3, 60, 12, kFixedOne, 20);
    doc.DepthFactor = 40 * kFixedOne;
    const int width = 24;
    const Bitmap picture = test::Noise(width, 3, PixelFormat::Bgr24, random);
    AddLayerWithFiles(doc, OutlineLayer(20, 4, width, 3, 7, 5, 12000), picture,
        test::Solid(width, 3, PixelFormat::Gray8, 255), folder.path());
    std::vector<std::uint16_t> ramp;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x) ramp.push_back(static_cast<std::uint16_t>(11 * x * 257));
    doc.setDepthMap(0, Map(Picture(width, 3, ramp)));
    NullProgress progress;
    SynthesiseLineLayer(doc, 0, {}, folder.path(), progress);

    const std::int64_t margin = OutlineMargin(doc.SourceDpi, 12000);
    const std::int64_t shift = LevelShift(doc.SourceWidth, 12000, doc.DepthFactor);
    ASSERT_EQ(margin, 6);
    ASSERT_EQ(shift, 960);
    const int padded = width + 2 * static_cast<int>(margin);
    std::vector<int> levels;
    for (int x = 0; x < padded; ++x)
        levels.push_back(11 * std::clamp(x - 6, 0, width - 1)); // margins repeat the edges
    Bitmap model(padded, 3, PixelFormat::Bgr24);
    for (int y = 0; y < 3; ++y) std::memcpy(model.row(y) + 18, picture.row(y), 3 * width);
    const Bitmap source = model;
    for (int view = 7; view >= 1; --view) { // the views build on each other, 7 first
        for (int y = 0; y < 3; ++y)
            ModelRow(levels, 150, shift, 4 - view, source.row(y), model.row(y), padded);
        EXPECT_TRUE(LoadBmp(folder.path() / WarpedViewFileName(0, view - 1)).samePixels(model))
            << "view " << view;
    }
}

std::vector<std::vector<std::uint8_t>> ViewFiles(const fs::path& folder, bool cmyk) {
    std::vector<std::vector<std::uint8_t>> files;
    for (int v = 0; v < kViewCount; ++v) {
        for (const std::string& name : { WarpedViewFileName(0, v), WarpedViewMaskFileName(0, v),
                 OutlineViewFileName(0, v), OutlineViewMaskFileName(0, v) })
            files.push_back(ReadFileBytes(folder / name));
        if (cmyk) files.push_back(ReadFileBytes(folder / OutlineViewDisplayFileName(0, v)));
    }
    return files;
}

TEST(DepthMapLayer, AnExportedMapLoadedBackGivesTheOutlinesViewsByteForByte) {
    std::mt19937 random(3);
    LineSet lines = test::LinesInOrder(2, { test::Rectangle(12, 4, 40, 20) });
    lines[11].push_back({ { 0, 0 }, { 30, 2 }, { 20, 18 } }); // crosses the layer's edge
    for (const int mode : { 3, 4 }) {
        const PixelFormat format = mode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
        const Bitmap picture = test::Noise(40, 20, format, random);
        const Bitmap mask = test::Noise(40, 20, PixelFormat::Gray8, random);
        for (const bool sixteen : { false, true }) {
            TempFolder outlines, maps;
            auto document = [&](const fs::path& folder) {
                Document doc = DepthDocument(mode, 64, 30, 7500, 40);
                AddLayerWithFiles(doc, OutlineLayer(4, 3, 40, 20, 9, 3, 15000), picture, mask, folder);
                return doc;
            };
            NullProgress progress;
            Document fromLines = document(outlines.path());
            SynthesiseLineLayer(fromLines, 0, lines, outlines.path(), progress);
            const fs::path exported = maps.path() / (sixteen ? "layer.png" : "layer.bmp");
            SaveDepthMap(LayerDepthRaster(fromLines, 0, fromLines.Layers[0], lines), exported, sixteen);

            Document fromMap = document(maps.path());
            GreyPicture read = ReadGreyPicture(exported);
            DepthMapOptions options;
            options.marginColumns = ExportedMarginColumns(fromMap, fromMap.Layers[0], read);
            ASSERT_EQ(options.marginColumns, 15);
            fromMap.setDepthMap(0, MakeLayerDepthMap(std::move(read), exported, {}, options));
            RefreshOutlineLayers(
                fromMap, [] {}, maps.path(), progress);
            EXPECT_EQ(ViewFiles(maps.path(), mode == 4), ViewFiles(outlines.path(), mode == 4))
                << (mode == 3 ? "RGB" : "CMYK") << (sixteen ? ", 16-bit PNG" : ", 8-bit BMP");
        }
    }
}

TEST(DepthMapLayer, ALayerHasOutlinesOrAMap) {
    Document doc = DepthDocument(3, 20, 20, kFixedOne, 40);
    for (int i = 0; i < 2; ++i) doc.Layers.push_back(OutlineLayer(0, 0, 5, 5));
    doc.LayerCount = 2;
    doc.LayerLines.assign(2, test::LinesInOrder(0, { test::Rectangle(1, 1, 4, 4) }));
    doc.Layers[0].Group = kGroupOutlineBuilt;
    doc.SelectedLayer = 0;
    doc.EditLines = doc.LayerLines[0];
    doc.Layers[1].Group = 2; // flip group B
    doc.setDepthMap(0, Map(Picture(1, 1, { 0 })));
    EXPECT_FALSE(doc.hasLines(0));
    EXPECT_EQ(doc.EditLines, LineSet(kOrderCount));
    EXPECT_EQ(doc.Layers[0].Group, kGroupOutlineStale);
    EXPECT_EQ(test::ErrorText([&] { doc.setDepthMap(1, Map(Picture(1, 1, { 0 }))); }),
        "Layer 2 belongs to a flip group, which moves it as a whole: it cannot take a depth map");
    doc.clearDepthMap(0);
    EXPECT_EQ(doc.depthMapOf(0), nullptr);
    EXPECT_EQ(doc.Layers[0].Group, kGroupNone);
}

} // namespace
} // namespace deptrix
