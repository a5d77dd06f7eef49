#include "depth/ViewWarp.h"

#include "core/Error.h"
#include "core/Fixed.h"
#include "core/TaskPool.h"
#include "depth/DepthQuantities.h"

#include <algorithm>
#include <cstring>

namespace deptrix {

namespace {

// Shifts beyond this many 1/10000 pixels land far outside any picture; holding them
// there keeps the arithmetic within 64 bits without changing what is written.
constexpr std::int64_t kFarShift = std::int64_t { 1 } << 50;

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

template <typename TargetOf, typename RunOf>
void MoveRow(int bytesPerPixel, const std::uint8_t* source, const std::uint8_t* sourceMask, std::uint8_t* out,
    std::uint8_t* outMask, std::int64_t width, TargetOf targetOf, RunOf runOf) {
    switch (bytesPerPixel) {
    case 3:
        Row<3> { source, sourceMask, out, outMask, width - 1 }.move(targetOf, runOf);
        break;
    case 4:
        Row<4> { source, sourceMask, out, outMask, width - 1 }.move(targetOf, runOf);
        break;
    default:
        Row<1> { source, sourceMask, out, outMask, width - 1 }.move(targetOf, runOf);
        break;
    }
}

} // namespace

void MoveRowPixels(std::span<const std::int64_t> targets, const std::uint8_t* source,
    const std::uint8_t* sourceMask, int bytesPerPixel, std::uint8_t* out, std::uint8_t* outMask) {
    const auto width = static_cast<std::int64_t>(targets.size());
    auto targetOf = [&](std::int64_t i) { return targets[static_cast<std::size_t>(i)]; };
    auto runOf = [&](std::int64_t i, std::int64_t t) {
        std::int64_t j = i + 1;
        while (j < width && targetOf(j) == t + (j - i)) ++j;
        return j - i;
    };
    MoveRow(bytesPerPixel, source, sourceMask, out, outMask, width, targetOf, runOf);
}

LevelTargets::LevelTargets(std::uint8_t baseLevel, std::int64_t levelShift, Ratio factor) {
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
        m_nearest[index] = static_cast<std::int64_t>(whole) + (2 * remainder > divisor ? 1 : 0);
        m_tie[index] = 2 * remainder == divisor ? 1 : 0;
    }
}

void WarpRow(const LevelTargets& targets, const std::uint8_t* source, const std::uint8_t* sourceMask,
    const std::uint8_t* levels, int bytesPerPixel, std::int64_t width, std::uint8_t* out,
    std::uint8_t* outMask) {
    // A run goes on while each column lands one after the last, whatever its level:
    // on a smooth map neighbouring levels mostly round to the same whole shift, so
    // runs stay long even where the level changes at nearly every column. Columns of
    // a level whose shift ends in exactly one half land two by two and end runs.
    auto runOf = [&](std::int64_t i, std::int64_t t) {
        const std::int64_t offset = t - i;
        std::int64_t j = i + 1;
        while (j < width && targets.target(j, levels[j]) - j == offset) ++j;
        return j - i;
    };
    MoveRow(
        bytesPerPixel, source, sourceMask, out, outMask, width,
        [&](std::int64_t i) { return targets.target(i, levels[i]); }, runOf);
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
    const LevelTargets targets(m_baseLevel, m_levelShift, ViewFactor(view));
    const int height = m_source.height();
    const auto position
        = [&](int y) { return static_cast<int>(Round(80.0L / 7.0L / height * y) + progressBase); };
    const auto warpRow = [&](int y) {
        WarpRow(targets, m_source.row(y), m_sourceMask.row(y), m_levels.row(y), m_source.bytesPerPixel(),
            m_source.width(), m_picture.row(y), m_mask.row(y));
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
        m_targets.emplace_back(baseLevel, levelShift, frames.warpFactor(k));
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
        WarpRow(m_targets[static_cast<std::size_t>(q)], picture, mask, levels, m_bytesPerPixel, m_width, out,
            outMask);
        previous = out;
        previousMask = outMask;
    }
}

} // namespace deptrix
