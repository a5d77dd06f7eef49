#include "depth/ViewWarp.h"

#include "DepthTestSupport.h"
#include "depth/DepthQuantities.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace deptrix {
namespace {

/// One row of one-byte "pixels" named by letters; the mask byte is the lower case.
std::string Move(const std::vector<std::int64_t>& targets, const std::string& pixels, std::string out) {
    std::string mask = pixels;
    for (char& c : mask) c = char(c - 'A' + 'a');
    std::string outMask = out;
    MoveRowPixels(targets, reinterpret_cast<const std::uint8_t*>(pixels.data()),
        reinterpret_cast<const std::uint8_t*>(mask.data()), 1, reinterpret_cast<std::uint8_t*>(out.data()),
        reinterpret_cast<std::uint8_t*>(outMask.data()));
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i] != '.' && outMask[i] != out[i] - 'A' + 'a')
            return "mask out of step at " + std::to_string(i);
    return out;
}

TEST(MoveRowPixels, StretchesCoversAndDropsAsTheWorkedRowsShow) {
    EXPECT_EQ(Move({ 0, 2, 3, 3, 4, 5 }, "ABCDEF", "......"), "ABBDEF");
    EXPECT_EQ(Move({ 0, 3, 5, 6, 7, 8 }, "ABCDEF", "......"), "ABBBBC");
    // Columns no pixel reaches keep what was there: column 0 when the first target is
    // beyond it, and the columns right of the last target.
    EXPECT_EQ(Move({ 2, 3, 3, 3, 3, 3 }, "ABCDEF", "......"), ".AAF.."); // C hidden, D E F overwrite
    EXPECT_EQ(Move({ -3, -2, -1, 0, 1, 2 }, "ABCDEF", "......"), "DEF...");
    // Two columns with one target: the second overwrites unless the cursor passed it.
    EXPECT_EQ(Move({ 0, 1, 1, 3, 4, 5 }, "ABCDEF", "......"), "ACDDEF");
    EXPECT_EQ(Move({ 0, 3, 3, 4, 5, 6 }, "ABCDEF", "......"), "ABBBDE");
}

/// The warp written out with the formula of each target in extended precision.
struct ReferenceWarp {
    Bitmap picture, mask;
    void view(const Bitmap& source, const Bitmap& sourceMask, const Bitmap& levels, int base, std::int64_t k,
        int v) {
        const int bpp = source.bytesPerPixel(), w = source.width();
        for (int y = 0; y < source.height(); ++y) {
            auto write = [&](std::int64_t column, std::int64_t from) {
                if (column < 0 || column >= w) return;
                for (int c = 0; c < bpp; ++c)
                    picture.row(y)[column * bpp + c] = source.row(y)[from * bpp + c];
                mask.row(y)[column] = sourceMask.row(y)[from];
            };
            std::int64_t s = 0;
            for (std::int64_t i = 0; i < w; ++i) {
                const int level = levels.row(y)[i];
                const std::int64_t t
                    = Round((static_cast<long double>(level - base) * k * (4 - v) + i * 10000.0L) / 10000.0L);
                const std::int64_t d = t - s;
                if (d > 0 && i >= s) {
                    for (std::int64_t c = s + 1; c <= t; ++c) write(c, i);
                } else if (d > 0) {
                    for (std::int64_t c = s + 1; c <= t - 1; ++c) write(c, i - 1);
                    write(t, i);
                } else if (i >= s) {
                    write(t, i);
                } else {
                    continue;
                }
                s = t;
            }
        }
    }
};

TEST(LayerWarp, MatchesTheFormulaViewAfterViewCarryingTheOutputOver) {
    std::mt19937 random(3);
    for (PixelFormat format : { PixelFormat::Bgr24, PixelFormat::Cmyk32 }) {
        for (std::int64_t k :
            { std::int64_t { 1000 }, std::int64_t { 333 }, std::int64_t { 2500 }, std::int64_t { -777 } }) {
            const int base = int(random() % 256);
            const Bitmap source = test::Noise(57, 9, format, random);
            const Bitmap mask = test::Noise(57, 9, PixelFormat::Gray8, random);
            // Smooth-ish levels: runs of one level with ramps between.
            Bitmap levels(57, 9, PixelFormat::Gray8);
            for (int y = 0; y < 9; ++y) {
                int level = int(random() % 256);
                for (int x = 0; x < 57; ++x) {
                    if (random() % 6 == 0) level = int(random() % 256);
                    levels.row(y)[x] = std::uint8_t(level);
                }
            }
            LayerWarp warp(source, mask, levels, std::uint8_t(base), k);
            ReferenceWarp reference { source, mask };
            NullProgress progress;
            for (int view = 7; view >= 1; --view) {
                warp.warpView(view, 20, progress);
                reference.view(source, mask, levels, base, k, view);
                ASSERT_TRUE(warp.picture().samePixels(reference.picture)) << "k " << k << " view " << view;
                ASSERT_TRUE(warp.mask().samePixels(reference.mask)) << "k " << k << " view " << view;
            }
            // The centre view moves nothing, whatever the views before left behind.
            warp.warpView(4, 20, progress);
            EXPECT_TRUE(warp.picture().samePixels(source));
            EXPECT_TRUE(warp.mask().samePixels(mask));
        }
    }
}

TEST(LayerWarp, HalfPixelShiftsAlternateInsideARunOfOneLevel) {
    // Level 99 over base level 100, 5000 per level, view 3 (+1): half a pixel to the
    // left, so targets 4 4 6 6 8 8 from column 4 on, right after the still columns.
    Bitmap source(10, 1, PixelFormat::Bgr24), levels(10, 1, PixelFormat::Gray8);
    for (int x = 0; x < 10; ++x) {
        source.row(0)[3 * x] = std::uint8_t('A' + x);
        levels.row(0)[x] = x < 4 ? 100 : 99;
    }
    LayerWarp warp(source, test::Solid(10, 1, PixelFormat::Gray8, 255), levels, 100, 5000);
    NullProgress progress;
    warp.warpView(3, 20, progress);
    std::string row;
    for (int x = 0; x < 10; ++x) row += char(warp.picture().row(0)[3 * x]);
    EXPECT_EQ(row, "ABCDFGHIJJ");
}

} // namespace
} // namespace deptrix
