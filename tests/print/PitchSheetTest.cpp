// The pitch test sheet: one band per candidate pitch (or phase), each with its own
// strip period, a readable label and white gaps between.

#include "PrintTestSupport.h"
#include "print/PitchTest.h"

#include <cmath>
#include <gtest/gtest.h>

namespace deptrix {
namespace {

using test::Folder;
using test::TestProgress;

/// The strip period of one row from the left edges of its white strips (edges
/// found from the coverage of their first pixels), by a straight-line fit.
double MeasuredPeriod(const std::uint8_t* row, std::int64_t from, std::int64_t to) {
    std::vector<double> edges;
    bool inside = true; // skip a strip cut by `from`
    for (std::int64_t x = from; x < to; ++x) {
        const bool white = row[x * 3] > 0;
        if (white && !inside) edges.push_back(static_cast<double>(x) + 1 - row[x * 3] / 255.0);
        inside = white;
    }
    const double n = static_cast<double>(edges.size());
    double meanI = (n - 1) / 2, meanE = 0, num = 0, den = 0;
    for (const double e : edges) meanE += e / n;
    for (std::size_t i = 0; i < edges.size(); ++i) {
        num += (static_cast<double>(i) - meanI) * (edges[i] - meanE);
        den += (static_cast<double>(i) - meanI) * (static_cast<double>(i) - meanI);
    }
    return num / den;
}

TEST(PitchSheet, EveryBandHasItsOwnPeriodAndALabel) {
    Folder folder;
    PitchTestSettings settings;
    settings.lpi = 400000;
    settings.dpi = 7200000;
    settings.span = 2000;
    settings.step = 1000;
    settings.widthInches = 20;
    settings.heightInches = 2;
    const PitchSheet sheet = LayOutPitchSheet(settings);
    ASSERT_EQ(sheet.bands.size(), 5u);
    EXPECT_EQ(sheet.bands.front().label, "39.8");
    EXPECT_EQ(sheet.bands.back().label, "40.2");

    TestProgress progress;
    WritePitchTestSheet(settings, folder / "pitch.tif", progress);
    const test::TiffFile file = test::ReadTiff(folder / "pitch.tif");
    ASSERT_EQ(file.width, 14400u);
    ASSERT_EQ(file.height, 1440u);
    EXPECT_FLOAT_EQ(file.xResolution, 720.0f);
    EXPECT_FLOAT_EQ(file.yResolution, 720.0f);

    for (const PitchBand& band : sheet.bands) {
        const auto middle = static_cast<std::uint32_t>(band.firstRow + band.rows / 2);
        // Right of the label the band is interlaced at its own pitch.
        const double period = MeasuredPeriod(file.row(middle), 2000, file.width);
        EXPECT_NEAR(period / (720.0 / FromFixed(band.lpi)), 1.0, 1e-6) << band.label;
        // The label: a white box holding black text at the band's left.
        int black = 0, white = 0;
        for (std::int64_t x = 0; x < 300; ++x) {
            const std::uint8_t v = file.row(middle)[x * 3];
            black += v == 0;
            white += v == 255;
        }
        EXPECT_GT(black, 0) << band.label;
        EXPECT_GT(white, 0) << band.label;
        // The row just below a band (but the last) is a white gap.
        if (&band != &sheet.bands.back()) {
            const std::uint8_t* gap = file.row(static_cast<std::uint32_t>(band.firstRow + band.rows));
            EXPECT_TRUE(std::all_of(gap, gap + file.width * 3, [](std::uint8_t v) { return v == 255; }));
        }
    }
}

TEST(PitchSheet, PhaseTestShiftsTheStripsByTenthsOfALens) {
    PitchTestSettings settings;
    settings.lpi = 400000;
    settings.dpi = 2800000; // 7 pixels per lens, one per strip
    settings.widthInches = 2;
    settings.heightInches = 3;
    settings.phaseTest = true;
    const PitchSheet sheet = LayOutPitchSheet(settings);
    ASSERT_EQ(sheet.bands.size(), 11u);
    EXPECT_EQ(sheet.bands[0].phase, -5000);
    EXPECT_EQ(sheet.bands[0].label, "PH -0.5");
    EXPECT_EQ(sheet.bands[5].label, "PH 0");
    EXPECT_EQ(sheet.bands[10].label, "PH +0.5");

    Folder folder;
    TestProgress progress;
    WritePitchTestSheet(settings, folder / "phase.tif", progress);
    const test::TiffFile file = test::ReadTiff(folder / "phase.tif");
    // The white strip's left edge moves right by 0.7 pixels per band.
    auto firstEdge = [&](const PitchBand& band) {
        const std::uint8_t* row = file.row(static_cast<std::uint32_t>(band.firstRow + band.rows / 2));
        for (std::uint32_t x = 300; x < file.width; ++x)
            if (row[x * 3] > 0 && row[(x - 1) * 3] == 0) return x + 1 - row[x * 3] / 255.0;
        return -1.0;
    };
    const double start = firstEdge(sheet.bands[0]);
    for (std::size_t i = 1; i < 10; ++i)
        EXPECT_NEAR(std::fmod(firstEdge(sheet.bands[i]) - start + 70, 7.0), std::fmod(0.7 * i, 7.0), 0.01)
            << i;
}

TEST(PitchSheet, TheNominalPitchHasTheMiddleBandAndAllBandsStartInOneColumn) {
    PitchTestSettings settings;
    settings.lpi = 400000;
    settings.span = 5000;
    settings.step = 3000; // does not divide the span: whole steps either side of 40
    EXPECT_EQ(LayOutPitchSheet(settings).bands.size(), 3u);
    EXPECT_EQ(LayOutPitchSheet(settings).bands[0].label, "39.7");
    EXPECT_EQ(LayOutPitchSheet(settings).bands[1].label, "40");
    EXPECT_EQ(LayOutPitchSheet(settings).bands[2].label, "40.3");

    // Phase labels differ in length ("PH 0", "PH -0.5"); their white boxes must not.
    settings.dpi = 7200000;
    settings.widthInches = 2;
    settings.heightInches = 3;
    settings.phaseTest = true;
    Folder folder;
    TestProgress progress;
    WritePitchTestSheet(settings, folder / "phase.tif", progress);
    const test::TiffFile file = test::ReadTiff(folder / "phase.tif");
    std::uint32_t shortest = file.width, longest = 0;
    for (const PitchBand& band : LayOutPitchSheet(settings).bands) {
        // The band's first row holds no text: white up to where the strips begin.
        const std::uint8_t* row = file.row(static_cast<std::uint32_t>(band.firstRow));
        std::uint32_t white = 0;
        while (white < file.width && row[white * 3] == 255) ++white;
        shortest = std::min(shortest, white);
        longest = std::max(longest, white);
    }
    // A white strip right after a box may lengthen its run by a strip (18 / 7 pixels).
    EXPECT_LE(longest - shortest, 3u);
    EXPECT_GT(shortest, 40u);
}

TEST(PitchSheet, RefusesSheetsItCannotLayOut) {
    PitchTestSettings settings;
    settings.step = 0;
    EXPECT_THROW(LayOutPitchSheet(settings), Error);
    settings.step = 1;
    EXPECT_THROW(LayOutPitchSheet(settings), Error); // 10001 bands
    settings.step = 500;
    settings.heightInches = 0.1L;
    EXPECT_THROW(LayOutPitchSheet(settings), Error); // 21 bands in 72 rows
}

} // namespace
} // namespace deptrix
