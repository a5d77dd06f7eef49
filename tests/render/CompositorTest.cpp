#include "render/Compositor.h"

#include "RenderTestSupport.h"
#include "core/BmpCodec.h"
#include "core/Error.h"
#include "core/WorkFiles.h"
#include "render/GroupFrames.h"

#include <climits>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::AddLayer;
using test::EmptyDocument;
using test::Noise;
using test::Solid;

/// The pass written the slow, obvious way: every picture pixel asks every layer,
/// and the blend is the extended-precision formula.
void ReferencePass(const Document& doc, const std::filesystem::path& folder, Bitmap& out, Bitmap& coverage) {
    const PixelFormat format = doc.ImageMode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
    out = Solid(doc.ImageWidth, doc.ImageHeight, format, 255);
    coverage = Solid(doc.ImageWidth, doc.ImageHeight, PixelFormat::Gray8, 255);
    const int bpp = out.bytesPerPixel();
    for (std::size_t s = 0; s < doc.LayerCount; ++s) {
        const std::uint8_t g = doc.Layers[s].Group;
        if (g != 0 && g != 100 && doc.GroupFrames[g - 1][doc.CurrentView] != s) continue;
        Bitmap picture = doc.LayerBitmaps[s], mask = doc.LayerMasks[s];
        long double left = doc.ViewLeft[s];
        if (g == 100) {
            picture = LoadBmp(folder / OutlineViewFileName(static_cast<int>(s), doc.CurrentView));
            mask = LoadBmp(folder / OutlineViewMaskFileName(static_cast<int>(s), doc.CurrentView));
            left -= Round(doc.SourceDpi * static_cast<long double>(doc.Layers[s].Depth) / 4 / 1e8L);
        }
        const auto top = Round(doc.Layers[s].Top * static_cast<long double>(doc.WorkScale) / 10000);
        const auto x0 = Round(left * doc.WorkScale / 10000);
        for (int y = 0; y < out.height(); ++y)
            for (int x = 0; x < out.width(); ++x) {
                const auto sx = x - x0, sy = y - top;
                if (sx < 0 || sy < 0 || sx >= picture.width() || sy >= picture.height()) continue;
                const int m = mask.row(int(sy))[sx];
                for (int c = 0; c < bpp; ++c) {
                    std::uint8_t& d = out.row(y)[x * bpp + c];
                    d = std::uint8_t(
                        Round((d * (255 - m) + picture.row(int(sy))[sx * bpp + c] * m) / 255.0L));
                }
                std::uint8_t& v = coverage.row(y)[x];
                v = std::uint8_t(Round((v * (255 - m) + 255 * m) / 255.0L));
            }
    }
}

/// Masks with long runs of 0 and 255 among random values.
Bitmap RunMask(int width, int height, std::mt19937& random) {
    Bitmap mask(width, height, PixelFormat::Gray8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width;) {
            const int kind = int(random() % 3), run = 1 + int(random() % 40);
            for (int i = 0; i < run && x < width; ++i, ++x)
                mask.row(y)[x] = kind == 0 ? 0 : kind == 1 ? 255 : std::uint8_t(random());
        }
    return mask;
}

TEST(Compositor, MatchesTheReferenceOnRandomDocuments) {
    std::mt19937 random(2024);
    const Fixed scales[] = { 10000, 5000, 7500, 13333 };
    for (int trial = 0; trial < 400; ++trial) {
        test::TempFolder folder;
        Document doc = EmptyDocument(trial % 2 ? 4 : 3, 1 + int(random() % 70), 1 + int(random() % 30));
        doc.WorkScale = scales[random() % 4];
        doc.SourceDpi = 720000 + Fixed(random() % 3) * 5000;
        doc.CurrentView = std::uint8_t(random() % 7);
        const PixelFormat format = doc.ImageMode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
        const std::uint8_t groups[] = { 0, 0, 1, 1, 2, 100 };
        for (int s = 0, layers = 1 + int(random() % 8); s < layers; ++s) {
            const int w = 1 + int(random() % 90), h = 1 + int(random() % 30);
            AddLayer(doc, int(random() % 100) - 40, int(random() % 40) - 10, Noise(w, h, format, random),
                RunMask(w, h, random), groups[random() % 6]);
            doc.ViewLeft.back() += int(random() % 21) - 10;
            if (doc.Layers.back().Group == 100) {
                doc.Layers.back().Depth = Fixed(random() % 20000);
                const int ww = w + int(random() % 10);
                SaveBmp(
                    Noise(ww, h, format, random), folder.path() / OutlineViewFileName(s, doc.CurrentView));
                SaveBmp(RunMask(ww, h, random), folder.path() / OutlineViewMaskFileName(s, doc.CurrentView));
            }
        }
        BuildGroupFrames(doc);
        NullProgress progress;
        CompositePass(doc, folder.path(), progress);
        Bitmap expected, expectedCoverage;
        ReferencePass(doc, folder.path(), expected, expectedCoverage);
        ASSERT_TRUE(doc.Composite.samePixels(expected)) << "trial " << trial;
        ASSERT_TRUE(doc.Coverage.samePixels(expectedCoverage)) << "trial " << trial;
    }
}

