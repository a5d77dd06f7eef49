#include "depth/ViewWarp.h"

#include "core/Error.h"
#include "core/Fixed.h"
#include "core/TaskPool.h"
#include "depth/DepthQuantities.h"
#include "depth/GatherRow.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace deptrix {

namespace {

// Shifts beyond this many 1/10000 pixels land far outside any picture; holding them
// there keeps the arithmetic within 64 bits without changing what is written.
constexpr std::int64_t kFarShift = std::int64_t { 1 } << 50;

// Whole shifts beyond this many columns are held there, keeping targets in 32 bits.
constexpr std::int64_t kFarColumns = std::int64_t { 1 } << 20;
static_assert(kFarColumns > 2 * std::int64_t { kMaxBitmapSide });

// Runs of this many columns or more are copied by memcpy, shorter ones in place.
constexpr std::int64_t kShortRun = 16;

template <int Bytes> struct Row {
    const std::uint8_t* source;
    const std::uint8_t* sourceMask;
    std::uint8_t* out;
    std::uint8_t* outMask;
    std::int64_t last; // the last column

    void put(std::int64_t column, std::int64_t from) const {
        if (column < 0 || column > last) return;
        const std::uint8_t* pixel = source + from * Bytes;
        std::uint8_t* to = out + column * Bytes;
        for (int c = 0; c < Bytes; ++c) to[c] = pixel[c];
        outMask[column] = sourceMask[from];
    }

    void fill(std::int64_t first, std::int64_t end, std::int64_t from) const {
        first = std::max<std::int64_t>(first, 0);
        end = std::min(end, last);
        if (first > end) return;
        const std::uint8_t* pixel = source + from * Bytes;
        const std::uint8_t m = sourceMask[from];
        for (std::int64_t column = first; column <= end; ++column) {
            std::uint8_t* to = out + column * Bytes;
            for (int c = 0; c < Bytes; ++c) to[c] = pixel[c];
            outMask[column] = m;
        }
    }

    /// Source columns from .. from + count - 1 to target columns to .. to + count - 1.
    void copy(std::int64_t from, std::int64_t to, std::int64_t count) const {
        if (to < 0) {
            from -= to;
            count += to;
            to = 0;
        }
        count = std::min(count, last + 1 - to);
        if (count <= 0) return;
        if (count >= kShortRun) {
            std::memcpy(out + to * Bytes, source + from * Bytes, static_cast<std::size_t>(count * Bytes));
            std::memcpy(outMask + to, sourceMask + from, static_cast<std::size_t>(count));
            return;
        }
        // Noisy depth breaks rows into runs of a few columns, too short to pay for a call.
        const std::uint8_t* pixel = source + from * Bytes;
        std::uint8_t* at = out + to * Bytes;
        for (std::int64_t k = 0; k < count * Bytes; ++k) at[k] = pixel[k];
        for (std::int64_t k = 0; k < count; ++k) outMask[to + k] = sourceMask[from + k];
    }

    /// `targetOf(i)` is the target of source column i; `runOf(i, t)` how many columns
    /// from i on, whose target is t, have consecutive targets (at least 1).
    template <typename TargetOf, typename RunOf> void move(TargetOf targetOf, RunOf runOf) const {
        std::int64_t s = 0;
        for (std::int64_t i = 0; i <= last;) {
            const std::int64_t t = targetOf(i);
            if (t == s + 1) {
                // A pixel one column after the last target goes there whichever side
                // of the cursor it comes from, and so does the rest of its run.
                const std::int64_t count = runOf(i, t);
                if (count == 1)
                    put(t, i);
                else
                    copy(i, t, count);
                s = t + count - 1;
                i += count;
                continue;
            }
            if (t > s) {
                if (i >= s) {
                    fill(s + 1, t, i);
                } else {
                    // i < s implies i >= 1: s starts at 0 on every row.
                    fill(s + 1, t - 1, i - 1);
                    put(t, i);
                }
                s = t;
            } else if (i >= s) {
                put(t, i);
                s = t;
            }
            ++i;
        }
    }
};

// Over a noisy row the rule's conditions go either way at random, and a branch on
// them would go wrong at about every fourth column; compilers make branches of these
// choices, so on x86-64 they are written as conditional moves.

/// `slot` where a < b, else -1.
inline std::int64_t SlotIfBefore(std::int64_t a, std::int64_t b, std::int64_t slot) {
#if defined(__x86_64__)
    std::int64_t chosen = -1;
    asm("cmpq %[b], %[a]\n\tcmovlq %[slot], %[chosen]"
        : [chosen] "+r"(chosen)
        : [a] "r"(a), [b] "r"(b), [slot] "r"(slot)
        : "cc");
    return chosen;
#else
    return a < b ? slot : -1;
#endif
}

/// Where s <= reach, moves the cursor s to t and returns t, else returns -1.
inline std::int64_t MoveCursor(std::int64_t& s, std::int64_t reach, std::int64_t t) {
#if defined(__x86_64__)
    std::int64_t chosen = -1;
    asm("cmpq %[reach], %[s]\n\tcmovleq %[t], %[chosen]\n\tcmovleq %[t], %[s]"
        : [s] "+r"(s), [chosen] "+r"(chosen)
        : [reach] "r"(reach), [t] "r"(t)
        : "cc");
    return chosen;
#else
    if (s > reach) return -1;
    s = t;
    return t;
#endif
}

/// t where s <= reach, else s + 1: the slot a pixel landing on the cursor s goes to,
/// the one after the cursor where it is hidden.
inline std::int64_t WrittenSlot(std::int64_t s, std::int64_t reach, std::int64_t t) {
#if defined(__x86_64__)
    std::int64_t chosen = s + 1;
    asm("cmpq %[reach], %[s]\n\tcmovleq %[t], %[chosen]"
        : [chosen] "+r"(chosen)
        : [s] "r"(s), [reach] "r"(reach), [t] "r"(t)
        : "cc");
    return chosen;
#else
    return s <= reach ? t : s + 1;
#endif
}

/// i - 1 where s > i, else i: the pixel that fills a gap opened at column i.
inline std::int64_t GapPixel(std::int64_t i, std::int64_t s) {
#if defined(__x86_64__)
    std::int64_t chosen = i;
    asm("cmpq %[i], %[s]\n\tcmovgq %[before], %[chosen]"
        : [chosen] "+r"(chosen)
        : [s] "r"(s), [i] "r"(i), [before] "r"(i - 1)
        : "cc");
    return chosen;
#else
    return s > i ? i - 1 : i;
#endif
}

/// For MoveNoisyRow: every column goes the long way.
struct NoQuickSteps { };

/// Where the pixel of a column lands, and the furthest the cursor may stand for it to
/// be written: max(column, target - 1). Beyond that the pixel is hidden.
struct Landing {
    std::int64_t target;
    std::int64_t reach;
};

/// The row rule once more, for rows whose runs break at nearly every column, as over a
/// depth map with a little noise: there the branches of `move` go one way or the other
/// at random. First each column's last source column is found with conditional moves,
/// writes that the rule skips sent to column -1, then the pixels are fetched once each.
/// landingOf(i, parity of i) gives targets within -(width + 1) .. 2 x width + 1, and
/// `at` has a slot for each of those columns: no target needs holding within the row,
/// as writes beyond it are never read. `top` is the furthest target, or 0 when all lie
/// before column 0: the furthest the cursor goes, as a pixel is hidden only where it
/// lands on or before the cursor, so every column 1 .. top is written.
///
/// Where the targets mostly step on by zero to two columns, `quickSteps` moves the
/// columns whose target lies so close ahead of the cursor by fewer instructions, the
/// cursor simply going to the target, so that no column waits for the one before:
/// quickSteps(i, s, at) moves columns from i on as far as it can, updating the cursor
/// s, and returns the first column it left. The slot after the cursor then takes the
/// gap's pixel whether or not there is a gap, and a hidden pixel goes there too. That
/// slot lies beyond every slot written so far: a later move of the cursor past it
/// writes it again, or it lies beyond the furthest target and is not read. Once a
/// column moves the cursor back, that holds again only when the cursor is back on the
/// furthest slot written; until then the columns go the long way. NoQuickSteps moves
/// every column the long way.
template <int Bytes, typename LandingOf, typename QuickSteps>
void MoveNoisyRow(
    const Row<Bytes>& row, LandingOf landingOf, std::int64_t top, std::int32_t* at, QuickSteps quickSteps) {
    const std::int64_t width = row.last + 1;
    at[0] = -1; // reached only by a pixel that lands there: the cursor starts on it
    std::int64_t s = 0;
    const auto step = [&](std::int64_t i, Landing landing) {
        const std::int64_t t = landing.target;
        // Column -1 takes the writes the rule skips. Where t is s + 1 the gap's slot
        // is taken by the pixel itself just after.
        at[SlotIfBefore(s, t, s + 1)] = static_cast<std::int32_t>(GapPixel(i, s));
        if (t - s > 2) [[unlikely]] {
            const auto gapPixel = static_cast<std::int32_t>(GapPixel(i, s));
            for (std::int64_t c = std::max<std::int64_t>(s + 2, 0), end = std::min(t, width); c < end; ++c)
                at[c] = gapPixel;
        }
        at[MoveCursor(s, landing.reach, t)] = static_cast<std::int32_t>(i);
    };
    std::int64_t i = 0;
    if constexpr (std::is_same_v<QuickSteps, NoQuickSteps>) {
        for (; i + 1 < width; i += 2) {
            step(i, landingOf(i, 0));
            step(i + 1, landingOf(i + 1, 1));
        }
    } else {
        while (i < width) {
            i = quickSteps(i, s, at);
            // The long way, until the cursor stands on the furthest slot written.
            for (std::int64_t furthest = s; i < width;) {
                step(i, landingOf(i, static_cast<int>(i & 1)));
                furthest = std::max(furthest, s);
                ++i;
                if (s == furthest) break;
            }
        }
    }
    if (i < width) step(i, landingOf(i, 0));
    const auto end = static_cast<std::int32_t>(std::min(top, width - 1));
    if (end < 0) return;
    if (at[0] >= 0) row.put(0, at[0]);
    const std::uint8_t* source = row.source;
    const std::uint8_t* sourceMask = row.sourceMask;
    std::uint8_t* out = row.out;
    std::uint8_t* outMask = row.outMask;
    const auto copyPixel = [&](std::int32_t c, std::int32_t from) {
        const std::uint8_t* pixel = source + static_cast<std::ptrdiff_t>(from) * Bytes;
        std::uint8_t* to = out + static_cast<std::ptrdiff_t>(c) * Bytes;
        for (int k = 0; k < Bytes; ++k) to[k] = pixel[k];
        outMask[c] = sourceMask[from];
    };
    std::int32_t c = 1;
    if constexpr (Bytes == 3) {
        c = GatherPixelsBySixteen(source, sourceMask, width, at, c, end, out, outMask);
        // Four bytes at a time, the fourth landing on the next column's first byte
        // before that column is written; neither the last source pixel nor the last
        // column written is read or written past its end.
        for (; c < end; ++c) {
            const std::int32_t from = at[c];
            if (from == width - 1) [[unlikely]] {
                copyPixel(c, from);
                continue;
            }
            std::memcpy(
                out + static_cast<std::ptrdiff_t>(c) * 3, source + static_cast<std::ptrdiff_t>(from) * 3, 4);
            outMask[c] = sourceMask[from];
        }
    }
    for (; c <= end; ++c) copyPixel(c, at[c]);
}

/// i - 1 where the cursor stands e > 0 columns ahead of column i, else i: GapPixel
/// with the cursor relative to the column, `before` being i - 1. The quick steps have
/// both at hand; calling GapPixel(i, i + e) instead costs them an addition a column,
/// some 3% of a noisy warp.
inline std::int64_t GapPixelAhead(std::int64_t i, std::int64_t before, std::int64_t e) {
#if defined(__x86_64__)
    asm("testq %[e], %[e]\n\tcmovgq %[before], %[i]" : [i] "+r"(i) : [e] "r"(e), [before] "r"(before) : "cc");
    return i;
#else
    return e > 0 ? before : i;
#endif
}

/// MoveNoisyRow's quick steps over a row of depth levels, with the cursor kept as e,
/// its place relative to the column: one column i of level `level`, false where its
/// target does not lie 0 .. 2 columns ahead of the cursor, leaving all as it was.
/// `here` is the slot of column i.
inline bool QuickLevelStep(const LevelTargets::NearLanding* landings, std::uint8_t level, std::int64_t i,
    std::int64_t before, std::int64_t& e, std::int32_t* here) {
    const std::int64_t shift = landings[level].shift;
    const std::int64_t reach = landings[level].reach;
    if (static_cast<std::uint64_t>(shift - e) > 2) [[unlikely]]
        return false;
    here[e + 1] = static_cast<std::int32_t>(GapPixelAhead(i, before, e));
    here[WrittenSlot(e, reach, shift)] = static_cast<std::int32_t>(i);
    e = shift - 1;
    return true;
}

/// Quick steps for MoveNoisyRow over a row of `width` depth levels.
struct LevelQuickSteps {
    const LevelTargets::NearLandings* near;
    const std::uint8_t* levels;
    std::int64_t width;

