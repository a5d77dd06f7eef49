#include "print/StripMap.h"

#include <algorithm>

namespace deptrix {

StripMap::StripMap(const PrintGeometry& geometry)
    : m_firstLens(geometry.firstLens())
    , m_lensCount(geometry.lensCount()) {
    const LensGrid grid = geometry.grid();
    const std::int64_t first = -geometry.bleedAcross();
    const std::int64_t end = geometry.across() + geometry.bleedAcross();
    const auto size = static_cast<std::size_t>(end - first);
    m_begin.reserve(size + 1);
    // Strips narrower than a pixel put several pieces into a pixel.
    const auto piecesPerPixel = static_cast<std::size_t>(geometry.frames() / geometry.period()) + 2;
    m_pieces.reserve(size * std::min<std::size_t>(piecesPerPixel, 9));

    LensGrid::Position low = grid.at(first);
    for (std::int64_t x = first; x < end; ++x) {
        m_begin.push_back(static_cast<std::uint32_t>(m_pieces.size()));
        const LensGrid::Position high = grid.at(x + 1);
        // Strip-coordinate widths of the pieces: the rest of the first strip, whole
        // strips, the start of the last one.
        const long double total
            = static_cast<long double>(high.strip - low.strip) + high.fraction - low.fraction;
        for (std::int64_t m = low.strip; m <= high.strip; ++m) {
            const long double from = m == low.strip ? low.fraction : 0.0L;
            const long double to = m == high.strip ? high.fraction : 1.0L;
            if (to <= from) continue;
            const std::int64_t lens = grid.lensOfStrip(m) - m_firstLens;
            m_pieces.push_back(
                { static_cast<std::uint32_t>(lens), static_cast<std::uint8_t>(grid.frameOfStrip(m) - 1),
                    static_cast<float>((to - from) / total) });
        }
        low = high;
    }
    m_begin.push_back(static_cast<std::uint32_t>(m_pieces.size()));
}

} // namespace deptrix