TEST(Compositor, LeavesPaperWhereNothingIsDrawn) {
    NullProgress progress;
    for (int mode : { 3, 4 }) {
        const PixelFormat format = mode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
        Document doc = EmptyDocument(mode, 9, 5);
        AddLayer(doc, 0, 0, Solid(9, 5, format, 0), Solid(9, 5, PixelFormat::Gray8, 255), 1);
        AddLayer(doc, 0, 0, Solid(9, 5, format, 0), Solid(9, 5, PixelFormat::Gray8, 0)); // fully transparent
        AddLayer(
            doc, 9, 0, Solid(9, 5, format, 0), Solid(9, 5, PixelFormat::Gray8, 255)); // right of the picture
        AddLayer(doc, INT_MIN, INT_MAX, Solid(3, 3, format, 0), Solid(3, 3, PixelFormat::Gray8, 255));
        doc.ViewLeft.back() = INT_MAX;
        doc.GroupFrames.assign(1, { 7, 7, 7, 7, 7, 7, 7 }); // group 1 shows a layer that does not exist
        CompositePass(doc, {}, progress);
        EXPECT_TRUE(doc.Composite.samePixels(Solid(9, 5, format, 255))) << mode;
        EXPECT_TRUE(doc.Coverage.samePixels(Solid(9, 5, PixelFormat::Gray8, 255))) << mode;
    }
    // Other colour modes are not composited at all.
    Document doc = EmptyDocument(1, 4, 4);
    doc.Composite = Solid(2, 2, PixelFormat::Gray8, 7);
    CompositePass(doc, {}, progress);
    EXPECT_TRUE(doc.Composite.samePixels(Solid(2, 2, PixelFormat::Gray8, 7)));
}

TEST(Compositor, PlacesLayersOnTheWorkingGridAndClipsThem) {
    // Source column c of a layer at Left -3 lands on column c - 3: working column 0
    // shows the layer's column 3. Opaque pixels are copied exactly.
    Document doc = EmptyDocument(3, 6, 4);
    Bitmap picture(8, 2, PixelFormat::Bgr24);
    for (int x = 0; x < 24; ++x) picture.row(0)[x] = picture.row(1)[x] = std::uint8_t(x);
    AddLayer(doc, -3, 1, picture, Solid(8, 2, PixelFormat::Gray8, 255));
    NullProgress progress;
    CompositePass(doc, {}, progress);
    EXPECT_EQ(doc.Composite.row(1)[0], 9);
    EXPECT_EQ(doc.Composite.row(2)[3 * 4 + 2], 3 * 7 + 2);
    EXPECT_EQ(doc.Composite.row(1)[3 * 5], 255); // beyond the layer's last column
    EXPECT_EQ(doc.Composite.row(0)[0], 255);
    EXPECT_EQ(doc.Coverage.row(1)[0], 255);

    // Half scale: Top 3 -> Round(1.5) = 2, ViewLeft 5 -> Round(2.5) = 2 (ties to even).
    Document half = EmptyDocument(3, 6, 4);
    half.WorkScale = 5000;
    AddLayer(half, 5, 3, Solid(1, 1, PixelFormat::Bgr24, 0), Solid(1, 1, PixelFormat::Gray8, 255));
    CompositePass(half, {}, progress);
    EXPECT_EQ(half.Composite.row(2)[6], 0);
    EXPECT_EQ(half.Composite.row(2)[9], 255);
}

