#include "output/Anaglyph.h"

#include "TestPictures.h"
#include "core/Error.h"
#include "core/Fixed.h"

#include <gtest/gtest.h>

namespace deptrix {
namespace {

using testing::Solid;

TEST(GreyOf, EqualsTheExtendedPrecisionFormulaForEveryColour) {
    int mismatches = 0;
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const auto expected = Round(0.3L * r + 0.59L * g + 0.11L * b);
                const auto actual = GreyOf(
                    static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(b));
                if (actual != expected && ++mismatches <= 5)
                    ADD_FAILURE() << "rgb " << r << "," << g << "," << b << ": " << int(actual)
                                  << " instead of " << expected;
            }
    EXPECT_EQ(mismatches, 0);
}

TEST(GreyOf, WorkedValues) {
    EXPECT_EQ(GreyOf(255, 0, 0), 76); // 76.5 goes to the even neighbour
    EXPECT_EQ(GreyOf(0, 255, 0), 150); // 150.45
    EXPECT_EQ(GreyOf(0, 0, 255), 28); // 28.05
    EXPECT_EQ(GreyOf(255, 255, 255), 255);
    EXPECT_EQ(GreyOf(0, 0, 0), 0);
    // 3.5 in decimal, a hair below it in binary: the extended formula gives 3, not 4.
    EXPECT_EQ(GreyOf(0, 5, 5), 3);
}

TEST(MakeAnaglyph, PutsTheGreyOfViewTwoInRedAndOfViewSixInGreenAndBlue) {
    // Columns: white over white, red over black, a mixed pair.
    Bitmap view2(3, 2, PixelFormat::Bgr24);
    Bitmap view6(3, 2, PixelFormat::Bgr24);
    const std::uint8_t left[3][3] = { { 255, 255, 255 }, { 255, 0, 0 }, { 10, 200, 30 } }; // r, g, b
    const std::uint8_t right[3][3] = { { 255, 255, 255 }, { 0, 0, 0 }, { 90, 20, 250 } };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            for (int c = 0; c < 3; ++c) {
                view2.row(y)[3 * x + 2 - c] = left[x][c];
                view6.row(y)[3 * x + 2 - c] = right[x][c];
            }
    const Bitmap anaglyph = MakeAnaglyph(view2, view6);
    ASSERT_EQ(anaglyph.format(), PixelFormat::Bgr24);
    const std::uint8_t expected[3][3] = { { 255, 255, 255 }, { 76, 0, 0 },
        { GreyOf(10, 200, 30), GreyOf(90, 20, 250), GreyOf(90, 20, 250) } };
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const std::uint8_t* p = anaglyph.row(y) + 3 * x;
            EXPECT_EQ(p[2], expected[x][0]) << "red at " << x << "," << y;
            EXPECT_EQ(p[1], expected[x][1]) << "green at " << x << "," << y;
            EXPECT_EQ(p[0], expected[x][2]) << "blue at " << x << "," << y;
        }
}

TEST(MakeAnaglyph, RefusesViewsOfDifferentSizesOrFormats) {
    EXPECT_THROW(MakeAnaglyph(Solid(4, 4, 1, 2, 3), Solid(5, 4, 1, 2, 3)), Error);
    EXPECT_THROW(MakeAnaglyph(Solid(4, 4, 1, 2, 3), Solid(4, 3, 1, 2, 3)), Error);
    EXPECT_THROW(MakeAnaglyph(Bitmap(4, 4, PixelFormat::Cmyk32), Solid(4, 4, 1, 2, 3)), Error);
}

TEST(AnaglyphPath, CutsFourCharactersAndAppendsTheSuffix) {
    EXPECT_EQ(AnaglyphPath("D:\\art\\scene.psd"), "D:\\art\\scene_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("/home/ann/scene.psd"), "/home/ann/scene_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("/home/ann/scene.ps"), "/home/ann/scen_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("/home/ann/scene.psdx"), "/home/ann/scene._qv58.bmp");
    EXPECT_EQ(AnaglyphPath("scene.psd"), "scene_qv58.bmp");
}

TEST(AnaglyphPath, CountsCharactersNotBytesAndStaysInThePsdsFolder) {
    EXPECT_EQ(AnaglyphPath("/bilder/grün.psd"), "/bilder/grün_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("/bilder/xgrün"), "/bilder/x_qv58.bmp"); // ü is one character of two bytes
    EXPECT_EQ(AnaglyphPath("/bilder/a.ps"), "/bilder/_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("/bilder/ab"), "/bilder/_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("C:\\a\\b"), "C:\\a\\_qv58.bmp");
    EXPECT_EQ(AnaglyphPath("abc"), "_qv58.bmp");
    EXPECT_EQ(AnaglyphPath(""), "_qv58.bmp");
}

} // namespace
} // namespace deptrix
