// Documents larger than 2048 px are reduced to the working grid by area averaging.

#include "TestPsd.h"
#include "import/AreaReduce.h"
#include "import/WorkScale.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace deptrix::test {
namespace {

/// Slow and obvious: every working pixel integrates the source pixels it
/// overlaps in two dimensions, in double precision.
LayerPixels ReferenceReduce(const LayerPixels& source, int left, int top, Fixed workScale) {
    const double s = workScale / 10000.0;
    const WorkingBox box
        = ToWorkingBox(left, top, left + source.colour.width(), top + source.colour.height(), workScale);
    LayerPixels out;
    out.colour = Bitmap(box.width, box.height, source.colour.format());
    out.mask = Bitmap(box.width, box.height, PixelFormat::Gray8);
    const int channels = source.colour.bytesPerPixel();
    for (int Y = 0; Y < box.height; ++Y)
        for (int X = 0; X < box.width; ++X) {
            // The working pixel's square in source coordinates.
            const double x0 = (box.left + X) / s, x1 = (box.left + X + 1) / s;
            const double y0 = (box.top + Y) / s, y1 = (box.top + Y + 1) / s;
            double opacity = 0;
            std::vector<double> colour(static_cast<std::size_t>(channels), 0.0);
            for (int y = 0; y < source.colour.height(); ++y) {
                const double oy = std::min(y1, top + y + 1.0) - std::max(y0, top + y + 0.0);
                if (oy <= 0) continue;
                for (int x = 0; x < source.colour.width(); ++x) {
                    const double ox = std::min(x1, left + x + 1.0) - std::max(x0, left + x + 0.0);
                    if (ox <= 0) continue;
                    const double w = ox * oy * s * s * source.mask.row(y)[x];
                    opacity += w;
                    for (int c = 0; c < channels; ++c)
                        colour[static_cast<std::size_t>(c)] += w * source.colour.row(y)[x * channels + c];
                }
            }
            out.mask.row(Y)[X] = static_cast<std::uint8_t>(std::lround(opacity));
            for (int c = 0; c < channels; ++c)
                out.colour.row(Y)[X * channels + c] = static_cast<std::uint8_t>(
                    opacity > 1e-6 ? std::lround(colour[static_cast<std::size_t>(c)] / opacity) : 255);
        }
    return out;
}

LayerPixels RandomLayer(int w, int h, PixelFormat format, std::mt19937& rng) {
    LayerPixels layer { Bitmap(w, h, format), Bitmap(w, h, PixelFormat::Gray8) };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w * layer.colour.bytesPerPixel(); ++x)
            layer.colour.row(y)[x] = static_cast<std::uint8_t>(rng());
        // Opaque, clear and partial pixels in equal shares.
        for (int x = 0; x < w; ++x) {
            const unsigned kind = rng() % 3;
            layer.mask.row(y)[x] = kind == 0 ? 255 : kind == 1 ? 0 : static_cast<std::uint8_t>(rng());
        }
    }
    return layer;
}

int MaxDifference(const Bitmap& a, const Bitmap& b) {
    EXPECT_EQ(a.width(), b.width());
    EXPECT_EQ(a.height(), b.height());
    int worst = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()) * a.bytesPerPixel(); ++x)
            worst = std::max(worst, std::abs(a.row(y)[x] - b.row(y)[x]));
    return worst;
}

} // namespace

TEST(WorkingScale, LongerSideAbove2048IsReducedTo2048) {
    const WorkingSize small = ChooseWorkingSize(2048, 1000);
    EXPECT_EQ(small.workScale, 10000);
    EXPECT_EQ(small.width, 2048);
    const WorkingSize large = ChooseWorkingSize(4000, 3000);
    EXPECT_EQ(large.workScale, 5120); // Round(2048 / 4000 x 10000)
    EXPECT_EQ(large.width, 2048);
    EXPECT_EQ(large.height, 1536);
    const WorkingSize tall = ChooseWorkingSize(1000, 2049);
    EXPECT_EQ(tall.workScale, 9995); // Round(9995.1)
    EXPECT_EQ(tall.width, 1000); // Round(999.5), a tie, goes to the even 1000
    EXPECT_EQ(tall.height, 2048); // Round(2047.9755)
}

TEST(WorkingScale, NeighbouringBoxesTileOnTheWorkingGrid) {
    const Fixed ws = 3333;
    for (int edge = 1; edge < 200; ++edge) {
        const WorkingBox a = ToWorkingBox(-7, 0, edge, 5, ws);
        const WorkingBox b = ToWorkingBox(edge, 0, edge + 37, 5, ws);
        if (a.width > 1) {
            EXPECT_EQ(a.left + a.width, b.left) << "edge " << edge;
        }
    }
    // A sliver narrower than a working pixel keeps one.
    const WorkingBox sliver = ToWorkingBox(10, 10, 11, 11, 3333);
    EXPECT_EQ(sliver.width, 1);
    EXPECT_EQ(sliver.height, 1);
}

