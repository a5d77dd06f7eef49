#pragma once

#include "core/Outlines.h"
#include "outline/LineRaster.h"
#include "outline/SelectionBox.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// What a pick found under a working pixel.
enum class PickKind : std::uint8_t {
    Nothing,
    Line, ///< inside or on the border of a line (line map)
    Vertex, ///< a point of a line (point map)
    Segment, ///< a segment of a line (point map)
    Handle, ///< a region of the selection box (handle map)
};

struct Pick {
    PickKind kind = PickKind::Nothing;
    LineRef line {};
    /// Vertex: its point index. Segment: the index of its end point, from 1 to the
    /// point count; the point count itself names the closing segment back to point 0.
    std::uint32_t point = 0;
    int handle = kHandleOutside;
    bool operator==(const Pick&) const = default;
};

/// Which of the three maps the pick map holds.
enum class PickContent : std::uint8_t { None, Lines, Points, Handles };

/// The off-screen map that hit testing reads: every pixel holds the code of what lies
/// there, so a pick reads one pixel instead of measuring distances. Codes are 32 bits,
/// numbered in painting order and resolved through a table, so every line of an order
/// and every point of a line has its own code whatever the counts. The map is painted
/// with the same rules as the tinted display (see ScanPainter).
class PickMap {
public:
    /// Line map: each line's interior and border (as rasterised with a border a mark
    /// unit wide), orders from the last to the first (hidden orders too), lines in list
    /// order.
    void paintLines(int width, int height, const RasterizedLines& raster);
    /// Point map: per line its segments with a pen 5 x `markUnit` wide, the closing one
    /// last, then a filled square of half-size 2 x `markUnit` at every point. A line
    /// without points is skipped; later lines keep their codes.
    void paintPoints(int width, int height, const LineSet& lines, int markUnit);
    /// Handle map: the regions of the box, filled without a border, in painting order;
    /// `half` is the half-width of bands and squares (see HandleRegions).
    void paintHandles(int width, int height, const SelectionBox& box, int half);
    /// Forgets the content; the next reader paints what it needs.
    void invalidate() { m_content = PickContent::None; }

    PickContent content() const { return m_content; }
    /// What lies at working pixel (x, y); outside the picture nothing does.
    Pick pick(std::int64_t x, std::int64_t y) const;

    int width() const { return m_width; }
    int height() const { return m_height; }
    /// The code at (x, y) inside the map: kNoCode where nothing is.
    std::uint32_t codeAt(int x, int y) const {
        return m_codes[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width)
            + static_cast<std::size_t>(x)];
    }

    /// The code that marks an empty place.
    static constexpr std::uint32_t kNoCode = 0xFFFFFFFF;

private:
    void reset(int width, int height, PickContent content);

    struct LineCodes {
        std::uint32_t first = 0; ///< code of the first element
        std::uint32_t count = 0; ///< codes used: 1 in the line map, twice the points in the point map
        LineRef line {};
    };

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_codes;
    PickContent m_content = PickContent::None;
    std::vector<LineCodes> m_lines; ///< ascending by first code
};

} // namespace deptrix
