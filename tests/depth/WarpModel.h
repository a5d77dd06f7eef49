#pragma once

// The warp of a layer written out with the formula of each target, for checking the
// warp of the views and of prints with any number of frames.

#include "core/Bitmap.h"
#include "core/Fixed.h"
#include "render/FrameSet.h"

#include <algorithm>
#include <cstdint>

namespace deptrix::test {

/// Round(i + a / d) with ties to even, in integers.
inline std::int64_t ExactTarget(std::int64_t i, __int128 a, __int128 d) {
    __int128 q = a / d, r = a % d;
    if (r < 0) {
        q -= 1;
        r += d;
    }
    const std::int64_t t = i + static_cast<std::int64_t>(q);
    return 2 * r > d || (2 * r == d && t % 2 != 0) ? t + 1 : t;
}

/// The row rule written out: source column i of a row of `width` goes to column
/// targetOf(i), the gap before it filled from the column whose side it lies on;
/// write(column, from) for every column written (also beyond the row: the caller
/// leaves those out). Columns beyond the row are skipped: they may lie very far.
template <class TargetOf, class Write>
void MoveByTheRule(std::int64_t width, TargetOf targetOf, Write write) {
    std::int64_t s = 0;
    for (std::int64_t i = 0; i < width; ++i) {
        const std::int64_t t = targetOf(i);
        const std::int64_t d = t - s;
        const std::int64_t first = std::max<std::int64_t>(s + 1, 0);
        if (d > 0 && i >= s) {
            for (std::int64_t c = first; c <= std::min<std::int64_t>(t, width); ++c) write(c, i);
        } else if (d > 0) {
            for (std::int64_t c = first; c <= std::min<std::int64_t>(t - 1, width); ++c) write(c, i - 1);
            write(t, i);
        } else if (i >= s) {
            write(t, i);
        } else {
            continue;
        }
        s = t;
    }
}

/// The warp written out with the formula of each target: in extended precision for
/// the views' whole factors, exactly for the fractions of other frame counts.
struct ReferenceWarp {
    Bitmap picture, mask;
    void view(const Bitmap& source, const Bitmap& sourceMask, const Bitmap& levels, int base, std::int64_t k,
        int v) {
        frame(source, sourceMask, levels, base, k, { 4 - v, 0 });
    }
    /// A denominator of 0 takes the whole factor through long double arithmetic.
    void frame(const Bitmap& source, const Bitmap& sourceMask, const Bitmap& levels, int base, std::int64_t k,
        Ratio factor) {
        const int bpp = source.bytesPerPixel(), w = source.width();
        for (int y = 0; y < source.height(); ++y) {
            auto write = [&](std::int64_t column, std::int64_t from) {
                if (column < 0 || column >= w) return;
                for (int c = 0; c < bpp; ++c)
                    picture.row(y)[column * bpp + c] = source.row(y)[from * bpp + c];
                mask.row(y)[column] = sourceMask.row(y)[from];
            };
            MoveByTheRule(
                w,
                [&](std::int64_t i) -> std::int64_t {
                    const int level = levels.row(y)[i];
                    return factor.denominator == 0
                        ? Round((static_cast<long double>(level - base) * k * factor.numerator + i * 10000.0L)
                            / 10000.0L)
                        : ExactTarget(i, static_cast<__int128>(level - base) * k * factor.numerator,
                            static_cast<__int128>(10000) * factor.denominator);
                },
                write);
        }
    }
};

} // namespace deptrix::test
