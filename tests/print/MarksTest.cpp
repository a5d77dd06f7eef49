// Marks and bleed: the picture is the print without marks, the alignment bars
// continue the picture's lens grid with frame 1's strips dark, crop marks stand on
// the picture's edges outside the bleed, and the text line says what the print is.

#include "PrintTestSupport.h"
#include "print/PrintExport.h"
#include "print/PrintPage.h"

#include <cmath>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::Folder;

std::vector<Bitmap> NoiseFrames(int frames, PixelFormat format) {
    std::mt19937 random(11);
    std::vector<Bitmap> pictures;
    for (int f = 0; f < frames; ++f) {
        Bitmap picture(37, 23, format);
        for (int y = 0; y < picture.height(); ++y)
            for (int i = 0; i < picture.width() * picture.bytesPerPixel(); ++i)
                picture.row(y)[i] = static_cast<std::uint8_t>(random());
        pictures.push_back(std::move(picture));
    }
    return pictures;
}

test::TiffFile Print(const PrintSettings& settings, std::vector<Bitmap>& frames, const Folder& folder) {
    std::vector<const Bitmap*> pointers;
    for (const Bitmap& f : frames) pointers.push_back(&f);
    BitmapViews views(pointers);
    test::TestProgress progress;
    WritePrintFile(views, MakePrintGeometry(settings), {}, folder / "print.tif", progress);
    return test::ReadTiff(folder / "print.tif");
}

PrintSettings MarkedPrint(LensOrientation lens) {
    PrintSettings s;
    s.frames = 12;
    s.lpi = 400000; // 40 LPI at 1234.5 dpi: 30.86 pixels a lens, 2.57 a strip
    s.dpi = 12345000;
    s.phase = 1700;
    s.widthInches = 1.5L;
    s.heightInches = 1;
    s.hScale = 2;
    s.lens = lens;
    s.marks = true;
    s.bleedInches = 0.1L;
    return s;
}

/// How much of pixel [x, x + 1) across the lenses frame 1's strips cover, by sampling.
double FrameOneCover(long double x, const PrintGeometry& g) {
    constexpr int kSamples = 4096;
    const long double period = g.period();
    int covered = 0;
    for (int j = 0; j < kSamples; ++j) {
        const long double u = x + (j + 0.5L) / kSamples;
        const long double strips
            = ((u - static_cast<long double>(g.centre)) / period - FromFixed(g.settings.phase)) * g.frames();
        const auto strip = static_cast<std::int64_t>(std::floor(strips));
        const std::int64_t s = strip
            - g.frames()
                * static_cast<std::int64_t>(std::floor(strip / static_cast<long double>(g.frames())));
        covered += s == g.frames() - 1; // the last strip of a lens is frame 1
    }
    return static_cast<double>(covered) / kSamples;
}

class MarkedLenses : public ::testing::TestWithParam<LensOrientation> { };

