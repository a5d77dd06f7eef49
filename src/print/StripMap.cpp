#include "print/StripMap.h"

#include <algorithm>

namespace deptrix {

StripMap::StripMap(const PrintGeometry& geometry)
    : m_firstLens(geometry.firstLens())
    , m_lensCount(geometry.lensCount()) {
    const LensGrid grid = geometry.grid();
    const auto width = static_cast<std::size_t>(geometry.width);
    m_begin.reserve(width + 1);
    // Strips narrower than a pixel put several pieces into a column.
    const auto piecesPerColumn = static_cast<std::size_t>(kStripsPerLens / geometry.period()) + 2;
    m_pieces.reserve(width * std::min<std::size_t>(piecesPerColumn, 9));

    LensGrid::Position left = grid.at(0);
    for (std::int64_t x = 0; x < geometry.width; ++x) {
        m_begin.push_back(static_cast<std::uint32_t>(m_pieces.size()));
        const LensGrid::Position right = grid.at(x + 1);
        // Strip-coordinate widths of the pieces: the rest of the first strip, whole
        // strips, the start of the last one.
        const long double total
            = static_cast<long double>(right.strip - left.strip) + right.fraction - left.fraction;
        for (std::int64_t m = left.strip; m <= right.strip; ++m) {
            const long double from = m == left.strip ? left.fraction : 0.0L;
            const long double to = m == right.strip ? right.fraction : 1.0L;
            if (to <= from) continue;
            const std::int64_t lens = LensGrid::LensOfStrip(m) - m_firstLens;
            m_pieces.push_back(
                { static_cast<std::uint32_t>(lens), static_cast<std::uint8_t>(grid.viewOfStrip(m) - 1),
                    static_cast<float>((to - from) / total) });
        }
        left = right;
    }
    m_begin.push_back(static_cast<std::uint32_t>(m_pieces.size()));
}

} // namespace deptrix
