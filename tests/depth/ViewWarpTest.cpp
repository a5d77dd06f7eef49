#include "depth/ViewWarp.h"

#include "DepthTestSupport.h"
#include "TaskThreads.h"
#include "depth/DepthQuantities.h"
#include "depth/WarpModel.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace deptrix {
namespace {

using test::ReferenceWarp;

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

/// Warps the seven views of `warp`, made from these pictures with level `base` staying
/// in place and `k` the shift per level, last view first as the program does, each
/// checked against the formula's model; `label` names the case in a failure.
void ExpectViewsMatchTheFormula(LayerWarp& warp, const Bitmap& source, const Bitmap& mask,
    const Bitmap& levels, int base, std::int64_t k, const std::string& label) {
    ReferenceWarp reference { source, mask };
    NullProgress progress;
    for (int view = 7; view >= 1; --view) {
        warp.warpView(view, 20, progress);
        reference.view(source, mask, levels, base, k, view);
        ASSERT_TRUE(warp.picture().samePixels(reference.picture)) << label << "k " << k << " view " << view;
        ASSERT_TRUE(warp.mask().samePixels(reference.mask)) << label << "k " << k << " view " << view;
    }
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

/// The row rule written out plainly, `bpp` bytes a pixel.
void MoveByTheRule(const std::vector<std::int64_t>& targets, const std::vector<std::uint8_t>& source,
    const std::vector<std::uint8_t>& mask, int bpp, std::vector<std::uint8_t>& out,
    std::vector<std::uint8_t>& outMask) {
    const auto w = static_cast<std::int64_t>(targets.size());
    const auto write = [&](std::int64_t column, std::int64_t from) {
        if (column < 0 || column >= w) return;
        for (int c = 0; c < bpp; ++c)
            out[std::size_t(column * bpp + c)] = source[std::size_t(from * bpp + c)];
        outMask[std::size_t(column)] = mask[std::size_t(from)];
    };
    test::MoveByTheRule(
        w, [&](std::int64_t i) { return targets[std::size_t(i)]; }, write);
}

TEST(MoveRowPixels, RandomRowsFollowTheRuleWrittenOut) {
    // Rows whose targets wobble around their columns (runs of one or two columns, gaps
    // of one, pixels hidden), jump anywhere within and beyond the row, or fly off by
    // far more than any picture is wide; buffers of exactly the row's size.
    std::mt19937 random(21);
    for (int bpp : { 1, 3, 4 })
        for (int w : { 1, 2, 3, 40, 700 })
            for (int kind = 0; kind < 4; ++kind) {
                std::vector<std::int64_t> targets(static_cast<std::size_t>(w));
                for (int i = 0; i < w; ++i) {
                    const auto jump = std::int64_t(random() % std::uint32_t(5 * w)) - 2 * w;
                    const std::int64_t wobble = i + std::int64_t(random() % 5) - 2;
                    const std::int64_t huge = (random() % 2 ? 1 : -1) * (std::int64_t { 1 } << 40);
                    targets[std::size_t(i)] = kind == 0 ? wobble
                        : kind == 1                     ? jump
                        : kind == 2                     ? (random() % 8 == 0 ? huge : wobble)
                                                        : i + 3 + (random() % 40 == 0 ? jump : 0);
                }
                std::vector<std::uint8_t> source(static_cast<std::size_t>(w * bpp)),
                    mask(static_cast<std::size_t>(w));
                for (auto& b : source) b = std::uint8_t(random());
                for (auto& b : mask) b = std::uint8_t(random());
                std::vector<std::uint8_t> out(source.size()), outMask(mask.size());
                for (auto& b : out) b = std::uint8_t(random());
                for (auto& b : outMask) b = std::uint8_t(random());
                std::vector<std::uint8_t> expected = out, expectedMask = outMask;
                MoveByTheRule(targets, source, mask, bpp, expected, expectedMask);
                MoveRowPixels(targets, source.data(), mask.data(), bpp, out.data(), outMask.data());
                ASSERT_EQ(out, expected) << bpp << " bytes, width " << w << ", kind " << kind;
                ASSERT_EQ(outMask, expectedMask) << bpp << " bytes, width " << w << ", kind " << kind;
            }
}

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
            ASSERT_NO_FATAL_FAILURE(ExpectViewsMatchTheFormula(warp, source, mask, levels, base, k, ""));
            // The centre view moves nothing, whatever the views before left behind.
            NullProgress progress;
            warp.warpView(4, 20, progress);
            EXPECT_TRUE(warp.picture().samePixels(source));
            EXPECT_TRUE(warp.mask().samePixels(mask));
        }
    }
}

