#include "OutlineTestSupport.h"
#include "outline/LineSetOps.h"
#include "outline/PickMap.h"
#include "outline/ScanPainter.h"
#include "outline/TintedDisplay.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <set>

namespace deptrix {
namespace {

using test::Box;
using test::PixelAt;
using test::Rgb8;

OrderVisibility AllShown() {
    OrderVisibility shown;
    shown.fill(true);
    return shown;
}

Bitmap Tinted(const Bitmap& picture, const LineSet& lines, const OrderVisibility& shown, int markUnit) {
    Bitmap mask;
    Bitmap out;
    PaintTintMask(mask, picture.width(), picture.height(),
        RasterizeLines(lines, picture.width(), picture.height(), markUnit), shown);
    ApplyTint(picture, mask, out);
    return out;
}

TEST(TintedDisplay, DarkensRedAndGreenByOrderAndLeavesOnlyBlueOnBorders) {
    const Bitmap picture = test::SolidRgb(60, 40, 200, 100, 77);
    LineSet lines = EmptyLineSet();
    lines[0] = { Box(10, 10, 30, 30) };
    lines[14] = { Box(40, 5, 55, 35) };
    const Bitmap out = Tinted(picture, lines, AllShown(), 2);
    // Order 1: Round(200 / 255 x 110) = 86 and Round(100 / 255 x 110) = 43.
    EXPECT_EQ(PixelAt(out, 20, 20), (Rgb8 { 86, 43, 77 }));
    // Order 15 (level 250): Round(200 / 255 x 250) = 196, Round(100 / 255 x 250) = 98.
    EXPECT_EQ(PixelAt(out, 47, 20), (Rgb8 { 196, 98, 77 }));
    EXPECT_EQ(PixelAt(out, 10, 20), (Rgb8 { 0, 0, 77 }));
    EXPECT_EQ(PixelAt(out, 2, 2), (Rgb8 { 200, 100, 77 }));
}

TEST(TintedDisplay, LowerOrderCoversHigherAndHiddenOrdersStayPickable) {
    const Bitmap picture = test::SolidRgb(60, 40, 255, 255, 0);
    LineSet lines = EmptyLineSet();
    lines[4] = { Box(5, 5, 35, 35) };
    lines[1] = { Box(20, 10, 50, 30) };
    lines[2] = { Box(52, 2, 58, 38) };
    OrderVisibility shown = AllShown();
    shown[2] = false;
    const Bitmap out = Tinted(picture, lines, shown, 1);
    EXPECT_EQ(PixelAt(out, 25, 20).red, 120); // order index 1 on top: level 120
    EXPECT_EQ(PixelAt(out, 10, 20).red, 150); // order index 4 alone
    EXPECT_EQ(PixelAt(out, 55, 20).red, 255); // order 3 hidden: not tinted

    PickMap map;
    map.paintLines(60, 40, RasterizeLines(lines, 60, 40, 1));
    EXPECT_EQ(map.pick(25, 20).line, (LineRef { 1, 0 }));
    EXPECT_EQ(map.pick(10, 20).line, (LineRef { 4, 0 }));
    EXPECT_EQ(map.pick(55, 20).line, (LineRef { 2, 0 }));
    EXPECT_EQ(map.pick(1, 1).kind, PickKind::Nothing);
    EXPECT_EQ(map.pick(-1, 20).kind, PickKind::Nothing);
    EXPECT_EQ(map.pick(60, 20).kind, PickKind::Nothing);
}

TEST(TintedDisplay, SelfCrossingLinesUseTheEvenOddRule) {
    const Bitmap picture = test::SolidRgb(40, 40, 255, 255, 255);
    LineSet lines = EmptyLineSet();
    // One outline around twice: the inner square is enclosed twice and stays clear.
    lines[0] = { { { 0, 0 }, { 39, 0 }, { 39, 39 }, { 0, 39 }, { 0, 0 }, { 10, 10 }, { 10, 30 }, { 30, 30 },
        { 30, 10 }, { 10, 10 } } };
    const Bitmap out = Tinted(picture, lines, AllShown(), 1);
    EXPECT_EQ(PixelAt(out, 5, 20).red, 110);
    EXPECT_EQ(PixelAt(out, 20, 20).red, 255);
}

TEST(PickMaps, EveryLineOfALargeOrderAndEveryPointOfALongLineHasItsOwnCode) {
    LineSet lines = EmptyLineSet();
    // 300 lines in one order: line 299 is picked as itself, not as nothing.
    for (int j = 0; j < 300; ++j) lines[6].push_back(Box(j * 2, 0, j * 2 + 1, 4));
    PickMap map;
    map.paintLines(700, 10, RasterizeLines(lines, 700, 10, 0));
    EXPECT_EQ(map.pick(598, 2), (Pick { PickKind::Line, { 6, 299 }, 0, kHandleOutside }));
    EXPECT_EQ(map.pick(300, 2).line, (LineRef { 6, 150 }));

    // A 130-point line: vertices 128 and 129 and the segment ending at 128 all read
    // as themselves.
    LineSet ring = EmptyLineSet();
    Line line;
    for (int k = 0; k <= 128; ++k) line.push_back({ 10 + 10 * k, 50 });
    line.push_back({ 1290, 90 });
    ring[0] = { line };
    map.paintPoints(1400, 100, ring, 1);
    EXPECT_EQ(map.pick(1290, 50), (Pick { PickKind::Vertex, { 0, 0 }, 128, kHandleOutside }));
    EXPECT_EQ(map.pick(1290, 90).point, 129u);
    EXPECT_EQ(map.pick(10, 50).point, 0u);
    EXPECT_EQ(map.pick(1285, 50), (Pick { PickKind::Segment, { 0, 0 }, 128, kHandleOutside }));
    // The closing segment ends at the point count.
    EXPECT_EQ(map.pick(650, 70), (Pick { PickKind::Segment, { 0, 0 }, 130, kHandleOutside }));
}

TEST(PickMaps, PointMapSkipsALineWithoutPointsAndLaterLinesKeepTheirCodes) {
    LineSet lines = EmptyLineSet();
    lines[3] = { Box(0, 0, 10, 10), Line {}, Box(20, 0, 30, 10) };
    lines[0] = { Box(40, 0, 50, 10) };
    PickMap map;
    map.paintPoints(60, 20, lines, 1);
    EXPECT_EQ(map.pick(30, 10), (Pick { PickKind::Vertex, { 3, 2 }, 2, kHandleOutside }));
    EXPECT_EQ(map.pick(45, 0), (Pick { PickKind::Segment, { 0, 0 }, 1, kHandleOutside }));
    EXPECT_EQ(map.pick(45, 5).kind, PickKind::Nothing); // a point map has no interiors
}

TEST(PickMaps, HandleRegionsPaintCornersOverBandsOverTheCentreSquare) {
    // Box 20..80 x 20..60, centre (50, 40); g = 4. A flat box puts the centre square
    // under the top and bottom bands.
    const SelectionBox box { 20, 20, 80, 60, 50, 40, false };
    PickMap map;
    map.paintHandles(100, 100, box, 4);
    const auto handle = [&](int x, int y) { return map.pick(x, y).handle; };
    EXPECT_EQ(handle(40, 30), kHandleInside);
    EXPECT_EQ(handle(50, 40), kHandleCentre);
    EXPECT_EQ(handle(50, 17), kHandleTop);
    EXPECT_EQ(handle(83, 40), kHandleRight);
    EXPECT_EQ(handle(50, 63), kHandleBottom);
    EXPECT_EQ(handle(16, 40), kHandleLeft);
    EXPECT_EQ(handle(20, 20), kHandleTopLeft);
    EXPECT_EQ(handle(83, 16), kHandleTopRight);
    EXPECT_EQ(handle(79, 59), kHandleBottomRight);
    EXPECT_EQ(handle(17, 62), kHandleBottomLeft);
    EXPECT_EQ(handle(10, 10), kHandleOutside);
    EXPECT_EQ(handle(84, 40), kHandleOutside); // the band is R-g..R+g-1

    const SelectionBox flat { 20, 38, 80, 42, 50, 40, false };
    map.paintHandles(100, 100, flat, 4);
    EXPECT_EQ(handle(50, 37), kHandleTop);
    EXPECT_EQ(handle(50, 39), kHandleBottom);
    // A half-size of 0 leaves the box but no bands, corners or centre square.
    map.paintHandles(100, 100, box, 0);
    EXPECT_EQ(handle(20, 20), kHandleInside);
    EXPECT_EQ(handle(50, 40), kHandleInside);
    EXPECT_EQ(handle(80, 40), kHandleOutside);
}

TEST(PickMaps, LinesFarOffThePictureAreClippedNotDistorted) {
    LineSet lines = EmptyLineSet();
    // A triangle with one corner two billion pixels away: its edge must still pass
    // where the straight line between the corners runs.
    lines[0] = { { { -2000000000, -1000000000 }, { 100, 100 }, { 100, -2000000000 } } };
    PickMap map;
    map.paintLines(200, 200, RasterizeLines(lines, 200, 200, 0));
    int wrong = 0;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 200; ++x) {
            const long double cx = x + 0.5L, cy = y + 0.5L;
            const long double edge = 100 - (100 - cx) * (100 + 1e9L) / (100 + 2e9L);
            const bool inside = cx < 100 && cy < edge;
            if (std::abs(static_cast<double>(cy - edge)) < 1.5
                || std::abs(static_cast<double>(cx - 100)) < 1.5)
                continue;
            wrong += inside != (map.pick(x, y).kind == PickKind::Line);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ScanPainter, StrokesCoverTheirWidthAndEveryPixelOnce) {
    ScanPainter scan(100, 100);
    for (int width = 0; width <= 5; ++width) {
        const std::vector<PixelSpan>& spans = scan.segment({ 10, 50 }, { 30, 50 }, width);
        std::set<int> rows;
        for (const PixelSpan& s : spans) rows.insert(s.y);
        EXPECT_EQ(rows.size(), static_cast<size_t>(std::max(width, 1))) << "pen width " << width;
    }
    // A box covers its left and top edges but not its right and bottom ones.
    const std::vector<PixelSpan>& box = scan.fill(Box(10, 10, 30, 30));
    ASSERT_EQ(box.size(), 20u);
    EXPECT_EQ(box.front(), (PixelSpan { 10, 10, 30 }));
    EXPECT_EQ(box.back().y, 29);

    // Sharp turns overlap their own segments; the merged runs still name each pixel once.
    const Line zigzag = { { 10, 10 }, { 90, 12 }, { 12, 14 }, { 88, 60 }, { 11, 62 } };
    for (int width : { 1, 4, 7 }) {
        const std::vector<PixelSpan>& runs = scan.stroke(zigzag, true, width);
        for (size_t i = 1; i < runs.size(); ++i)
            EXPECT_TRUE(runs[i - 1].y < runs[i].y || runs[i - 1].x2 < runs[i].x1) << "pen width " << width;
    }

    // A segment across the picture with both ends two billion pixels away.
    const std::vector<PixelSpan>& far = scan.segment({ -2000000000, 40 }, { 2000000000, 40 }, 3);
    EXPECT_EQ(far, (std::vector<PixelSpan> { { 39, 0, 100 }, { 40, 0, 100 }, { 41, 0, 100 } }));
}

} // namespace
} // namespace deptrix