TEST(WorkingScale, HalvingAveragesBlocksAndWeightsColourByOpacity) {
    // Scale one half: each working pixel covers two by two source pixels.
    //   source row 0:  red  red   | clear(black)  red
    //   source row 1:  red  red   | clear(black)  red
    LayerPixels layer { Bitmap(4, 2, PixelFormat::Bgr24), Bitmap(4, 2, PixelFormat::Gray8) };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = layer.colour.row(y) + 3 * x;
            const bool clear = x == 2;
            p[0] = 0;
            p[1] = 0;
            p[2] = clear ? 0 : 255;
            layer.mask.row(y)[x] = clear ? 0 : 255;
        }
    const LayerPixels reduced = ReduceLayer(layer, 0, 0, 5000);
    ASSERT_EQ(reduced.colour.width(), 2);
    ASSERT_EQ(reduced.colour.height(), 1);
    EXPECT_EQ(Rgb(reduced.colour, 0, 0), (std::array<int, 3> { 255, 0, 0 }));
    EXPECT_EQ(reduced.mask.row(0)[0], 255);
    // Half covered: opacity 127.5 rounds to the even 128, and the colour stays pure
    // red instead of being darkened by the clear pixels' black.
    EXPECT_EQ(Rgb(reduced.colour, 1, 0), (std::array<int, 3> { 255, 0, 0 }));
    EXPECT_EQ(reduced.mask.row(0)[1], 128);
}

TEST(WorkingScale, ReductionMatchesASlowReferenceAtOddScalesAndOffsets) {
    std::mt19937 rng(7);
    struct Case {
        int w, h, left, top;
        Fixed ws;
        PixelFormat format;
    };
    const Case cases[] = {
        { 37, 23, 0, 0, 6827, PixelFormat::Bgr24 },
        { 41, 19, -13, 5, 5120, PixelFormat::Bgr24 },
        { 29, 31, 1003, -7, 3333, PixelFormat::Cmyk32 },
        { 1, 9, 17, 3, 4096, PixelFormat::Bgr24 },
        { 64, 3, 5, 2, 9995, PixelFormat::Cmyk32 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(
            "case " + std::to_string(c.w) + "x" + std::to_string(c.h) + " ws " + std::to_string(c.ws));
        const LayerPixels layer = RandomLayer(c.w, c.h, c.format, rng);
        const LayerPixels fast = ReduceLayer(layer, c.left, c.top, c.ws);
        const LayerPixels slow = ReferenceReduce(layer, c.left, c.top, c.ws);
        // Single against double precision: at most one level apart.
        EXPECT_LE(MaxDifference(fast.mask, slow.mask), 1);
        EXPECT_LE(MaxDifference(fast.colour, slow.colour), 1);
    }
}

TEST(WorkingScale, ImportKeepsSourceBoxesAndReducesTheBitmaps) {
    // 4100 x 100 canvas: WorkScale Round(2048 / 4100 x 10000) = 4995.
    PsdWriter writer(RgbOptions(4100, 100));
    writer.addLayer(SolidLayer("wide", { 10, -50, 90, 3000 }, { 250, 120, 10 }, 255));
    const ImportedDocument doc = Import(writer.finish());
    EXPECT_EQ(doc.WorkScale, 4995);
    EXPECT_EQ(doc.ImageWidth, 2048); // Round(2047.95)
    EXPECT_EQ(doc.ImageHeight, 50); // Round(49.95)
    EXPECT_EQ(doc.SourceWidth, 4100);
    const LayerRecord& layer = doc.Layers[0];
    EXPECT_EQ(layer.Left, -50);
    EXPECT_EQ(layer.Width, 3050);
    EXPECT_EQ(layer.Height, 80);
    // Working box: Round(3000 x 0.4995) - Round(-50 x 0.4995) = 1498 + 25 wide (1498.5
    // is a tie and goes to the even 1498), Round(90 x 0.4995) - Round(10 x 0.4995) =
    // 45 - 5 high.
    EXPECT_EQ(doc.LayerBitmaps[0].width(), 1523);
    EXPECT_EQ(doc.LayerBitmaps[0].height(), 40);
    EXPECT_EQ(doc.LayerMasks[0].width(), 1523);
    EXPECT_EQ(Rgb(doc.LayerBitmaps[0], 700, 20), (std::array<int, 3> { 250, 120, 10 }));
    EXPECT_EQ(doc.LayerMasks[0].row(20)[700], 255);
}

} // namespace deptrix::test
