#include "depth/DepthRaster.h"

#include "DepthTestSupport.h"
#include "core/Canvas.h"
#include "depth/DepthQuantities.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::DepthDocument;
using test::LinesInOrder;
using test::OutlineLayer;
using test::Rectangle;

constexpr int kWeights[5][5] = {
    { 0, 2, 2, 2, 0 },
    { 2, 3, 3, 3, 2 },
    { 2, 3, 4, 3, 2 },
    { 2, 3, 3, 3, 2 },
    { 0, 2, 2, 2, 0 },
};

/// The filter written out tap by tap.
Bitmap ReferenceSmooth(const Bitmap& in, std::int64_t a) {
    Bitmap out(in.width(), in.height(), PixelFormat::Gray8);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x) {
            long double sum = 0;
            for (int j = -2; j <= 2; ++j)
                for (int i = -2; i <= 2; ++i) {
                    const auto ty = std::clamp<std::int64_t>(y + j * a, 0, in.height() - 1);
                    const auto tx = std::clamp<std::int64_t>(x + i * a, 0, in.width() - 1);
                    sum += kWeights[j + 2][i + 2] * in.row(int(ty))[tx];
                }
            out.row(y)[x] = std::uint8_t(Round(sum / 52));
        }
    return out;
}

std::uint8_t At(const Bitmap& raster, int x, int y) {
    return raster.row(y)[x];
}

TEST(SmoothDepth, SpreadsAnImpulseIntoTheWeightTableAtTheStepDistance) {
    for (int step : { 1, 2 }) {
        Bitmap raster = test::Solid(21, 21, PixelFormat::Gray8, 0);
        raster.row(10)[10] = 52;
        SmoothDepth(raster, step);
        for (int y = 0; y < 21; ++y)
            for (int x = 0; x < 21; ++x) {
                const int dx = x - 10, dy = y - 10;
                const bool onTap = dx % step == 0 && dy % step == 0 && std::abs(dx) <= 2 * step
                    && std::abs(dy) <= 2 * step;
                const int expected = onTap ? kWeights[dy / step + 2][dx / step + 2] : 0;
                EXPECT_EQ(At(raster, x, y), expected) << "step " << step << " at " << x << "," << y;
            }
    }
}

TEST(SmoothDepth, MatchesTheTapByTapFilterAtEverySizeAndStep) {
    std::mt19937 random(11);
    const std::pair<int, int> sizes[] = { { 1, 1 }, { 1, 7 }, { 7, 1 }, { 13, 9 }, { 40, 23 } };
    for (const auto& [w, h] : sizes)
        for (std::int64_t step : { 0, 1, 2, 3, 5, 9, 50, 100000 }) {
            const Bitmap in = test::Noise(w, h, PixelFormat::Gray8, random);
            Bitmap out = in;
            SmoothDepth(out, step);
            EXPECT_TRUE(out.samePixels(ReferenceSmooth(in, step))) << w << "x" << h << " step " << step;
        }
}