    std::int64_t operator()(std::int64_t i, std::int64_t& s, std::int32_t* at) const {
        const LevelTargets::NearLanding* even = near->landing[0].data();
        const LevelTargets::NearLanding* odd = near->landing[1].data();
        const std::uint8_t* level = levels;
        const std::int64_t end = width;
        std::int64_t e = s - i;
        if ((i & 1) != 0 && i < end) {
            if (!QuickLevelStep(odd, level[i], i, i - 1, e, at + i)) {
                s = i + e;
                return i;
            }
            ++i;
        }
        std::int32_t* here = at + i;
        const auto leave = [&s, &e](std::int64_t column) {
            s = column + e;
            return column;
        };
        for (; i + 1 < end; i += 2, here += 2) {
            if (!QuickLevelStep(even, level[i], i, i - 1, e, here)) return leave(i);
            if (!QuickLevelStep(odd, level[i + 1], i + 1, i, e, here + 1)) return leave(i + 1);
        }
        if (i < end && QuickLevelStep(even, level[i], i, i - 1, e, here)) ++i;
        return leave(i);
    }
};

/// The source column of each target column of a noisy row, kept per thread between rows.
struct RowScratch {
    std::vector<std::int32_t> sources;

    /// The slot of column 0, with slots for columns -(width + 1) .. 2 x width + 1.
    std::int32_t* sourceColumns(std::int64_t width) {
        const auto slots = 3 * static_cast<std::size_t>(width) + 3;
        if (sources.size() < slots) sources.resize(slots);
        return sources.data() + width + 1;
    }
};

RowScratch& ThreadRowScratch() {
    thread_local RowScratch scratch;
    return scratch;
}

/// Moves one row, the target of column i being targetOf(i) (within 32 bits);
/// moveNoisy(row, at, settled) moves it by MoveNoisyRow, with the slots `at`.
template <int Bytes, typename TargetOf, typename MoveNoisy>
void MoveRowBy(const Row<Bytes>& row, TargetOf targetOf, MoveNoisy moveNoisy) {
    const std::int64_t width = row.last + 1;
    // A sample of neighbouring columns tells how often the runs break: above about
    // one break in eight columns `move` cannot predict its branches. It also tells how
    // often neighbours land more than two columns apart or in reverse order: above
    // about one in thirty-two, MoveNoisyRow's quick steps would be left too often.
    constexpr std::int32_t kSampleStep = 16;
    std::int64_t samples = 0;
    std::int64_t breaks = 0;
    std::int64_t leaps = 0;
    for (std::int32_t i = 0; i + 1 < width; i += kSampleStep) {
        ++samples;
        const std::int64_t step = std::int64_t { targetOf(i + 1) } - targetOf(i);
        breaks += step != 1;
        leaps += static_cast<std::uint64_t>(step) > 2;
    }
    if (breaks * 8 > samples) {
        moveNoisy(row, ThreadRowScratch().sourceColumns(width), leaps * 32 <= samples);
        return;
    }
    row.move([&](std::int64_t i) { return std::int64_t { targetOf(static_cast<std::int32_t>(i)) }; },
        [&](std::int64_t i, std::int64_t t) {
            const auto offset = static_cast<std::int32_t>(t - i);
            auto j = static_cast<std::int32_t>(i + 1);
            while (j < width && targetOf(j) - j == offset) ++j;
            return j - i;
        });
}

template <typename TargetOf, typename MoveNoisy>
void MoveRow(int bytesPerPixel, const std::uint8_t* source, const std::uint8_t* sourceMask, std::uint8_t* out,
    std::uint8_t* outMask, std::int64_t width, TargetOf targetOf, MoveNoisy moveNoisy) {
    switch (bytesPerPixel) {
    case 3:
        MoveRowBy(Row<3> { source, sourceMask, out, outMask, width - 1 }, targetOf, moveNoisy);
        break;
    case 4:
        MoveRowBy(Row<4> { source, sourceMask, out, outMask, width - 1 }, targetOf, moveNoisy);
        break;
    default:
        MoveRowBy(Row<1> { source, sourceMask, out, outMask, width - 1 }, targetOf, moveNoisy);
        break;
    }
}

} // namespace

