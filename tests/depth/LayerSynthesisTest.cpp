#include "DepthTestSupport.h"
#include "depth/DepthMapPicture.h"
#include "depth/DepthQuantities.h"
#include "depth/LineLayerSynthesis.h"
#include "depth/WarpLayerViews.h"
#include "render/Compositor.h"

#include <cstring>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::AddLayerWithFiles;
using test::DepthDocument;
using test::LinesInOrder;
using test::OutlineLayer;
using test::Rectangle;
using test::TempFolder;
namespace fs = std::filesystem;

Bitmap Load(const fs::path& folder, const std::string& name) {
    return LoadBmp(folder / name);
}

TEST(PadRow, WritesEveryByteOfThePaddedRow) {
    // Two-byte pixels "ab" "cd" "ef" into a row that holds stale bytes.
    const std::string row = "abcdef";
    auto pad = [&](std::int64_t margin, std::int64_t paddedWidth) {
        std::string out(static_cast<std::size_t>(2 * paddedWidth), '?');
        PadRow(reinterpret_cast<const std::uint8_t*>(row.data()), 3, margin, 2, '.',
            reinterpret_cast<std::uint8_t*>(out.data()), paddedWidth);
        return out;
    };
    EXPECT_EQ(pad(2, 7), "....abcdef....");
    EXPECT_EQ(pad(0, 3), "abcdef");
    EXPECT_EQ(pad(-1, 1), "cd"); // a negative margin crops
    EXPECT_EQ(pad(-3, 1), ".."); // nothing of the layer left
    EXPECT_EQ(pad(2, 3), "....ab"); // cut at the right
}

/// The same random picture as 24-bit RGB and as CMYK bytes that convert back to it.
struct SameContent {
    Bitmap rgb, cmyk, mask;
    SameContent(int width, int height, std::mt19937& random)
        : rgb(test::Noise(width, height, PixelFormat::Bgr24, random))
        , cmyk(width, height, PixelFormat::Cmyk32)
        , mask(test::Noise(width, height, PixelFormat::Gray8, random)) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = rgb.row(y) + 3 * x;
                std::uint8_t* q = cmyk.row(y) + 4 * x;
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
                q[3] = 255;
            }
    }
};

TEST(SynthesiseLineLayer, RefusesMissingOrMismatchedLayerFiles) {
    TempFolder folder;
    Document doc = DepthDocument(3, 40, 20, kFixedOne, 40);
    AddLayerWithFiles(doc, OutlineLayer(0, 0, 10, 5), test::Solid(10, 5, PixelFormat::Bgr24, 1),
        test::Solid(10, 5, PixelFormat::Gray8, 255), folder.path());
    NullProgress progress;
    auto failure
        = [&] { return test::ErrorText([&] { SynthesiseLineLayer(doc, 0, {}, folder.path(), progress); }); };
    fs::remove(folder.path() / "lyt1.gjs");
    EXPECT_EQ(failure().find("lyt1.gjs: "), 0u);
    SaveBmp(test::Solid(9, 5, PixelFormat::Gray8, 255), folder.path() / "lyt1.gjs");
    EXPECT_EQ(failure(), "lyt1.gjs: the picture is 9 x 5 pixels, the layer's box is 10 x 5");
    SaveBmp(test::Solid(10, 5, PixelFormat::Cmyk32, 255), folder.path() / "ly1.gjs");
    EXPECT_EQ(failure(), "ly1.gjs: expected a 24-bit picture");
    EXPECT_FALSE(fs::exists(folder.path() / "1gx7.gjs"));
}