TEST(DepthRaster, NearerOrdersCoverFartherOnesAndFillsAreEvenOdd) {
    // 60 pixels wide: the pen rounds to 0 and draws one-pixel edges.
    const Document doc = DepthDocument(3, 60, 40, kFixedOne, 40);
    LineSet lines = LinesInOrder(4, { Rectangle(10, 10, 30, 30) });
    lines[1].push_back(Rectangle(20, 20, 40, 35)); // Order 2 over Order 5
    lines[2] = { Rectangle(42, 2, 50, 8), Rectangle(46, 5, 56, 12) }; // two lines of one order
    // A pentagram: the middle is enclosed twice and stays empty.
    Line star;
    for (int k = 0; k < 5; ++k) {
        const double angle = -M_PI / 2 + k * 4 * M_PI / 5;
        star.push_back(
            { int(std::lround(15 + 12 * std::cos(angle))), int(std::lround(27 + 12 * std::sin(angle))) });
    }
    lines[0].push_back(star);
    lines[5] = { { { 2, 38 }, { 20, 38 }, { 40, 38 } }, { { 50, 20 } } }; // collinear; a single point
    const Bitmap raster = BuildDepthRaster(doc, OutlineLayer(0, 0, 60, 40), lines, 0);

    EXPECT_EQ(At(raster, 15, 12), OrderLevel(4));
    EXPECT_EQ(At(raster, 25, 25), OrderLevel(1)); // the overlap takes the nearer order
    EXPECT_EQ(At(raster, 38, 33), OrderLevel(1));
    EXPECT_EQ(At(raster, 48, 6), OrderLevel(2)); // union of one order
    EXPECT_EQ(At(raster, 54, 11), OrderLevel(2));
    EXPECT_EQ(At(raster, 44, 11), 30);
    EXPECT_EQ(At(raster, 15, 27), OrderLevel(4)); // the pentagram's middle shows what lies below
    EXPECT_EQ(At(raster, 15, 17), OrderLevel(0)); // one of its points
    EXPECT_EQ(At(raster, 58, 38), 30);
    EXPECT_EQ(At(raster, 30, 38), OrderLevel(5)); // only the stroke of lines without area
    EXPECT_EQ(At(raster, 30, 37), 30);
    EXPECT_EQ(At(raster, 50, 20), 30);
}

TEST(DepthRaster, EqualsDrawingInColourStretchingAndCroppingOneStepAfterTheOther) {
    std::mt19937 random(5);
    for (Fixed scale : { Fixed { 7500 }, Fixed { 6827 }, Fixed { 13333 } }) {
        const Document doc = DepthDocument(3, 301, 201, scale, 48);
        LineSet lines(kOrderCount);
        for (int n = 0; n < 12; ++n) {
            Line line;
            const int points = 2 + int(random() % 6);
            for (int p = 0; p < points; ++p)
                line.push_back({ int(random() % (doc.ImageWidth + 60)) - 30,
                    int(random() % (doc.ImageHeight + 60)) - 30 });
            lines[random() % kOrderCount].push_back(line);
        }
        // The literal steps: a 24-bit drawing, its red bytes stretched to source
        // resolution, that raster laid into margins of level 0 at (M - Left, -Top); the
        // first layer's box starts left of and above the document.
        Bitmap colour(doc.ImageWidth, doc.ImageHeight, PixelFormat::Bgr24);
        {
            Canvas canvas(colour);
            canvas.clear(Rgb::Gray(30));
            for (int k = 14; k >= 0; --k) {
                canvas.setPen(Rgb::Gray(OrderLevel(k)), int(Round(doc.ImageWidth / 200.0L)));
                canvas.setBrush(Rgb::Gray(OrderLevel(k)));
                for (const Line& line : lines[k]) canvas.polygon(line);
            }
        }
        const auto sw = Round(doc.ImageWidth / static_cast<long double>(scale) * 10000);
        const auto sh = Round(doc.ImageHeight / static_cast<long double>(scale) * 10000);
        for (const LayerRecord& layer :
            { OutlineLayer(-20, -15, 120, 90), OutlineLayer(250, 150, 100, 80) }) {
            const int margin = 12;
            Bitmap expected = test::Solid(layer.Width + 2 * margin, layer.Height, PixelFormat::Gray8, 0);
            for (int y = 0; y < sh; ++y)
                for (int x = 0; x < sw; ++x) {
                    const int rx = x + margin - layer.Left, ry = y - layer.Top;
                    if (rx < 0 || ry < 0 || rx >= expected.width() || ry >= expected.height()) continue;
                    expected.row(ry)[rx]
                        = colour.row(int(y * doc.ImageHeight / sh))[3 * (x * doc.ImageWidth / sw) + 2];
                }
            EXPECT_TRUE(BuildDepthRaster(doc, layer, lines, margin).samePixels(expected))
                << "scale " << scale << " layer at " << layer.Left;
        }
    }
}

} // namespace
} // namespace deptrix