TEST(LayerWarp, SmoothLevelsMatchTheFormula) {
    // Levels that change by one now and then, as a smooth depth map's do: columns of
    // neighbouring levels mostly land side by side, and the shifts per level include
    // ones ending in a half and ones moving rows past both edges.
    std::mt19937 random(11);
    for (std::int64_t k : { std::int64_t { 150 }, std::int64_t { 1250 }, std::int64_t { -5000 } }) {
        const Bitmap source = test::Noise(83, 6, PixelFormat::Bgr24, random);
        const Bitmap mask = test::Noise(83, 6, PixelFormat::Gray8, random);
        Bitmap levels(83, 6, PixelFormat::Gray8);
        for (int y = 0; y < 6; ++y) {
            int level = 100 + int(random() % 56);
            for (int x = 0; x < 83; ++x) {
                level = std::clamp(level + int(random() % 5) - 2, 0, 255);
                levels.row(y)[x] = std::uint8_t(level);
            }
        }
        LayerWarp warp(source, mask, levels, 128, k);
        ASSERT_NO_FATAL_FAILURE(ExpectViewsMatchTheFormula(warp, source, mask, levels, 128, k, ""));
    }
}

TEST(LayerWarp, NoiseForLevelsMatchesTheFormula) {
    // A level drawn afresh at every column: targets jump both ways by many columns,
    // leaving gaps, covering and hiding pixels, also in rows of one and two columns,
    // and with the largest shift far beyond any row.
    std::mt19937 random(17);
    for (PixelFormat format : { PixelFormat::Bgr24, PixelFormat::Cmyk32 })
        for (int width : { 1, 2, 61 })
            for (std::int64_t k : { std::int64_t { 700 }, std::int64_t { -2500 }, std::int64_t { 5000 },
                     std::int64_t { 1 } << 40 }) {
                const Bitmap source = test::Noise(width, 5, format, random);
                const Bitmap mask = test::Noise(width, 5, PixelFormat::Gray8, random);
                const Bitmap levels = test::Noise(width, 5, PixelFormat::Gray8, random);
                LayerWarp warp(source, mask, levels, 120, k);
                ASSERT_NO_FATAL_FAILURE(ExpectViewsMatchTheFormula(
                    warp, source, mask, levels, 120, k, std::to_string(width) + " "));
            }
}

TEST(LayerWarp, WideRowsOfANoisyMapMatchTheFormula) {
    // A depth model's kind of map: a slope with a level or two of noise at every column,
    // over rows wide enough to be moved sixteen columns at a time. The slope runs down
    // to the right, so in half the views the row's far end lands left of columns before
    // it; the largest shift sends some groups' sources further apart than a group spans.
    // In the last two rows a rare column of a far level lands well away from its
    // neighbours, sending the cursor back and forth in the middle of the row.
    std::mt19937 random(29);
    for (PixelFormat format : { PixelFormat::Bgr24, PixelFormat::Cmyk32 })
        for (std::int64_t k :
            { std::int64_t { 800 }, std::int64_t { 2000 }, std::int64_t { 7000 }, std::int64_t { 60000 } }) {
            const int width = 421;
            const Bitmap source = test::Noise(width, 4, format, random);
            const Bitmap mask = test::Noise(width, 4, PixelFormat::Gray8, random);
            Bitmap levels(width, 4, PixelFormat::Gray8);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < width; ++x) {
                    const int level = std::clamp(230 - x / 2 + int(random() % 5) - 2, 0, 255);
                    levels.row(y)[x] = std::uint8_t(y >= 2 && random() % 61 == 0 ? 255 - level : level);
                }
            LayerWarp warp(source, mask, levels, 120, k);
            ASSERT_NO_FATAL_FAILURE(ExpectViewsMatchTheFormula(warp, source, mask, levels, 120, k, ""));
        }
}

TEST(LayerWarp, ColumnsLandingBehindTheCursorNearTheRowsEndMatchTheFormula) {
    // In view 3 each level moves one column per level from 100. The row stands still to
    // column 29, column 30 lands two columns back, and every column after it lands on
    // column 28 too: the cursor is sent back and never again passes column 29, whose
    // pixel must stay the one that landed there first.
    std::mt19937 random(41);
    const int width = 40;
    const Bitmap source = test::Noise(width, 1, PixelFormat::Bgr24, random);
    const Bitmap mask = test::Noise(width, 1, PixelFormat::Gray8, random);
    Bitmap levels(width, 1, PixelFormat::Gray8);
    for (int x = 0; x < width; ++x) levels.row(0)[x] = std::uint8_t(x < 30 ? 100 : x == 30 ? 98 : 128 - x);
    LayerWarp warp(source, mask, levels, 100, 10000);
    ASSERT_NO_FATAL_FAILURE(ExpectViewsMatchTheFormula(warp, source, mask, levels, 100, 10000, ""));
}

