#pragma once

#include "core/Bitmap.h"
#include "core/Progress.h"

#include <array>
#include <cstdint>
#include <span>

namespace deptrix {

/// The row rule of the warp, for one row whose source column i goes to target column
/// targets[i]. S, the last target written, starts at 0; for each i with d = t - S:
/// - d > 0, i >= S: the pixel fills columns S + 1 .. t;
/// - d > 0, i < S: the previous source pixel fills S + 1 .. t - 1, the pixel goes to t;
/// - d <= 0, i >= S: the pixel goes to t;
/// - d <= 0, i < S: the pixel is hidden and S stays.
/// Otherwise S := t. Writes outside the row are skipped. Pixels are `bytesPerPixel`
/// bytes and move together with their mask byte. `out` and `outMask` keep whatever
/// they held in the columns no pixel reaches.
void MoveRowPixels(std::span<const std::int64_t> targets, const std::uint8_t* source,
    const std::uint8_t* sourceMask, int bytesPerPixel, std::uint8_t* out, std::uint8_t* outMask);

/// The target column of source column i for each depth level L in one view:
/// Round(i + (L - baseLevel) x levelShift x factor / 10000) with ties to even, exact
/// in integers: per level the shift rounded half down, and whether it ends in exactly
/// one half, where the parity of the column decides.
class LevelTargets {
public:
    LevelTargets(std::uint8_t baseLevel, std::int64_t levelShift, int viewFactor);

    std::int64_t target(std::int64_t column, std::uint8_t level) const {
        const std::int64_t nearest = column + m_nearest[level];
        return nearest + (m_tie[level] & (nearest & 1));
    }
    bool hasTie(std::uint8_t level) const { return m_tie[level] != 0; }

private:
    std::array<std::int64_t, 256> m_nearest {}; ///< the shift rounded, ties down
    std::array<std::int64_t, 256> m_tie {}; ///< 1 where the shift ends in exactly one half
};

/// A layer picture and mask, widened by the margin, warped view after view. The
/// output starts as a copy of the padded source and is not reset between views, so
/// columns a view does not reach keep what the view before left there.
class LayerWarp {
public:
    /// `source` (Bgr24 or Cmyk32) and `sourceMask` (Gray8) are the padded layer; the
    /// raster holds the smoothed depth levels of the same size. Throws Error when the
    /// sizes or formats disagree.
    LayerWarp(Bitmap source, Bitmap sourceMask, Bitmap depthRaster, std::uint8_t baseLevel,
        std::int64_t levelShift);

    /// Row passes of view v (1..7) into the output. Before row y the progress is set
    /// to Round(80 / 7 / H x y) + progressBase.
    void warpView(int view, int progressBase, Progress& progress);

    const Bitmap& picture() const { return m_picture; }
    const Bitmap& mask() const { return m_mask; }

private:
    Bitmap m_source;
    Bitmap m_sourceMask;
    Bitmap m_levels;
    Bitmap m_picture;
    Bitmap m_mask;
    std::uint8_t m_baseLevel;
    std::int64_t m_levelShift;
};

} // namespace deptrix
