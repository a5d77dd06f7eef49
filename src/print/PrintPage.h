#pragma once

#include "print/PrintGeometry.h"
#include "print/PrintRows.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace deptrix {

/// The text line of a marked print: LPI, DPI, frames, the picture's size and the phase
/// ("LPI 42.4775  DPI 297.3425  FRAMES 7  5 X 3.75 IN  PH 0").
std::string MarksText(const PrintGeometry& geometry);

/// A print's page, row by row: the interlaced picture with its bleed and, when the
/// print has marks, the margin around it (white paper) holding
/// - crop marks at the four corners, on the lines of the picture's edges, kept out of
///   the bleed;
/// - alignment bars along the two edges parallel to the lenses: the lens grid of the
///   picture continued into the margin with a dark strip where frame 1's strip lies,
///   so a lens laid on them shows solid dark from one angle;
/// - the text line (MarksText) below the picture.
/// The picture's pixels are the same with or without marks. Marks are black in RGB;
/// in CMYK the crop marks are in all four inks and the bars and text in black ink.
class PrintPage {
public:
    PrintPage(const PrintGeometry& geometry, PrintRows& picture);

    int channels() const { return m_channels; }
    std::size_t rowBytes() const {
        return static_cast<std::size_t>(m_geometry.pageWidth()) * static_cast<std::size_t>(m_channels);
    }
    /// Page rows first .. first + count - 1 into `out`, rowBytes() apart, in
    /// increasing order like the picture's rows.
    void makeRows(std::int64_t first, int count, std::uint8_t* out);

private:
    struct Span {
        std::int64_t begin = 0;
        std::int64_t end = 0;
        bool contains(std::int64_t at) const { return at >= begin && at < end; }
    };
    void drawMarks(std::int64_t row, std::uint8_t* out) const;
    void fill(std::uint8_t* out, std::int64_t begin, std::int64_t end, const std::uint8_t* colour) const;

    PrintGeometry m_geometry;
    PrintRows& m_picture;
    int m_channels;
    std::int64_t m_pictureTop; ///< page row of the picture's first bled row
    std::int64_t m_pictureLeft; ///< page column of its first bled column
    // The marks, in page pixels.
    std::int64_t m_lineColumns = 1; ///< thickness of a vertical crop line
    std::int64_t m_lineRows = 1;
    Span m_topZone, m_bottomZone, m_leftZone, m_rightZone; ///< margin outside bleed and gap
    Span m_barRows, m_barColumns; ///< extent of the bars along their edges
    Span m_bottomBarRows; ///< under horizontal lenses the bottom bar shares its zone with the text
    std::vector<std::uint8_t> m_darkness; ///< per page column (vertical) or row (horizontal), frame 1's cover
    std::vector<std::uint8_t> m_text; ///< the text line, 8-bit, m_textWidth wide
    std::int64_t m_textWidth = 0;
    std::int64_t m_textTop = 0;
    std::int64_t m_textLeft = 0;
    std::int64_t m_textRight = 0;
    std::int64_t m_textHeight = 0;
    std::vector<std::uint8_t> m_pictureRow;
    std::uint8_t m_paper[4] = {};
    std::uint8_t m_cropInk[4] = {};
    std::uint8_t m_ink[4] = {};
};

} // namespace deptrix
