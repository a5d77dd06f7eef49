// Prints of N frames against an independent model of the lens layout: a flip folder
// of N flat layers shows frame k's colour in the k-th strip from the right of every
// lens (from the bottom under horizontal lenses), for vertical and horizontal lenses,
// with and without a bleed, at the automatic resolution and at fractional periods.

#include "PrintTestSupport.h"
#include "print/PrintExport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <ostream>

namespace deptrix {
namespace {

using test::Folder;

struct FramesCase {
    int frames;
    bool horizontal;
    long double periodFactor; ///< DPI / (LPI x N): 1 is the automatic resolution
    bool reverse = false;
    long double bleedInches = 0;
};

/// The frame (1..N) at position u across the lenses, in print pixels from the
/// picture's edge: strips of period / N pixels from the centre, the first of a lens
/// frame N.
int FrameAt(long double u, long double centre, long double period, int frames, bool reverse) {
    const long double strips = (u - centre) / period * frames;
    const auto strip = static_cast<std::int64_t>(std::floor(strips));
    const auto s = static_cast<int>(
        strip - frames * static_cast<std::int64_t>(std::floor(strip / static_cast<long double>(frames))));
    return reverse ? s + 1 : frames - s;
}

/// Pixel i across the lenses (page coordinates, the bleed included) by sampling.
std::array<double, 3> Model(
    std::int64_t i, std::int64_t bleed, std::int64_t across, long double period, const FramesCase& c) {
    constexpr int kSamples = 512;
    std::array<double, 3> sum {};
    for (int j = 0; j < kSamples; ++j) {
        const long double u = static_cast<long double>(i - bleed) + (j + 0.5L) / kSamples;
        const auto colour = test::FrameColour(
            FrameAt(u, static_cast<long double>(across / 2), period, c.frames, c.reverse) - 1);
        for (int ch = 0; ch < 3; ++ch)
            sum[static_cast<std::size_t>(ch)] += colour[static_cast<std::size_t>(ch)];
    }
    for (double& v : sum) v /= kSamples;
    return sum;
}

void PrintTo(const FramesCase& c, std::ostream* out) {
    *out << c.frames << " frames, " << (c.horizontal ? "horizontal" : "vertical") << ", period x "
         << static_cast<double>(c.periodFactor) << (c.reverse ? ", reversed" : "") << ", bleed "
         << static_cast<double>(c.bleedInches);
}

class FramesAgainstTheModel : public ::testing::TestWithParam<FramesCase> { };

TEST_P(FramesAgainstTheModel, EveryStripShowsItsFrame) {
    const FramesCase c = GetParam();
    Folder folder;
    test::FlipDocument flip;
    test::ImportFlipFolder(flip, folder, c.frames, 48, 36);

    PrintSettings settings;
    settings.frames = c.frames;
    settings.lpi = 200000; // 20 LPI
    settings.dpi = Round(20.0L * c.frames * c.periodFactor * 10000.0L);
    settings.widthInches = 2.4L;
    settings.hScale = 8;
    settings.reverse = c.reverse;
    settings.bleedInches = c.bleedInches;
    settings.lens = c.horizontal ? LensOrientation::Horizontal : LensOrientation::Vertical;
    settings.sourceWidth = 48;
    settings.sourceHeight = 36;
    test::TestProgress progress;
    ExportPrint(flip.doc, flip.offsets, settings, folder.path(), folder / "print.tif", progress);
    const test::TiffFile file = test::ReadTiff(folder / "print.tif");

    const PrintGeometry g = MakePrintGeometry(settings);
    ASSERT_EQ(file.width, static_cast<std::uint32_t>(g.pageWidth()));
    ASSERT_EQ(file.height, static_cast<std::uint32_t>(g.pageHeight()));
    const long double period = FromFixed(settings.dpi) / 20.0L;
    const std::int64_t across = c.horizontal ? g.height : g.width;
    const std::int64_t bleed = c.horizontal ? g.bleedRows : g.bleedColumns;
    const std::int64_t count = c.horizontal ? file.height : file.width;
    const bool whole = c.periodFactor == 1;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::array<double, 3> expected = Model(i, bleed, across, period, c);
        // Every pixel along the lenses is the same.
        const std::int64_t along = c.horizontal ? file.width : file.height;
        for (std::int64_t j = 0; j < along; j += std::max<std::int64_t>(1, along / 7)) {
            const std::uint8_t* pixel = c.horizontal ? file.row(static_cast<std::uint32_t>(i)) + j * 3
                                                     : file.row(static_cast<std::uint32_t>(j)) + i * 3;
            for (int ch = 0; ch < 3; ++ch) {
                if (whole)
                    ASSERT_EQ(pixel[ch], expected[static_cast<std::size_t>(ch)])
                        << "pixel " << i << ", " << j;
                else
                    ASSERT_NEAR(pixel[ch], expected[static_cast<std::size_t>(ch)], 1.0)
                        << "pixel " << i << ", " << j;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Lenses, FramesAgainstTheModel,
    ::testing::Values(FramesCase { 2, false, 1 }, FramesCase { 7, false, 1, true },
        FramesCase { 12, false, 1, false, 0.1L }, FramesCase { 32, false, 1 }, FramesCase { 2, true, 1 },
        FramesCase { 7, true, 1, true }, FramesCase { 12, true, 1 }, FramesCase { 32, true, 1, false, 0.05L },
        // Fractional periods mix the strips a pixel covers by their areas.
        FramesCase { 12, false, 1.37L }, FramesCase { 7, true, 1.37L, true },
        FramesCase { 32, false, 1.61L, false, 0.1L }),
    [](const ::testing::TestParamInfo<FramesCase>& info) {
        const FramesCase& c = info.param;
        return std::to_string(c.frames) + (c.horizontal ? "Horizontal" : "Vertical")
            + (c.periodFactor == 1 ? "Auto" : "Fractional") + (c.reverse ? "Reversed" : "")
            + (c.bleedInches > 0 ? "Bled" : "");
    });

} // namespace
} // namespace deptrix
