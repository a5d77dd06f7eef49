#pragma once

#include "print/PrintGeometry.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// Which strips every print pixel across the lenses covers and by how much: every
/// column of a print under vertical lenses, every row under horizontal ones, over the
/// picture and its bleed. A pixel lying inside one strip takes that strip's frame
/// whole; a pixel across strip or lens edges mixes the frames it covers by the area of
/// each. The table is the same all along the lenses, so it is built once per print.
class StripMap {
public:
    /// One piece of a pixel: frame index `frame` (0..N-1) under lens `lens` (counted
    /// from the print's first lens), covering `weight` of the pixel.
    struct Piece {
        std::uint32_t lens;
        std::uint8_t frame;
        float weight;
    };

    explicit StripMap(const PrintGeometry& geometry);

    /// Pixels across the lenses, the bleed included: pixel i is at i - bleed.
    std::int64_t size() const { return static_cast<std::int64_t>(m_begin.size()) - 1; }
    std::int64_t firstLens() const { return m_firstLens; }
    std::int64_t lensCount() const { return m_lensCount; }

    const Piece* begin(std::int64_t pixel) const { return m_pieces.data() + m_begin[pixel]; }
    const Piece* end(std::int64_t pixel) const { return m_pieces.data() + m_begin[pixel + 1]; }

private:
    std::int64_t m_firstLens = 0;
    std::int64_t m_lensCount = 0;
    std::vector<std::uint32_t> m_begin; ///< size + 1 entries into m_pieces
    std::vector<Piece> m_pieces;
};

} // namespace deptrix