void MoveRowPixels(std::span<const std::int64_t> targets, const std::uint8_t* source,
    const std::uint8_t* sourceMask, int bytesPerPixel, std::uint8_t* out, std::uint8_t* outMask) {
    const auto width = static_cast<std::int64_t>(targets.size());
    if (width == 0) return;
    const auto held = [&](std::int64_t i) {
        return static_cast<std::int32_t>(
            std::clamp<std::int64_t>(targets[static_cast<std::size_t>(i)], -1, width));
    };
    MoveRow(bytesPerPixel, source, sourceMask, out, outMask, width, held,
        [&](const auto& row, std::int32_t* at, bool) {
            std::int64_t top = 0;
            for (std::int64_t i = 0; i < width; ++i) top = std::max<std::int64_t>(top, held(i));
            MoveNoisyRow(
                row,
                [&](std::int64_t i, int) {
                    const std::int64_t t = held(i);
                    return Landing { t, std::max(i, t - 1) };
                },
                top, at, NoQuickSteps {});
        });
}

LevelTargets::LevelTargets(
    std::uint8_t baseLevel, std::int64_t levelShift, Ratio factor, std::int32_t rowWidth)
    : m_rowWidth(rowWidth) {
    // Shifts in units of 1 / (10000 x denominator) pixel.
    const __int128 divisor = static_cast<__int128>(10000) * factor.denominator;
    const __int128 far = static_cast<__int128>(kFarShift) * factor.denominator;
    for (int level = 0; level < 256; ++level) {
        const __int128 exact = static_cast<__int128>(level - baseLevel) * levelShift * factor.numerator;
        const __int128 shift = std::clamp<__int128>(exact, -far, far);
        // Floor division, so the remainder is 0..divisor - 1 for either sign of the shift.
        __int128 whole = shift / divisor;
        __int128 remainder = shift % divisor;
        if (remainder < 0) {
            whole -= 1;
            remainder += divisor;
        }
        const auto index = static_cast<std::size_t>(level);
        const std::int64_t nearest = std::clamp<std::int64_t>(
            static_cast<std::int64_t>(whole) + (2 * remainder > divisor ? 1 : 0), -kFarColumns, kFarColumns);
        const std::int64_t tie = 2 * remainder == divisor ? 1 : 0;
        for (std::size_t parity = 0; parity < 2; ++parity)
            m_shift[parity][index] = static_cast<std::int32_t>(
                nearest + (tie & ((static_cast<std::int64_t>(parity) + nearest) & 1)));
    }
    m_near.furthest = -(rowWidth + 1);
    for (std::size_t parity = 0; parity < 2; ++parity)
        for (std::size_t level = 0; level < 256; ++level) {
            const std::int32_t shift = std::clamp(m_shift[parity][level], -(rowWidth + 1), rowWidth + 1);
            m_near.landing[parity][level] = { shift, std::max(0, shift - 1) };
            m_near.furthest = std::max(m_near.furthest, shift);
        }
}