TEST(SynthesiseLineLayer, CmykDocumentsMoveThePictureExactlyAsRgbDocumentsDo) {
    // 60 dpi and depth 1.5: margins of Round(22.5) = 22, so the views are 114 x 30
    // source pixels and Round(85.5) x Round(22.5) = 86 x 22 working pixels.
    std::mt19937 random(17);
    const SameContent layer(70, 30, random);
    LineSet lines = LinesInOrder(0, { Rectangle(30, 10, 60, 28) });
    lines[9].push_back({ { 10, 5 }, { 40, 2 }, { 25, 25 } });
    for (std::uint8_t baseOrder : { std::uint8_t { 7 }, std::uint8_t { 15 } }) {
        TempFolder rgbFolder, cmykFolder;
        Document rgb = DepthDocument(3, 120, 40, 7500, 60);
        Document cmyk = DepthDocument(4, 120, 40, 7500, 60);
        const LayerRecord record = OutlineLayer(25, 5, 70, 30, baseOrder, 1, 15000);
        AddLayerWithFiles(rgb, record, layer.rgb, layer.mask, rgbFolder.path());
        AddLayerWithFiles(cmyk, record, layer.cmyk, layer.mask, cmykFolder.path());
        NullProgress progress;
        SynthesiseLineLayer(rgb, 0, lines, rgbFolder.path(), progress);
        test::RecordingProgress cmykProgress;
        SynthesiseLineLayer(cmyk, 0, lines, cmykFolder.path(), cmykProgress);
        // 20 after the smoothing; the rows of view 1 start at Round(6 x 80 / 7) + 20.
        EXPECT_EQ(cmykProgress.positions.front(), 20);
        EXPECT_EQ(cmykProgress.positions[1 + 30 * 6], 89);
        EXPECT_FALSE(fs::exists(rgbFolder.path() / "1xgxv1.gjs"));

        for (int v = 1; v <= 7; ++v) {
            const std::string n = std::to_string(v) + ".gjs";
            const Bitmap gx = Load(cmykFolder.path(), "1gx" + n), xgx = Load(cmykFolder.path(), "1xgx" + n);
            EXPECT_EQ(gx.format(), PixelFormat::Cmyk32);
            EXPECT_EQ(gx.width(), 114);
            EXPECT_EQ(xgx.width(), 86);
            EXPECT_EQ(xgx.height(), 22);
            Bitmap display = xgx;
            CmykToRgb(display);
            EXPECT_TRUE(Load(cmykFolder.path(), "1xgxv" + n).samePixels(display));
            for (const char* kind : { "1gxt", "1xgxt" }) {
                const std::string name = kind + std::to_string(v) + ".gjs";
                EXPECT_TRUE(Load(rgbFolder.path(), name).samePixels(Load(cmykFolder.path(), name))) << name;
            }
            for (const char* kind : { "1gx", "1xgx" }) {
                const std::string name = kind + std::to_string(v) + ".gjs";
                Bitmap converted = Load(cmykFolder.path(), name);
                CmykToRgb(converted);
                const Bitmap expected = Load(rgbFolder.path(), name);
                const Bitmap mask
                    = Load(rgbFolder.path(), std::string(kind) + "t" + std::to_string(v) + ".gjs");
                // Margins are black in RGB and white paper in CMYK, transparent in both.
                for (int y = 0; y < mask.height(); ++y)
                    for (int x = 0; x < mask.width(); ++x) {
                        if (mask.row(y)[x] == 0) continue;
                        ASSERT_EQ(std::memcmp(converted.row(y) + 3 * x, expected.row(y) + 3 * x, 3), 0)
                            << name << " at " << x << "," << y;
                    }
            }
        }
        // The centre view is the padded layer itself in both modes.
        EXPECT_TRUE(Load(cmykFolder.path(), "1gx4.gjs").samePixels(PadColumns(layer.cmyk, 22, 255)));
        EXPECT_TRUE(Load(rgbFolder.path(), "1gx4.gjs").samePixels(PadColumns(layer.rgb, 22, 0)));
    }
}