TEST_P(MarkedLenses, PictureIsTheUnmarkedPrintAndTheBarsFollowItsLensGrid) {
    Folder folder;
    std::vector<Bitmap> frames = NoiseFrames(12, PixelFormat::Bgr24);
    PrintSettings settings = MarkedPrint(GetParam());
    const PrintGeometry g = MakePrintGeometry(settings);
    const test::TiffFile marked = Print(settings, frames, folder);
    settings.marks = false;
    settings.bleedInches = 0;
    const test::TiffFile plain = Print(settings, frames, folder);

    ASSERT_EQ(marked.width, static_cast<std::uint32_t>(g.width + 2 * g.marginColumns));
    ASSERT_EQ(marked.height, static_cast<std::uint32_t>(g.height + 2 * g.marginRows));
    ASSERT_EQ(plain.width, static_cast<std::uint32_t>(g.width));
    for (std::uint32_t y = 0; y < plain.height; ++y)
        ASSERT_TRUE(std::equal(plain.row(y), plain.row(y) + plain.width * 3,
            marked.row(static_cast<std::uint32_t>(y + g.marginRows)) + g.marginColumns * 3))
            << "row " << y;

    // The bars: every pixel of them, along the whole edge, is frame 1's cover of its
    // place in the picture's lens grid, dark where the strip is whole.
    const bool horizontal = GetParam() == LensOrientation::Horizontal;
    const std::int64_t margin = horizontal ? g.marginRows : g.marginColumns;
    const std::int64_t bleed = horizontal ? g.bleedRows : g.bleedColumns;
    const std::int64_t page = horizontal ? g.pageHeight() : g.pageWidth();
    const std::int64_t alongMargin = horizontal ? g.marginColumns : g.marginRows;
    const std::int64_t length = horizontal ? g.width : g.height;
    int darkPixels = 0;
    // Parts of the bars clear of the page's edge, the bleed and the crop marks: the
    // middles of the margins beyond the bleed, except under horizontal lenses at the
    // bottom, where the bar takes the half nearer the picture and the text the other.
    const std::int64_t outer = margin - bleed;
    const std::pair<std::int64_t, std::int64_t> parts[] = { { outer / 4, outer / 2 },
        horizontal ? std::pair { page - outer * 3 / 4, page - outer * 5 / 8 }
                   : std::pair { page - outer / 2, page - outer / 4 } };
    for (const auto& [from, to] : parts) {
        for (std::int64_t i = from; i < to; ++i) {
            const double expected = 255.0 * (1 - FrameOneCover(static_cast<long double>(i - margin), g));
            for (std::int64_t j = alongMargin + length / 8; j < alongMargin + length * 7 / 8; j += 5) {
                const std::uint8_t* pixel = horizontal ? marked.row(static_cast<std::uint32_t>(i)) + j * 3
                                                       : marked.row(static_cast<std::uint32_t>(j)) + i * 3;
                ASSERT_NEAR(pixel[0], expected, 1.0) << "bar pixel " << i << " at " << j;
                EXPECT_TRUE(pixel[0] == pixel[1] && pixel[1] == pixel[2]);
                darkPixels += pixel[0] == 0;
            }
        }
    }
    EXPECT_GT(darkPixels, 0);
}

INSTANTIATE_TEST_SUITE_P(Lenses, MarkedLenses,
    ::testing::Values(LensOrientation::Vertical, LensOrientation::Horizontal),
    [](const ::testing::TestParamInfo<LensOrientation>& info) {
        return info.param == LensOrientation::Horizontal ? "Horizontal" : "Vertical";
    });

TEST(Marks, CropMarksStayOutOfTheBleedAndTheTextSaysWhatThePrintIs) {
    Folder folder;
    std::vector<Bitmap> frames = NoiseFrames(12, PixelFormat::Cmyk32);
    const PrintSettings settings = MarkedPrint(LensOrientation::Vertical);
    const PrintGeometry g = MakePrintGeometry(settings);
    EXPECT_EQ(MarksText(g), "LPI 40  DPI 1234.5  FRAMES 12  1.5 X 1 IN  PH +0.17");
    const test::TiffFile file = Print(settings, frames, folder);
    ASSERT_EQ(file.samples, 4);
    const auto ink = [&](std::int64_t x, std::int64_t y) {
        const std::uint8_t* p = file.row(static_cast<std::uint32_t>(y)) + x * 4;
        return std::array<int, 4> { p[0], p[1], p[2], p[3] };
    };
    const std::array<int, 4> registration { 255, 255, 255, 255 }, paper { 0, 0, 0, 0 };
    // The vertical crop line of the left edge above the picture, the horizontal one of
    // the top edge left of it: in all four inks, outside the bleed.
    EXPECT_EQ(ink(g.marginColumns, g.marginRows / 4), registration);
    EXPECT_EQ(ink(g.marginColumns / 4, g.marginRows), registration);
    EXPECT_EQ(ink(g.marginColumns + g.width, g.marginRows + g.height + g.marginRows * 3 / 4), registration);
    for (std::int64_t x = g.marginColumns - g.bleedColumns; x < g.marginColumns; ++x)
        EXPECT_NE(ink(x, g.marginRows - 1), paper) << "the bleed holds picture at " << x;
    // The text line below the picture, in black ink only, between the crop marks.
    int text = 0;
    const auto line = static_cast<std::int64_t>(0.01L * g.xResolution);
    for (std::int64_t y = g.marginRows + g.height + g.bleedRows; y < static_cast<std::int64_t>(file.height);
         ++y)
        for (std::int64_t x = g.marginColumns + line; x < g.marginColumns + g.width - line; ++x) {
            const std::array<int, 4> pixel = ink(x, y);
            if (pixel == paper) continue;
            EXPECT_EQ(pixel, (std::array<int, 4> { 0, 0, 0, 255 })) << x << ", " << y;
            ++text;
        }
    EXPECT_GT(text, 100);
}

} // namespace
} // namespace deptrix