void WarpRow(const LevelTargets& targets, const std::uint8_t* source, const std::uint8_t* sourceMask,
    const std::uint8_t* levels, int bytesPerPixel, std::uint8_t* out, std::uint8_t* outMask) {
    const std::int64_t width = targets.rowWidth();
    if (width <= 0) return;
    // A run goes on while each column lands one after the last, whatever its level:
    // on a smooth map neighbouring levels mostly round to the same whole shift, so
    // runs stay long even where the level changes at nearly every column. Columns of
    // a level whose shift ends in exactly one half land two by two and end runs.
    MoveRow(
        bytesPerPixel, source, sourceMask, out, outMask, width,
        [&](std::int32_t i) { return targets.target(i, levels[i]); },
        [&](const auto& row, std::int32_t* at, bool settled) {
            // The shifts held within the row's width: that alone keeps the targets near.
            const LevelTargets::NearLandings& near = targets.nearLandings();
            const auto landing = [&](std::int64_t i, int parity) {
                return near.landing[static_cast<std::size_t>(parity)][levels[i]];
            };
            // The furthest target, looked for from the right only until no column
            // further left can land beyond it.
            std::int64_t top = 0;
            for (std::int64_t i = width - 1; i >= 0 && i + near.furthest > top; --i)
                top = std::max(top, i + landing(i, static_cast<int>(i & 1)).shift);
            const auto landingOf = [&](std::int64_t i, int parity) {
                const LevelTargets::NearLanding l = landing(i, parity);
                return Landing { i + l.shift, i + l.reach };
            };
            if (settled)
                MoveNoisyRow(row, landingOf, top, at, LevelQuickSteps { &near, levels, width });
            else
                MoveNoisyRow(row, landingOf, top, at, NoQuickSteps {});
        });
}

