#pragma once

#include "print/PrintGeometry.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// Which strips every print column covers and by how much. A column lying inside
/// one strip takes that strip's view whole; a column across strip or lens edges
/// mixes the views it covers by the area of each. The table is the same for every
/// row, so it is built once per print.
class StripMap {
public:
    /// One piece of a column: the view `view` (0..6) under lens `lens` (counted from
    /// the print's first lens), covering `weight` of the column.
    struct Piece {
        std::uint32_t lens;
        std::uint8_t view;
        float weight;
    };

    explicit StripMap(const PrintGeometry& geometry);

    std::int64_t width() const { return static_cast<std::int64_t>(m_begin.size()) - 1; }
    std::int64_t firstLens() const { return m_firstLens; }
    std::int64_t lensCount() const { return m_lensCount; }

    const Piece* begin(std::int64_t column) const { return m_pieces.data() + m_begin[column]; }
    const Piece* end(std::int64_t column) const { return m_pieces.data() + m_begin[column + 1]; }

private:
    std::int64_t m_firstLens = 0;
    std::int64_t m_lensCount = 0;
    std::vector<std::uint32_t> m_begin; ///< width + 1 entries into m_pieces
    std::vector<Piece> m_pieces;
};

} // namespace deptrix
