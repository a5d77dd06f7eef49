#include "core/Canvas.h"

#include "core/Error.h"

#include <gtest/gtest.h>
#include <vector>

namespace deptrix {
namespace {

int Count(const Bitmap& b, std::uint8_t value) {
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) n += b.row(y)[x] == value;
    return n;
}

TEST(Canvas, FillsPolygonsWithTheEvenOddRule) {
    // Two nested squares drawn as one self-overlapping outline leave a hole:
    //   ##########
    //   #........#   (hole is 4x4 in the middle)
    Bitmap b(10, 10, PixelFormat::Gray8);
    Canvas canvas(b);
    canvas.setNoPen();
    canvas.setBrush(Rgb::Gray(200));
    const std::vector<LinePoint> shape = { { 0, 0 }, { 10, 0 }, { 10, 10 }, { 0, 10 }, { 0, 0 }, { 3, 3 },
        { 3, 7 }, { 7, 7 }, { 7, 3 }, { 3, 3 } };
    canvas.polygon(shape);
    EXPECT_EQ(b.row(1)[1], 200);
    EXPECT_EQ(b.row(5)[5], 0);
    EXPECT_EQ(Count(b, 200), 100 - 16);
}

TEST(Canvas, DrawsIntoTheBitmapMemoryWithoutACopy) {
    Bitmap b(6, 4, PixelFormat::Bgr24);
    {
        Canvas canvas(b);
        canvas.setNoPen();
        canvas.setBrush(Rgb { 10, 20, 30 });
        canvas.rectangle(1, 1, 3, 3);
    }
    const std::uint8_t* p = b.row(1) + 3;
    EXPECT_EQ(p[0], 30); // blue first
    EXPECT_EQ(p[1], 20);
    EXPECT_EQ(p[2], 10);
    EXPECT_EQ(b.row(0)[3], 0);
    EXPECT_EQ(b.row(3)[9], 0);
}

TEST(Canvas, NotXorPenRestoresThePictureWhenDrawnTwice) {
    Bitmap b(20, 20, PixelFormat::Bgr24);
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) b.row(y)[x] = static_cast<std::uint8_t>(x * 7 + y * 3);
    const Bitmap before = b;
    const std::vector<LinePoint> line = { { 2, 2 }, { 17, 5 }, { 9, 16 } };
    {
        Canvas canvas(b);
        canvas.setPen(Rgb { 0, 0, 0 }, 2, PenMode::NotXor);
        canvas.polyline(line);
    }
    EXPECT_FALSE(b.samePixels(before));
    // Black under not-xor inverts the pixel.
    EXPECT_EQ(b.row(2)[6], static_cast<std::uint8_t>(~before.row(2)[6]));
    {
        Canvas canvas(b);
        canvas.setPen(Rgb { 0, 0, 0 }, 2, PenMode::NotXor);
        canvas.polyline(line);
    }
    EXPECT_TRUE(b.samePixels(before));
}

TEST(Canvas, MaskPenAndsTheColour) {
    Bitmap b(8, 8, PixelFormat::Gray8);
    b.fill(0xF0);
    Canvas canvas(b);
    canvas.setNoPen();
    canvas.setBrush(Rgb::Gray(0x3C));
    canvas.setMode(PenMode::Mask);
    canvas.rectangle(0, 0, 8, 8);
    EXPECT_EQ(b.row(4)[4], 0x30);
}

TEST(Canvas, WidePensHaveRoundEnds) {
    Bitmap b(40, 40, PixelFormat::Gray8);
    Canvas canvas(b);
    canvas.setPen(Rgb::Gray(255), 9);
    canvas.line(10, 20, 30, 20);
    EXPECT_EQ(b.row(20)[20], 255);
    EXPECT_EQ(b.row(16)[20], 255); // half the width above the line
    EXPECT_EQ(b.row(20)[7], 255); // the round cap reaches past the end point
    EXPECT_EQ(b.row(16)[6], 0); // but not into the corner a square cap would fill
    EXPECT_EQ(b.row(25)[20], 0);
}

TEST(Canvas, EllipseStaysInsideItsBox) {
    Bitmap b(30, 20, PixelFormat::Gray8);
    Canvas canvas(b);
    canvas.setNoPen();
    canvas.setBrush(Rgb::Gray(1));
    canvas.ellipse(5, 5, 25, 15);
    EXPECT_EQ(b.row(10)[15], 1);
    EXPECT_EQ(b.row(5)[5], 0);
    EXPECT_EQ(b.row(10)[4], 0);
    EXPECT_EQ(b.row(10)[25], 0);
    EXPECT_EQ(b.row(15)[15], 0);
}

TEST(Canvas, RefusesCmykPictures) {
    Bitmap b(2, 2, PixelFormat::Cmyk32);
    EXPECT_THROW(Canvas canvas(b), Error);
}

TEST(StretchNearest, DropsAndRepeatsWholeRowsAndColumns) {
    Bitmap source(4, 2, PixelFormat::Gray8);
    for (int x = 0; x < 4; ++x) {
        source.row(0)[x] = static_cast<std::uint8_t>(x);
        source.row(1)[x] = static_cast<std::uint8_t>(10 + x);
    }
    Bitmap half(2, 1, PixelFormat::Gray8);
    StretchNearest(source, half);
    EXPECT_EQ(half.row(0)[0], 0);
    EXPECT_EQ(half.row(0)[1], 2);

    Bitmap doubled(8, 4, PixelFormat::Gray8);
    StretchNearest(source, doubled);
    EXPECT_EQ(doubled.row(3)[7], 13);
    EXPECT_EQ(doubled.row(1)[2], 1);
    EXPECT_EQ(doubled.row(2)[0], 10);
}

} // namespace
} // namespace deptrix