LayerWarp::LayerWarp(
    Bitmap source, Bitmap sourceMask, Bitmap depthRaster, std::uint8_t baseLevel, std::int64_t levelShift)
    : m_source(std::move(source))
    , m_sourceMask(std::move(sourceMask))
    , m_levels(std::move(depthRaster))
    , m_baseLevel(baseLevel)
    , m_levelShift(levelShift) {
    if (m_source.format() == PixelFormat::Gray8 || m_sourceMask.format() != PixelFormat::Gray8
        || m_levels.format() != PixelFormat::Gray8)
        throw Error("The layer picture, its mask or its depth map has the wrong pixel format");
    const int width = m_source.width();
    const int height = m_source.height();
    if (m_sourceMask.width() != width || m_sourceMask.height() != height || m_levels.width() != width
        || m_levels.height() != height)
        throw Error("The layer picture, its mask and its depth map differ in size");
    m_picture = m_source;
    m_mask = m_sourceMask;
}

void LayerWarp::warpView(int view, int progressBase, Progress& progress) {
    const LevelTargets targets(m_baseLevel, m_levelShift, ViewFactor(view), m_source.width());
    const int height = m_source.height();
    const auto position
        = [&](int y) { return static_cast<int>(Round(80.0L / 7.0L / height * y) + progressBase); };
    const auto warpRow = [&](int y) {
        WarpRow(targets, m_source.row(y), m_sourceMask.row(y), m_levels.row(y), m_source.bytesPerPixel(),
            m_picture.row(y), m_mask.row(y));
    };
    // A row reads only its own row of the source, the levels and what the view before
    // left in the output, so bands of rows are warped side by side; their rows'
    // progress is told on this thread, in order, as each band is done.
    constexpr int kBandRows = 32;
    const int bands = (height + kBandRows - 1) / kBandRows;
    if (TaskThreads() <= 1 || bands <= 1) {
        for (int y = 0; y < height; ++y) {
            progress.setPosition(position(y));
            warpRow(y);
        }
        return;
    }
    const auto bandEnd = [height](int band) { return std::min(height, (band + 1) * kBandRows); };
    ParallelInOrder(
        bands,
        [&](int band) {
            for (int y = band * kBandRows; y < bandEnd(band); ++y) warpRow(y);
        },
        [&](int band) {
            for (int y = band * kBandRows; y < bandEnd(band); ++y) progress.setPosition(position(y));
        });
}