/// A padded layer with noise and levels in runs, `width` x `height`.
struct WarpInput {
    Bitmap source, mask, levels;
    WarpInput(PixelFormat format, int width, int height, std::mt19937& random)
        : source(test::Noise(width, height, format, random))
        , mask(test::Noise(width, height, PixelFormat::Gray8, random))
        , levels(width, height, PixelFormat::Gray8) {
        for (int y = 0; y < height; ++y) {
            int level = int(random() % 256);
            for (int x = 0; x < width; ++x) {
                if (random() % 6 == 0) level = int(random() % 256);
                levels.row(y)[x] = std::uint8_t(level);
            }
        }
    }
    /// Row y of frame index q of `warp` as pictures of one row.
    static bool RowIs(const FrameRowWarp& warp, int q, const Bitmap& picture, const Bitmap& mask, int y) {
        const auto bytes = static_cast<std::size_t>(picture.width() * picture.bytesPerPixel());
        return std::equal(warp.picture(q), warp.picture(q) + bytes, picture.row(y))
            && std::equal(warp.mask(q), warp.mask(q) + mask.width(), mask.row(y));
    }
};

TEST(FrameRowWarp, SevenFramesAreTheViewsRowByRow) {
    std::mt19937 random(5);
    for (PixelFormat format : { PixelFormat::Bgr24, PixelFormat::Cmyk32 }) {
        const WarpInput in(format, 61, 7, random);
        const int base = 120;
        const std::int64_t k = 1750; // ends in a half at odd level differences
        LayerWarp views(in.source, in.mask, in.levels, base, k);
        std::vector<Bitmap> pictures, masks;
        NullProgress progress;
        for (int view = 7; view >= 1; --view) {
            views.warpView(view, 20, progress);
            pictures.insert(pictures.begin(), views.picture());
            masks.insert(masks.begin(), views.mask());
        }
        FrameRowWarp frames(FrameSet(7), base, k, in.source.bytesPerPixel(), in.source.width());
        for (int y = 0; y < in.source.height(); ++y) {
            frames.warp(in.source.row(y), in.mask.row(y), in.levels.row(y));
            for (int q = 0; q < 7; ++q)
                ASSERT_TRUE(WarpInput::RowIs(frames, q, pictures[std::size_t(q)], masks[std::size_t(q)], y))
                    << "frame " << q + 1 << " row " << y;
        }
    }
}

TEST(FrameRowWarp, OtherFrameCountsFollowTheFormulaFrameAfterFrame) {
    std::mt19937 random(9);
    for (const int n : { 2, 12, 32 }) {
        const WarpInput in(PixelFormat::Bgr24, 53, 5, random);
        const int base = int(random() % 256);
        const std::int64_t k = 1100 + n;
        ReferenceWarp reference { in.source, in.mask };
        FrameRowWarp frames(FrameSet(n), std::uint8_t(base), k, 3, in.source.width());
        std::vector<Bitmap> pictures(static_cast<std::size_t>(n)), masks(static_cast<std::size_t>(n));
        // From frame N down to 1, each starting from what the one before left.
        for (int frame = n; frame >= 1; --frame) {
            reference.frame(in.source, in.mask, in.levels, base, k, { 3 * (n + 1 - 2 * frame), n - 1 });
            pictures[std::size_t(frame - 1)] = reference.picture;
            masks[std::size_t(frame - 1)] = reference.mask;
        }
        for (int y = 0; y < in.source.height(); ++y) {
            frames.warp(in.source.row(y), in.mask.row(y), in.levels.row(y));
            for (int q = 0; q < n; ++q)
                ASSERT_TRUE(WarpInput::RowIs(frames, q, pictures[std::size_t(q)], masks[std::size_t(q)], y))
                    << n << " frames, frame " << q + 1 << " row " << y;
        }
    }
}

TEST(LayerWarp, RowsWarpedInBandsOnSeveralThreadsMatchTheFormulaAndReportEveryRow) {
    std::mt19937 random(13);
    const WarpInput in(PixelFormat::Bgr24, 47, 101, random); // several bands, the last one short
    const std::int64_t k = 1333;
    ReferenceWarp reference { in.source, in.mask };
    std::vector<int> expected;
    {
        const test::ScopedTaskThreads one(1);
        LayerWarp warp(in.source, in.mask, in.levels, 90, k);
        test::RecordingProgress progress;
        for (int view = 7; view >= 1; --view) warp.warpView(view, 20, progress);
        expected = progress.positions;
    }
    const test::ScopedTaskThreads three(3);
    LayerWarp warp(in.source, in.mask, in.levels, 90, k);
    test::RecordingProgress progress;
    for (int view = 7; view >= 1; --view) {
        warp.warpView(view, 20, progress);
        reference.view(in.source, in.mask, in.levels, 90, k, view);
        ASSERT_TRUE(warp.picture().samePixels(reference.picture)) << "view " << view;
        ASSERT_TRUE(warp.mask().samePixels(reference.mask)) << "view " << view;
    }
    EXPECT_EQ(progress.positions, expected);
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
