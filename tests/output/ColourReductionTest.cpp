#include "TestPictures.h"
#include "core/Error.h"
#include "output/ColourHistogram.h"
#include "output/IndexedFrame.h"
#include "output/NearestColourMap.h"
#include "output/OctreeQuantizer.h"
#include "output/PaletteRefinement.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace deptrix {
namespace {

using testing::Noise;
using testing::Photo;
using testing::Solid;

/// Lowest index among the entries at the smallest squared distance: the slow reference.
int BruteNearest(const GifPalette& palette, int r, int g, int b) {
    int best = -1;
    int bestDistance = 0;
    for (int i = 0; i < 256; ++i) {
        const int dr = palette[i].r - r, dg = palette[i].g - g, db = palette[i].b - b;
        const int d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best;
}

double AbsoluteError(const ColourHistogram& histogram, const GifPalette& palette) {
    double total = 0;
    for (std::size_t i = 0; i < histogram.keys.size(); ++i) {
        std::uint8_t r, g, b;
        ColourOfOctreeKey(histogram.keys[i], r, g, b);
        const PaletteColour& e = palette[BruteNearest(palette, r, g, b)];
        total += (std::abs(e.r - r) + std::abs(e.g - g) + std::abs(e.b - b)) * double(histogram.counts[i]);
    }
    return total;
}

TEST(OctreeKey, RoundTripsEveryColourAndSortsByOctreeBranch) {
    for (int r = 0; r < 256; ++r)
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                std::uint8_t rr, gg, bb;
                ColourOfOctreeKey(OctreeKey(r, g, b), rr, gg, bb);
                if (rr != r || gg != g || bb != b) FAIL() << r << "," << g << "," << b;
            }
    // The top bits of the channels choose the root's child: the key's top three bits.
    EXPECT_EQ(OctreeKey(128, 0, 0) >> 21, 4u);
    EXPECT_EQ(OctreeKey(0, 128, 0) >> 21, 2u);
    EXPECT_EQ(OctreeKey(0, 0, 128) >> 21, 1u);
    EXPECT_LT(OctreeKey(127, 255, 255), OctreeKey(128, 0, 0));
}

TEST(ColourHistogram, CountsEveryPixelOnceInKeyOrder) {
    const Bitmap picture = Photo(37, 23, 1);
    const ColourHistogram histogram = BuildColourHistogram(picture);
    ASSERT_EQ(histogram.keys.size(), histogram.counts.size());
    EXPECT_TRUE(std::is_sorted(histogram.keys.begin(), histogram.keys.end()));
    EXPECT_EQ(std::adjacent_find(histogram.keys.begin(), histogram.keys.end()), histogram.keys.end());
    std::uint64_t pixels = 0;
    for (auto c : histogram.counts) pixels += c;
    EXPECT_EQ(pixels, 37u * 23u);
    std::set<std::uint32_t> distinct;
    for (int y = 0; y < 23; ++y)
        for (int x = 0; x < 37; ++x) {
            const std::uint8_t* p = picture.row(y) + 3 * x;
            distinct.insert(OctreeKey(p[2], p[1], p[0]));
        }
    EXPECT_TRUE(std::equal(distinct.begin(), distinct.end(), histogram.keys.begin(), histogram.keys.end()));
}

TEST(ReduceColours, KeepsAFewColoursExactly) {
    Bitmap picture = Solid(10, 10, 1, 2, 3);
    picture.row(4)[0] = 250; // one pixel of (r 1, g 2, b 250)
    std::vector<PaletteColour> colours = ReduceColours(BuildColourHistogram(picture), 236);
    ASSERT_EQ(colours.size(), 2u);
    EXPECT_NE(std::find(colours.begin(), colours.end(), PaletteColour { 1, 2, 3 }), colours.end());
    EXPECT_NE(std::find(colours.begin(), colours.end(), PaletteColour { 1, 2, 250 }), colours.end());
}

TEST(ReduceColours, MergesEachClusterIntoItsMean) {
    // Two tight clusters far apart, of 3 and 2 colours: with two colours allowed each
    // cluster becomes the pixel-weighted mean of its members.
    Bitmap picture(6, 1, PixelFormat::Bgr24);
    const std::uint8_t rgb[6][3] = { { 10, 10, 10 }, { 10, 10, 10 }, { 12, 10, 10 }, { 10, 13, 10 },
        { 240, 200, 0 }, { 240, 202, 2 } };
    for (int x = 0; x < 6; ++x)
        for (int c = 0; c < 3; ++c) picture.row(0)[3 * x + 2 - c] = rgb[x][c];
    std::vector<PaletteColour> colours = ReduceColours(BuildColourHistogram(picture), 2);
    ASSERT_EQ(colours.size(), 2u);
    std::sort(colours.begin(), colours.end(), [](auto a, auto b) { return a.r < b.r; });
    EXPECT_EQ(colours[0], (PaletteColour { 11, 11, 10 })); // means 10.5, 10.75, 10
    EXPECT_EQ(colours[1], (PaletteColour { 240, 201, 1 }));
    EXPECT_THROW(ReduceColours(BuildColourHistogram(picture), 0), Error);
}

TEST(ReduceColours, NeverGivesMoreColoursThanAllowed) {
    for (int allowed : { 1, 7, 236 })
        for (const Bitmap& picture : { Photo(120, 80, 2), Noise(120, 80, 3) }) {
            const ColourHistogram histogram = BuildColourHistogram(picture);
            const std::vector<PaletteColour> colours = ReduceColours(histogram, allowed);
            EXPECT_LE(colours.size(), static_cast<std::size_t>(allowed));
        }
}

TEST(NearestColourMap, AgreesWithASearchOfAllEntries) {
    std::mt19937 random(17);
    GifPalette crowded = FramePalette({}); // many equal black entries: ties go to the lowest index
    GifPalette spread {};
    for (auto& e : spread) e = { std::uint8_t(random()), std::uint8_t(random()), std::uint8_t(random()) };
    GifPalette clustered {};
    for (auto& e : clustered)
        e = { std::uint8_t(100 + random() % 9), std::uint8_t(random() % 4),
            std::uint8_t(250 + random() % 6) };
    spread[77] = spread[200]; // a duplicate pair
    for (const GifPalette& palette : { crowded, spread, clustered }) {
        NearestColourMap map(palette);
        int wrong = 0;
        auto check = [&](int r, int g, int b) {
            if (map.nearest(std::uint8_t(r), std::uint8_t(g), std::uint8_t(b))
                != BruteNearest(palette, r, g, b))
                ++wrong;
        };
        for (int i = 0; i < 40000; ++i) check(random() & 255, random() & 255, random() & 255);
        for (int r = 0; r < 256; r += 9)
            for (int g = 0; g < 256; g += 7)
                for (int b = 0; b < 256; b += 11) check(r, g, b);
        for (const PaletteColour& e : palette) // right next to the entries, where ties and near ties live
            for (int d = -2; d <= 2; ++d)
                check(std::clamp(e.r + d, 0, 255), e.g, std::clamp(e.b - d, 0, 255));
        EXPECT_EQ(wrong, 0);
    }
}

TEST(NearestColourMap, MapsRowsLikeSinglePixels) {
    const Bitmap picture = Photo(64, 1, 9);
    GifPalette palette = FramePalette(ReduceColours(BuildColourHistogram(Photo(64, 64, 10)), 236));
    NearestColourMap map(palette);
    std::vector<std::uint8_t> indices(64);
    map.mapRow(picture.row(0), 64, indices.data());
    for (int x = 0; x < 64; ++x) {
        const std::uint8_t* p = picture.row(0) + 3 * x;
        EXPECT_EQ(indices[x], BruteNearest(palette, p[2], p[1], p[0])) << "pixel " << x;
    }
}

TEST(RefineFrameColours, LowersTheAbsoluteErrorAndLeavesTheSystemColoursAlone) {
    for (const Bitmap& picture : { Photo(90, 60, 11), Noise(90, 60, 12) }) {
        const ColourHistogram histogram = BuildColourHistogram(picture);
        const GifPalette before = FramePalette(ReduceColours(histogram, kFrameColourCount));
        GifPalette after = before;
        RefineFrameColours(histogram, after, 4);
        EXPECT_TRUE(std::equal(before.begin(), before.begin() + 10, after.begin()));
        EXPECT_TRUE(std::equal(before.end() - 10, before.end(), after.end() - 10));
        EXPECT_LT(AbsoluteError(histogram, after), AbsoluteError(histogram, before) * 0.97);
    }
}

TEST(RefineFrameColours, PutsIdleEntriesOnTheWorstServedColours) {
    // Every frame entry starts as an idle black; the picture has two colours far from
    // every system colour, one of them on a single pixel.
    Bitmap picture = Solid(10, 10, 37, 201, 90);
    picture.row(9)[27] = 3; // blue, green, red of the last pixel
    picture.row(9)[28] = 120;
    picture.row(9)[29] = 250;
    GifPalette palette = FramePalette({});
    RefineFrameColours(BuildColourHistogram(picture), palette, 2);
    const auto has
        = [&](PaletteColour c) { return std::find(palette.begin(), palette.end(), c) != palette.end(); };
    EXPECT_TRUE(has({ 37, 201, 90 }));
    EXPECT_TRUE(has({ 250, 120, 3 }));
}

TEST(RefineFrameColours, KeepsTheColoursOfAPictureWithFewColours) {
    Bitmap picture = Photo(40, 6, 14);
    const ColourHistogram histogram = BuildColourHistogram(picture);
    ASSERT_LE(histogram.keys.size(), 236u);
    GifPalette palette = FramePalette(ReduceColours(histogram, kFrameColourCount));
    RefineFrameColours(histogram, palette, 8);
    EXPECT_EQ(AbsoluteError(histogram, palette), 0.0);
}

TEST(ReduceFrame, MapsEveryPixelToItsNearestEntry) {
    const Bitmap picture = Photo(50, 40, 13);
    const IndexedFrame frame = ReduceFrame(picture);
    ASSERT_EQ(frame.indices.size(), 50u * 40u);
    const auto system = SystemColours();
    EXPECT_TRUE(std::equal(system.begin(), system.begin() + 10, frame.palette.begin()));
    EXPECT_TRUE(std::equal(system.begin() + 10, system.end(), frame.palette.begin() + 246));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const std::uint8_t* p = picture.row(y) + 3 * x;
            ASSERT_EQ(frame.indices[y * 50 + x], BruteNearest(frame.palette, p[2], p[1], p[0]));
        }
}

} // namespace
} // namespace deptrix