FrameRowWarp::FrameRowWarp(const FrameSet& frames, std::uint8_t baseLevel, std::int64_t levelShift,
    int bytesPerPixel, std::int64_t width)
    : m_bytesPerPixel(bytesPerPixel)
    , m_width(width)
    , m_pictureBytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(bytesPerPixel)) {
    for (int k = 1; k <= frames.count(); ++k)
        m_targets.emplace_back(baseLevel, levelShift, frames.warpFactor(k), static_cast<std::int32_t>(width));
    m_pictures.resize(m_pictureBytes * m_targets.size());
    m_masks.resize(static_cast<std::size_t>(width) * m_targets.size());
}

void FrameRowWarp::warp(const std::uint8_t* picture, const std::uint8_t* mask, const std::uint8_t* levels) {
    const auto width = static_cast<std::size_t>(m_width);
    const std::uint8_t* previous = picture;
    const std::uint8_t* previousMask = mask;
    for (int q = static_cast<int>(m_targets.size()) - 1; q >= 0; --q) {
        auto* out = m_pictures.data() + static_cast<std::size_t>(q) * m_pictureBytes;
        auto* outMask = m_masks.data() + static_cast<std::size_t>(q) * width;
        std::memcpy(out, previous, m_pictureBytes);
        std::memcpy(outMask, previousMask, width);
        WarpRow(m_targets[static_cast<std::size_t>(q)], picture, mask, levels, m_bytesPerPixel, out, outMask);
        previous = out;
        previousMask = outMask;
    }
}

} // namespace deptrix
