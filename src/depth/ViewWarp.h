#pragma once

#include "core/Bitmap.h"
#include "core/Progress.h"
#include "render/FrameSet.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

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

/// The target column of source column i for each depth level L in one view or frame:
/// Round(i + (L - baseLevel) x levelShift x factor / 10000) with ties to even, exact
/// in integers also for a fractional factor: per level the shift rounded half down,
/// and whether it ends in exactly one half, where the parity of the column decides.
/// Made for rows of `rowWidth` columns.
class LevelTargets {
public:
    LevelTargets(std::uint8_t baseLevel, std::int64_t levelShift, Ratio factor, std::int32_t rowWidth);
    LevelTargets(std::uint8_t baseLevel, std::int64_t levelShift, int viewFactor, std::int32_t rowWidth)
        : LevelTargets(baseLevel, levelShift, Ratio { viewFactor, 1 }, rowWidth) { }

    std::int32_t rowWidth() const { return m_rowWidth; }

    /// The target of `column` (at most kMaxBitmapSide) at `level`. A target more than
    /// 2^20 columns away from its column is held there: far beyond the row either
    /// way, it moves nothing differently.
    std::int32_t target(std::int32_t column, std::uint8_t level) const {
        return column + m_shift[static_cast<std::size_t>(column & 1)][level];
    }

    /// The shift of each level for even (0) and odd (1) columns.
    using Shifts = std::array<std::array<std::int32_t, 256>, 2>;

    /// A level's shift held within -(width + 1) .. width + 1, and the furthest right
    /// of its column the cursor may stand for a pixel of the level to be written:
    /// max(0, shift - 1).
    struct NearLanding {
        std::int32_t shift;
        std::int32_t reach;
    };
    /// Per parity and level, and the largest of the shifts.
    struct NearLandings {
        std::array<std::array<NearLanding, 256>, 2> landing;
        std::int32_t furthest;
    };

    /// The shifts held within -(rowWidth + 1) .. rowWidth + 1: moving a row no
    /// differently, as targets beyond either edge only write outside it.
    const NearLandings& nearLandings() const { return m_near; }

private:
    Shifts m_shift {};
    std::int32_t m_rowWidth;
    NearLandings m_near {};
};

/// One row of a warp: the row rule of MoveRowPixels with each column's target from its
/// depth level. The targets' rowWidth() pixels of `bytesPerPixel` bytes in every row.
void WarpRow(const LevelTargets& targets, const std::uint8_t* source, const std::uint8_t* sourceMask,
    const std::uint8_t* levels, int bytesPerPixel, std::uint8_t* out, std::uint8_t* outMask);

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

    /// Row passes of view v (1..7) into the output, in bands of rows on the task
    /// threads. The progress is set to Round(80 / 7 / H x y) + progressBase for each
    /// row y in order, on the calling thread: before the row on one thread, after its
    /// band on several.
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

/// An outline layer's frames built one row at a time, for any number of frames: the
/// widened row moves frame after frame, N down to 1, each level by its distance from
/// `baseLevel` times `levelShift` times the frame's FrameSet::warpFactor, and each
/// frame starts from what the frame after it left, as LayerWarp goes from view 7 to
/// view 1. For seven frames the rows are LayerWarp's rows.
class FrameRowWarp {
public:
    FrameRowWarp(const FrameSet& frames, std::uint8_t baseLevel, std::int64_t levelShift, int bytesPerPixel,
        std::int64_t width);

    /// Warps one widened row (picture, mask and depth levels, width pixels each) into
    /// every frame.
    void warp(const std::uint8_t* picture, const std::uint8_t* mask, const std::uint8_t* levels);

    /// The row of frame index q (0..N-1) from the last warp.
    const std::uint8_t* picture(int frameIndex) const {
        return m_pictures.data() + static_cast<std::size_t>(frameIndex) * m_pictureBytes;
    }
    const std::uint8_t* mask(int frameIndex) const {
        return m_masks.data() + static_cast<std::size_t>(frameIndex) * static_cast<std::size_t>(m_width);
    }

private:
    std::vector<LevelTargets> m_targets; ///< per frame index
    int m_bytesPerPixel;
    std::int64_t m_width;
    std::size_t m_pictureBytes;
    std::vector<std::uint8_t> m_pictures;
    std::vector<std::uint8_t> m_masks;
};

} // namespace deptrix
