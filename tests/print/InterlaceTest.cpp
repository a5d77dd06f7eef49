// The interlacer against slow references: flat views mixed by strip area, the lens
// period over a wide print, symmetry, lens-wide sampling, row resampling, and every
// byte of noise prints against plain loops over the same weights.

#include "PrintTestSupport.h"
#include "print/Interlacer.h"
#include "print/PrintGeometry.h"
#include "print/SampleWeights.h"
#include "print/StripMap.h"
#include "print/ViewRows.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace deptrix {
namespace {

using test::Flat;
using test::Pointers;
using test::PrintOf;

/// Interlaces rows 0 .. rows - 1 of the whole print.
std::vector<std::uint8_t> Interlace(const PrintSettings& settings, std::vector<Bitmap>& views, int rows = 1) {
    const PrintGeometry geometry = MakePrintGeometry(settings);
    BitmapViews source(Pointers(views));
    Interlacer interlacer(geometry, source);
    std::vector<std::uint8_t> out(interlacer.rowBytes() * static_cast<std::size_t>(rows));
    interlacer.makeRows(0, rows, out.data());
    return out;
}

/// The view whose strip covers print position `at`, from the floating-point period:
/// an independent way of reading the lens layout.
int ViewAt(long double at, long double centre, long double period, long double phase, bool reverse) {
    const long double lenses = (at - centre) / period - phase;
    const auto strip = static_cast<std::int64_t>(std::floor(lenses * 7));
    const std::int64_t s = strip - 7 * static_cast<std::int64_t>(std::floor(strip / 7.0L));
    return reverse ? static_cast<int>(s) + 1 : 7 - static_cast<int>(s);
}

/// Column x's colour by sampling 4096 points across it.
std::array<double, 3> Expected(
    std::int64_t x, const std::vector<std::array<int, 4>>& colours, const PrintGeometry& g) {
    constexpr int kSamples = 4096;
    std::array<double, 3> sum {};
    for (int i = 0; i < kSamples; ++i) {
        const long double at = x + (i + 0.5L) / kSamples;
        const int view = ViewAt(at, g.centre, g.period(), FromFixed(g.settings.phase), g.settings.reverse);
        for (int ch = 0; ch < 3; ++ch) sum[ch] += colours[static_cast<std::size_t>(view - 1)][ch];
    }
    for (double& v : sum) v /= kSamples;
    return sum;
}

struct MixCase {
    long double lpi;
    long double dpi;
    long double phase;
    bool reverse;
};

class FlatViews : public ::testing::TestWithParam<MixCase> { };

TEST_P(FlatViews, EveryPixelIsTheAreaWeightedMixOfItsStrips) {
    const MixCase c = GetParam();
    // Seven RGB colours, as red, green, blue; the pictures hold them as blue, green, red.
    std::vector<std::array<int, 4>> colours;
    std::vector<Bitmap> views;
    for (int v = 0; v < 7; ++v) {
        const std::array<int, 4> rgb { 30 * v + 10, 250 - 35 * v, (v * 97) % 256, 0 };
        colours.push_back(rgb);
        views.push_back(Flat(5, 3, PixelFormat::Bgr24,
            { static_cast<std::uint8_t>(rgb[2]), static_cast<std::uint8_t>(rgb[1]),
                static_cast<std::uint8_t>(rgb[0]) }));
    }
    PrintSettings settings = PrintOf(c.lpi, c.dpi, 301, 2);
    settings.phase = ToFixed(c.phase);
    settings.reverse = c.reverse;
    const PrintGeometry geometry = MakePrintGeometry(settings);
    const std::vector<std::uint8_t> print = Interlace(settings, views, 2);

    const bool wholePeriod = std::fabs(geometry.period() - 7) < 1e-12 && c.phase == 0;
    for (std::int64_t x = 0; x < geometry.width; ++x) {
        const std::array<double, 3> expected = Expected(x, colours, geometry);
        for (int ch = 0; ch < 3; ++ch) {
            const int got = print[static_cast<std::size_t>(x * 3 + ch)];
            EXPECT_NEAR(got, expected[ch], 1.0) << "column " << x << " channel " << ch;
            // The second row is the same: rows of flat views do not change.
            EXPECT_EQ(print[static_cast<std::size_t>((geometry.width + x) * 3 + ch)], got);
        }
        if (wholePeriod) {
            // A whole-number period puts exactly one view in every column.
            const int view = ViewAt(x + 0.5L, geometry.centre, 7, 0, c.reverse);
            for (int ch = 0; ch < 3; ++ch)
                ASSERT_EQ(print[static_cast<std::size_t>(x * 3 + ch)],
                    colours[static_cast<std::size_t>(view - 1)][ch]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Periods, FlatViews,
    ::testing::Values(MixCase { 40, 280, 0, false }, MixCase { 40, 280, 0, true },
        MixCase { 40, 280, 0.3L, false }, MixCase { 42.4775L, 720, 0, false },
        MixCase { 42.4775L, 720, 0.3L, false }, MixCase { 42.4775L, 720, 0.3L, true },
        MixCase { 42.4775L, 720, -0.5L, true },
        // Strips narrower than a pixel.
        MixCase { 100, 300, 0.1L, false }));

TEST(FlatViews, CmykViewsGiveInkInViewOrder) {
    // Stored bytes are 255 - ink; the print holds the ink.
    std::vector<Bitmap> views;
    for (int v = 0; v < 7; ++v)
        views.push_back(Flat(2, 2, PixelFormat::Cmyk32,
            { static_cast<std::uint8_t>(255 - 10 * v), 200, static_cast<std::uint8_t>(100 + v), 0 }));
    const std::vector<std::uint8_t> print = Interlace(PrintOf(40, 280, 14, 1), views);
    ASSERT_EQ(print.size(), 14u * 4);
    // Centre column 7 starts a lens: the left strip shows view 7.
    for (int x = 0; x < 14; ++x) {
        const int view = 7 - ((x - 7 + 14) % 7);
        EXPECT_EQ(print[static_cast<std::size_t>(x * 4)], 10 * (view - 1)) << x;
        EXPECT_EQ(print[static_cast<std::size_t>(x * 4 + 1)], 55);
        EXPECT_EQ(print[static_cast<std::size_t>(x * 4 + 2)], 155 - (view - 1));
        EXPECT_EQ(print[static_cast<std::size_t>(x * 4 + 3)], 255);
    }
}

TEST(LensGeometry, PeriodOverAWidePrintIsExactAndCentred) {
    // View 1 white, the others black: one white strip, a seventh of a lens wide, per lens.
    std::vector<Bitmap> views(7, Flat(3, 1, PixelFormat::Bgr24, { 0, 0, 0 }));
    views[0] = Flat(3, 1, PixelFormat::Bgr24, { 255, 255, 255 });
    const PrintSettings settings = PrintOf(42.4775L, 720, 30000, 1);
    const PrintGeometry geometry = MakePrintGeometry(settings);
    ASSERT_EQ(geometry.width, 30000);
    const std::vector<std::uint8_t> print = Interlace(settings, views);

    // The edges of every white strip from the coverage of its end pixels.
    std::vector<double> lefts, rights;
    std::int64_t first = -1;
    for (std::int64_t x = 0; x <= geometry.width; ++x) {
        const bool white = x < geometry.width && print[static_cast<std::size_t>(x * 3)] > 0;
        if (white && first < 0) first = x;
        if (white || first < 0) continue;
        const double v0 = print[static_cast<std::size_t>(first * 3)] / 255.0;
        const double v1 = print[static_cast<std::size_t>((x - 1) * 3)] / 255.0;
        lefts.push_back(static_cast<double>(first) + 1 - v0);
        rights.push_back(static_cast<double>(x - 1) + v1);
        first = -1;
    }
    // Leave out strips cut by the print's edges.
    lefts.erase(lefts.begin());
    rights.erase(rights.begin());
    lefts.pop_back();
    rights.pop_back();
    const long double P = geometry.period();
    for (std::size_t i = 0; i < lefts.size(); ++i) ASSERT_NEAR(rights[i] - lefts[i], P / 7, 0.01) << i;

    const double n = static_cast<double>(lefts.size());
    const double meanI = (n - 1) / 2;
    double meanEdge = 0;
    for (const double e : lefts) meanEdge += e / n;
    double num = 0, den = 0;
    for (std::size_t i = 0; i < lefts.size(); ++i) {
        num += (static_cast<double>(i) - meanI) * (lefts[i] - meanEdge);
        den += (static_cast<double>(i) - meanI) * (static_cast<double>(i) - meanI);
    }
    EXPECT_GT(n, 1700);
    EXPECT_NEAR(num / den / (720 / 42.4775), 1.0, 1e-6);
    // At phase 0 a lens edge sits on the centre, so a strip of view 1 ends there.
    EXPECT_TRUE(std::any_of(rights.begin(), rights.end(),
        [&](double r) { return std::fabs(r - static_cast<double>(geometry.centre)) < 0.01; }));
}

TEST(LensGeometry, PatternIsSymmetricAboutTheCentreAtPhaseZero) {
    // Views v and 8 - v alike: mirroring the print swaps them, so it must look the same.
    std::vector<Bitmap> views;
    for (int v = 1; v <= 7; ++v) {
        const auto level = static_cast<std::uint8_t>(40 * std::abs(v - 4) + 15);
        views.push_back(Flat(4, 1, PixelFormat::Bgr24, { level, level, level }));
    }
    for (const std::int64_t width : { 4000, 4001 }) {
        const PrintSettings settings = PrintOf(42.4775L, 720, width, 1);
        const PrintGeometry geometry = MakePrintGeometry(settings);
        const std::vector<std::uint8_t> print = Interlace(settings, views);
        const std::int64_t c = geometry.centre;
        for (std::int64_t x = 0; x < 2 * c; ++x)
            ASSERT_NEAR(print[static_cast<std::size_t>(x * 3)],
                print[static_cast<std::size_t>((2 * c - 1 - x) * 3)], 1)
                << "width " << width << " column " << x;
    }
}

TEST(LensSampling, EachViewIsAveragedOverTheLensItLiesUnder) {
    // Source and print of the same width with seven pixels per lens: lens k covers
    // picture columns [350 + 7k, 357 + 7k). Each view is a ramp of its own offset,
    // and fine stripes that a single sample per pixel would alias.
    std::vector<Bitmap> views;
    for (int v = 0; v < 7; ++v) {
        Bitmap view(700, 1, PixelFormat::Bgr24);
        for (int x = 0; x < 700; ++x) {
            view.row(0)[x * 3 + 2] = static_cast<std::uint8_t>(x * 200 / 700 + 5 * v); // red: ramp
            view.row(0)[x * 3 + 1] = x % 2 ? 255 : 0; // green: stripes
            view.row(0)[x * 3 + 0] = 0;
        }
        views.push_back(std::move(view));
    }
    const std::vector<std::uint8_t> print = Interlace(PrintOf(40, 280, 700, 1), views);
    for (int x = 0; x < 700; ++x) {
        const int lensStart = 350 + 7 * static_cast<int>(std::floor((x - 350) / 7.0));
        const int view = 7 - (x - lensStart);
        double ramp = 0;
        for (int s = lensStart; s < lensStart + 7; ++s) ramp += s * 200 / 700 + 5 * (view - 1);
        EXPECT_NEAR(print[static_cast<std::size_t>(x * 3)], ramp / 7, 0.51) << "column " << x;
        // Seven columns hold three or four white stripes: never pure black or white.
        const int stripes = print[static_cast<std::size_t>(x * 3 + 1)];
        EXPECT_TRUE(stripes == 109 || stripes == 146) << "column " << x << ": " << stripes;
    }
}

TEST(RowResampling, ReducesByAreaAndEnlargesSmoothly) {
    // Reducing: rows 0, 255, 0, 255 averaged in pairs.
    Bitmap stripes(1, 4, PixelFormat::Bgr24);
    stripes.fill(0);
    for (int y = 1; y < 4; y += 2) std::fill(stripes.row(y), stripes.row(y) + 3, 255);
    std::vector<Bitmap> views(7, stripes);
    const std::vector<std::uint8_t> reduced = Interlace(PrintOf(40, 280, 7, 2), views, 2);
    for (const std::uint8_t v : reduced) EXPECT_NEAR(v, 127.5, 0.5);

    // Enlarging: two rows, 0 over 240, become a ramp over sixteen rows, not a step.
    Bitmap two(1, 2, PixelFormat::Bgr24);
    two.fill(0);
    std::fill(two.row(1), two.row(1) + 3, 240);
    std::vector<Bitmap> tall(7, two);
    const std::vector<std::uint8_t> enlarged = Interlace(PrintOf(40, 280, 7, 16), tall, 16);
    int previous = -1;
    for (int r = 0; r < 16; ++r) {
        const int v = enlarged[static_cast<std::size_t>(r * 7 * 3)];
        EXPECT_GE(v, previous) << "row " << r;
        if (previous >= 0) {
            EXPECT_LE(v - previous, 240 / 5) << "row " << r;
        }
        previous = v;
    }
    EXPECT_LE(enlarged[0], 10);
    EXPECT_GE(enlarged[15 * 7 * 3], 230);
}

TEST(RowResampling, BandsMadeByTwoInterlacersInTurnEqualOneRun) {
    // Noise enlarged five times and reduced, with a bleed: rows of a band repeat where
    // they mix the same source rows, and each interlacer skips the other's bands.
    std::mt19937 random(7);
    std::vector<Bitmap> views;
    for (int v = 0; v < 7; ++v) {
        Bitmap view(30, 20, PixelFormat::Bgr24);
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 90; ++x) view.row(y)[x] = static_cast<std::uint8_t>(random());
        views.push_back(std::move(view));
    }
    for (const std::int64_t rows : { 100, 13 }) {
        PrintSettings settings = PrintOf(40, 280, 150, rows);
        settings.bleedInches = 3.0L / 280;
        const PrintGeometry geometry = MakePrintGeometry(settings);
        BitmapViews source(Pointers(views));
        Interlacer whole(geometry, source);
        std::vector<std::uint8_t> expected(
            whole.rowBytes() * static_cast<std::size_t>(geometry.bledHeight()));
        whole.makeRows(0, static_cast<int>(geometry.bledHeight()), expected.data());

        Interlacer even(geometry, source), odd(geometry, source);
        std::vector<std::uint8_t> banded(expected.size());
        constexpr int kBand = 7;
        for (std::int64_t first = 0, band = 0; first < geometry.bledHeight(); first += kBand, ++band) {
            const auto count = static_cast<int>(std::min<std::int64_t>(kBand, geometry.bledHeight() - first));
            (band % 2 ? odd : even).makeRows(first, count, banded.data() + first * whole.rowBytes());
        }
        EXPECT_TRUE(banded == expected) << rows << " rows";
    }
}

/// The whole bled print in plain loops over the interlacer's weight tables (lens
/// sampling, row resampling, strip map), every sum in the interlacer's order, so the
/// bytes must be the same however the interlacer arranges its work.
std::vector<std::uint8_t> PlainPrint(const PrintGeometry& g, const std::vector<Bitmap>& views) {
    const bool cmyk = views[0].format() == PixelFormat::Cmyk32;
    const int channels = cmyk ? 4 : 3;
    const auto frames = static_cast<int>(views.size());
    const int width = views[0].width();
    const int height = views[0].height();
    const StripMap strips(g);
    const LensGrid grid = g.grid();
    const std::size_t lensFloats = static_cast<std::size_t>(strips.lensCount() * frames * channels);
    const auto valueAt = [&](std::int64_t lens, int frame, int c) {
        return static_cast<std::size_t>((lens * frames + frame) * channels + c);
    };

    // Per source row: every lens's average of every frame, in print channel order.
    std::vector<std::vector<float>> lensRows(
        static_cast<std::size_t>(height), std::vector<float>(lensFloats));
    const long double across = static_cast<long double>(width) / static_cast<long double>(g.width);
    SpanWeights taps;
    for (std::int64_t i = 0; i < strips.lensCount(); ++i) {
        const std::int64_t lens = strips.firstLens() + i;
        WeighSpan(width, grid.lensEdge(lens) * across, grid.lensEdge(lens + 1) * across, taps);
        for (int y = 0; y < height; ++y)
            for (int f = 0; f < frames; ++f)
                for (int c = 0; c < channels; ++c) {
                    const int stored = cmyk ? c : 2 - c; // the pictures hold blue, green, red
                    float sum = 0;
                    for (std::size_t t = 0; t < taps.weights.size(); ++t)
                        sum += taps.weights[t]
                            * static_cast<float>(views[static_cast<std::size_t>(f)].row(
                                y)[(taps.first + static_cast<int>(t)) * channels + stored]);
                    lensRows[static_cast<std::size_t>(y)][valueAt(i, f, c)] = cmyk ? 255.0f - sum : sum;
                }
    }

    const long double down = static_cast<long double>(height) / static_cast<long double>(g.height);
    std::vector<std::uint8_t> print;
    std::vector<float> mixed(lensFloats);
    for (std::int64_t row = 0; row < g.bledHeight(); ++row) {
        const std::int64_t r = row - g.bleedRows;
        WeighSpan(height, static_cast<long double>(r) * down, static_cast<long double>(r + 1) * down, taps);
        for (std::size_t k = 0; k < lensFloats; ++k) {
            float sum = 0;
            for (std::size_t t = 0; t < taps.weights.size(); ++t)
                sum += taps.weights[t] * lensRows[static_cast<std::size_t>(taps.first) + t][k];
            mixed[k] = taps.weights.size() == 1 ? lensRows[static_cast<std::size_t>(taps.first)][k] : sum;
        }
        for (std::int64_t x = 0; x < strips.size(); ++x)
            for (int c = 0; c < channels; ++c) {
                float sum = 0;
                for (const StripMap::Piece* piece = strips.begin(x); piece != strips.end(x); ++piece)
                    sum += mixed[valueAt(piece->lens, piece->frame, c)] * piece->weight;
                print.push_back(ToByte(sum));
            }
    }
    return print;
}

struct NoiseCase {
    long double lpi;
    long double dpi;
    std::int64_t columns;
    std::int64_t rows;
    int sourceWidth;
    int sourceHeight;
    int frames;
    PixelFormat format;
    long double phase = 0;
    long double bleedInches = 0;
};

class NoisePrints : public ::testing::TestWithParam<NoiseCase> { };

TEST_P(NoisePrints, EveryByteIsThePlainLoopsByte) {
    const NoiseCase c = GetParam();
    std::mt19937 random(11);
    std::vector<Bitmap> views;
    for (int f = 0; f < c.frames; ++f) {
        Bitmap view(c.sourceWidth, c.sourceHeight, c.format);
        for (int y = 0; y < c.sourceHeight; ++y)
            for (int k = 0; k < c.sourceWidth * view.bytesPerPixel(); ++k)
                view.row(y)[k] = static_cast<std::uint8_t>(random());
        views.push_back(std::move(view));
    }
    PrintSettings settings = PrintOf(c.lpi, c.dpi, c.columns, c.rows);
    settings.frames = c.frames;
    settings.phase = ToFixed(c.phase);
    settings.bleedInches = c.bleedInches;
    const PrintGeometry geometry = MakePrintGeometry(settings);
    std::vector<const Bitmap*> pointers;
    for (const Bitmap& view : views) pointers.push_back(&view);
    BitmapViews source(pointers);
    const std::vector<std::uint8_t> expected = PlainPrint(geometry, views);
    for (const VectorWidth width : { VectorWidth::Best, VectorWidth::Narrow }) {
        Interlacer interlacer(geometry, source, width);
        std::vector<std::uint8_t> print(
            interlacer.rowBytes() * static_cast<std::size_t>(geometry.bledHeight()));
        interlacer.makeRows(0, static_cast<int>(geometry.bledHeight()), print.data());
        ASSERT_EQ(print.size(), expected.size());
        const auto differ = std::mismatch(print.begin(), print.end(), expected.begin());
        EXPECT_TRUE(differ.first == print.end())
            << "first difference at byte " << (differ.first - print.begin()) << " of " << print.size()
            << (width == VectorWidth::Best ? "" : " (narrow)");
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, NoisePrints,
    ::testing::Values(
        // Enlarged five times down (two rows mixed) and about four times across, with a bleed.
        NoiseCase { 40, 280, 150, 55, 37, 11, 7, PixelFormat::Bgr24, 0, 3.0L / 280 },
        // Reduced, strips of fractional width at a phase: columns across strip edges.
        NoiseCase { 42.4775L, 720, 203, 13, 260, 40, 7, PixelFormat::Bgr24, 0.3L },
        // Strips narrower than a pixel, ink.
        NoiseCase { 100, 300, 61, 9, 20, 9, 7, PixelFormat::Cmyk32, -0.2L, 2.0L / 300 },
        // Twelve frames, ink, one source row to many print rows.
        NoiseCase { 20, 500, 97, 17, 50, 3, 12, PixelFormat::Cmyk32, 0.1L }));

TEST(PrintGeometryRules, SizeResolutionAndRefusals) {
    PrintSettings s;
    s.lpi = 424775;
    s.dpi = s.lpi * 7; // (Auto)
    s.widthInches = 12;
    s.heightInches = 9;
    s.hScale = 8;
    const PrintGeometry g = MakePrintGeometry(s);
    EXPECT_EQ(g.width, Round(12 * 297.3425L));
    EXPECT_EQ(g.height, Round(9 * 297.3425L / 8));
    EXPECT_DOUBLE_EQ(static_cast<double>(g.yResolution), 297.3425 / 8);
    EXPECT_DOUBLE_EQ(static_cast<double>(g.period()), 7.0);

    // Out of range, a lens narrower than a pixel, no pixels, too many pixels.
    for (const auto& change : std::vector<std::function<void(PrintSettings&)>> {
             [](PrintSettings& b) { b.lpi = 0; }, [](PrintSettings& b) { b.dpi = b.lpi / 2; },
             [](PrintSettings& b) { b.phase = 5001; }, [](PrintSettings& b) { b.widthInches = 0; },
             [](PrintSettings& b) { b.hScale = 0; }, [](PrintSettings& b) { b.widthInches = 1e6; } }) {
        PrintSettings bad = s;
        change(bad);
        EXPECT_THROW(MakePrintGeometry(bad), Error);
    }
    // A range message states the range with its ends and the value held.
    PrintSettings bad = s;
    bad.lpi = 0;
    try {
        MakePrintGeometry(bad);
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), "the LPI must be above 0 and at most 1000 (it is 0)");
    }
}

TEST(PrintGeometryRules, HeightFollowsTheSourcesPixelsAndMarksWidenThePage) {
    // 30000 pixels across from 1600 x 1200 are 22500 rows, not the 22501 of the
    // height field's 4-decimal proportions.
    PrintSettings s;
    s.lpi = 400000;
    s.dpi = 12000000;
    s.widthInches = 25;
    s.heightInches = 25 / 1.3333L;
    EXPECT_EQ(MakePrintGeometry(s).height, 22501);
    s.sourceWidth = 1600;
    s.sourceHeight = 1200;
    EXPECT_EQ(MakePrintGeometry(s).height, 22500);
    s.hScale = 8; // 2812.5 rows: ties go to the even neighbour
    EXPECT_EQ(MakePrintGeometry(s).height, 2812);
    // Horizontal lenses keep the rows and compress the columns.
    s.lens = LensOrientation::Horizontal;
    const PrintGeometry h = MakePrintGeometry(s);
    EXPECT_EQ(h.width, 3750);
    EXPECT_EQ(h.height, 22500);
    EXPECT_EQ(h.centre, 11250);
    // A margin of 0.25 inch (at 150 columns and 1200 rows an inch) and a bleed
    // inside it; without marks the bleed alone.
    s.marks = true;
    s.bleedInches = 0.125L;
    const PrintGeometry marked = MakePrintGeometry(s);
    EXPECT_EQ(marked.pageWidth(), 3750 + 2 * 38);
    EXPECT_EQ(marked.pageHeight(), 22500 + 2 * 300);
    EXPECT_EQ(marked.bleedRows, 150);
    s.marks = false;
    EXPECT_EQ(MakePrintGeometry(s).pageWidth(), 3750 + 2 * 19);

    const auto refusal = [&](auto change) {
        PrintSettings bad = s;
        change(bad);
        try {
            MakePrintGeometry(bad);
        } catch (const Error& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    EXPECT_EQ(refusal([](PrintSettings& b) { b.frames = 65; }),
        "frames 65: the frame count must be at least 2 and at most 64");
    EXPECT_EQ(refusal([](PrintSettings& b) { b.bleedInches = 0.6L; }),
        "bleed 0.6: the bleed must be at least 0 and at most 0.5 inches");
    EXPECT_EQ(refusal([](PrintSettings& b) {
        b.marks = true;
        b.marginInches = 0.05L;
    }),
        "margin 0.05: the margin must be at least 0.1 and at most 2 inches");
    EXPECT_EQ(refusal([](PrintSettings& b) {
        b.marks = true;
        b.bleedInches = 0.2L;
    }),
        "bleed 0.2: the bleed must be at least 0 and at most 0.125 inches, half the margin, to leave room "
        "for "
        "the marks");
}

} // namespace
} // namespace deptrix