TEST(Compositor, DrawsOutlineLayersFromTheirPerViewFiles) {
    // 72 dpi and Depth 1.0: a quarter inch is 18 source px, so the warped picture
    // (36 px wider than the layer) starts 18 px left of ViewLeft.
    test::TempFolder folder;
    Document doc = EmptyDocument(3, 40, 2);
    doc.SourceDpi = 720000;
    AddLayer(doc, 0, 0, Solid(40, 2, PixelFormat::Bgr24, 50), Solid(40, 2, PixelFormat::Gray8, 255));
    AddLayer(doc, 20, 0, Solid(4, 2, PixelFormat::Bgr24, 0), Solid(4, 2, PixelFormat::Gray8, 255), 100);
    doc.CurrentView = 2;
    Bitmap warped = Solid(40, 2, PixelFormat::Bgr24, 100);
    warped.row(0)[0] = 7;
    SaveBmp(warped, folder.path() / "2xgx3.gjs");
    Bitmap mask = Solid(40, 2, PixelFormat::Gray8, 255);
    mask.row(1)[1] = 0; // working column 3
    SaveBmp(mask, folder.path() / "2xgxt3.gjs");
    test::RecordingProgress progress;
    CompositePass(doc, folder.path(), progress);
    EXPECT_EQ(doc.Composite.row(0)[3 * 1], 50);
    EXPECT_EQ(doc.Composite.row(0)[3 * 2], 7);
    EXPECT_EQ(doc.Composite.row(1)[3 * 3], 50); // transparent in the per-view mask
    EXPECT_EQ(doc.Composite.row(1)[3 * 39], 100);

    // Without its files the pass stops naming the file; the layer below stays drawn.
    doc.CurrentView = 3;
    EXPECT_EQ(test::ErrorText([&] { CompositePass(doc, folder.path(), progress); }).find("2xgx4.gjs: "), 0u);
    EXPECT_EQ(doc.Composite.row(1)[3 * 39], 50);

    // A CMYK file left over from another document is refused by name.
    doc.CurrentView = 4;
    SaveBmp(Solid(40, 2, PixelFormat::Cmyk32, 0), folder.path() / "2xgx5.gjs");
    SaveBmp(mask, folder.path() / "2xgxt5.gjs");
    EXPECT_EQ(test::ErrorText([&] { CompositePass(doc, folder.path(), progress); }),
        "2xgx5.gjs: expected a 24-bit picture");
}

TEST(Compositor, ReportsProgressPerLayerAndSurvivesShortArrays) {
    // LayerCount claims 4 layers, the arrays hold 2 and ViewLeft 1: only layer 0 is
    // drawn, and progress still counts 4 steps of 13 / 4 from 10 (6.5 rounds to 6).
    Document doc = EmptyDocument(4, 3, 1);
    AddLayer(doc, 0, 0, Solid(1, 1, PixelFormat::Cmyk32, 10), Solid(1, 1, PixelFormat::Gray8, 255));
    AddLayer(doc, 1, 0, Solid(1, 1, PixelFormat::Cmyk32, 20), Solid(1, 1, PixelFormat::Gray8, 255));
    doc.LayerCount = 4;
    doc.ViewLeft.resize(1);
    doc.ProgressSpan = 13;
    doc.ProgressBase = 10;
    test::RecordingProgress progress;
    CompositePass(doc, {}, progress);
    EXPECT_EQ(progress.positions, (std::vector<int> { 10, 13, 16, 20 }));
    EXPECT_EQ(doc.Composite.row(0)[0], 10);
    EXPECT_EQ(doc.Composite.row(0)[4], 255); // no ViewLeft entry: not drawn
}

TEST(Compositor, ConvertsCmykToRgb) {
    Bitmap picture(3, 1, PixelFormat::Cmyk32);
    const std::uint8_t pixels[] = { 255, 255, 255, 255, 0, 255, 255, 255, 200, 100, 50, 200 };
    std::copy(std::begin(pixels), std::end(pixels), picture.row(0));
    CmykToRgb(picture);
    ASSERT_EQ(picture.format(), PixelFormat::Bgr24);
    const std::vector<std::uint8_t> bgr(picture.row(0), picture.row(0) + 9);
    // 200 x 200 / 255 = 156.9 -> 157, 100 x 200 / 255 = 78.4 -> 78, 50 x 200 / 255 = 39.2 -> 39.
    EXPECT_EQ(bgr, (std::vector<std::uint8_t> { 255, 255, 255, 255, 255, 0, 39, 78, 157 }));

    Bitmap rgb = Solid(2, 2, PixelFormat::Bgr24, 3);
    CmykToRgb(rgb);
    EXPECT_TRUE(rgb.samePixels(Solid(2, 2, PixelFormat::Bgr24, 3)));
}

} // namespace
} // namespace deptrix