/// The composite written out from the full-resolution per-view files: each working
/// pixel takes the source pixel a nearest-neighbour stretch gives it, placed a
/// margin left of the layer's view position, blended in extended precision.
Bitmap ReferenceComposite(const Document& doc, const fs::path& folder) {
    Bitmap out = test::Solid(doc.ImageWidth, doc.ImageHeight, PixelFormat::Bgr24, 255);
    const long double scale = doc.WorkScale / 10000.0L;
    for (std::size_t s = 0; s < doc.Layers.size(); ++s) {
        const LayerRecord& layer = doc.Layers[s];
        Bitmap picture = doc.LayerBitmaps[s], mask = doc.LayerMasks[s];
        std::int64_t left = doc.ViewLeft[s], width = picture.width(), height = picture.height();
        std::int64_t sourceWidth = width, sourceHeight = height;
        if (layer.Group == kGroupOutlineBuilt) {
            picture = LoadBmp(folder / WarpedViewFileName(int(s), doc.CurrentView));
            mask = LoadBmp(folder / WarpedViewMaskFileName(int(s), doc.CurrentView));
            left -= OutlineMargin(doc.SourceDpi, layer.Depth);
            sourceWidth = picture.width();
            sourceHeight = picture.height();
            width = Round(sourceWidth * scale);
            height = Round(sourceHeight * scale);
        }
        const std::int64_t x0 = Round(left * scale), y0 = Round(layer.Top * scale);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                if (x < x0 || y < y0 || x >= x0 + width || y >= y0 + height) continue;
                const auto sx = (x - x0) * sourceWidth / width, sy = (y - y0) * sourceHeight / height;
                const int m = mask.row(int(sy))[sx];
                for (int c = 0; c < 3; ++c) {
                    std::uint8_t& d = out.row(y)[3 * x + c];
                    d = std::uint8_t(Round((d * (255 - m) + picture.row(int(sy))[3 * sx + c] * m) / 255.0L));
                }
            }
    }
    return out;
}

TEST(SynthesiseLineLayer, CompositorPlacesTheSynthesisedViewsWhereTheLayerBelongs) {
    std::mt19937 random(29);
    for (Fixed scale : { Fixed { 10000 }, Fixed { 7500 }, Fixed { 6827 } }) {
        TempFolder folder;
        Document doc = DepthDocument(3, 160, 60, scale, 48);
        // A background layer on the working grid, then the outline layer, which the
        // compositor reads from its files only.
        test::AddLayer(doc, 0, 0, test::Noise(doc.ImageWidth, doc.ImageHeight, PixelFormat::Bgr24, random),
            test::Solid(doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8, 255));
        const SameContent layer(90, 40, random);
        LayerRecord record = OutlineLayer(-15, 12, 90, 40, 9, 2, 12500);
        record.Group = kGroupOutlineBuilt;
        SaveBmp(layer.rgb, folder.path() / LayerFileName(2));
        SaveBmp(layer.mask, folder.path() / LayerMaskFileName(2));
        test::AddLayer(doc, record.Left, record.Top, Bitmap(), Bitmap(), kGroupOutlineBuilt);
        doc.Layers[1] = record;
        NullProgress progress;
        SynthesiseLineLayer(doc, 1, LinesInOrder(3, { Rectangle(10, 10, 60, 40), Rectangle(40, 5, 90, 30) }),
            folder.path(), progress);

        for (std::uint8_t view = 0; view < kViewCount; ++view) {
            doc.CurrentView = view;
            doc.ViewLeft[1] = record.Left + 4 * (view - 3);
            CompositePass(doc, folder.path(), progress);
            EXPECT_TRUE(doc.Composite.samePixels(ReferenceComposite(doc, folder.path())))
                << "scale " << scale << " view " << int(view) + 1;
        }
    }
}

TEST(DepthMapPicture, ShowsNearAreasLightFarAreasDarkWhereTheLayerLies) {
    // 60 pixels wide with smoothness 1: no smoothing. 40 dpi: margins of 10.
    const Document doc = DepthDocument(3, 60, 40, kFixedOne, 40);
    LineSet lines = LinesInOrder(0, { Rectangle(15, 10, 25, 20) });
    lines[14].push_back(Rectangle(30, 8, 36, 14));
    const Bitmap picture = DepthMapPicture(doc, 0, OutlineLayer(10, 5, 30, 20, 7, 1), lines);
    ASSERT_EQ(picture.width(), 60);
    ASSERT_EQ(picture.format(), PixelFormat::Bgr24);
    auto grey = [&](int x, int y) {
        const std::uint8_t* p = picture.row(y) + 3 * x;
        return p[0] == p[1] && p[1] == p[2] ? int(p[0]) : -1;
    };
    EXPECT_EQ(grey(20, 15), 255); // Order 1
    EXPECT_EQ(grey(33, 11), 45); // Order 15
    EXPECT_EQ(grey(12, 22), 30); // the layer's background
    EXPECT_EQ(grey(2, 10), 30); // its left margin, inside the document
    EXPECT_EQ(grey(20, 30), 0); // below the layer
    EXPECT_EQ(grey(55, 10), 0); // right of its margin
}

} // namespace
} // namespace deptrix
