#include "print/PrintPage.h"

#include "core/NumberText.h"
#include "print/LabelFont.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace deptrix {

namespace {

/// Space between marks, bleed and the page's edge, and the width of a crop line.
constexpr long double kGapInches = 0.03L;
constexpr long double kLineInches = 0.004L;
/// Largest font unit of the text line: characters 0.14 inch high.
constexpr long double kLargestUnitInches = 0.02L;

std::int64_t AtLeastOne(long double pixels) {
    return std::max<std::int64_t>(1, Round(pixels));
}

/// How much of pixel [x, x + 1) across the lenses frame 1's strips cover, 0..255.
std::uint8_t FrameOneCover(const LensGrid& grid, std::int64_t x) {
    const LensGrid::Position low = grid.at(x);
    const LensGrid::Position high = grid.at(x + 1);
    const long double total = static_cast<long double>(high.strip - low.strip) + high.fraction - low.fraction;
    long double covered = 0;
    for (std::int64_t m = low.strip; m <= high.strip; ++m) {
        if (grid.frameOfStrip(m) != 1) continue;
        const long double from = m == low.strip ? low.fraction : 0.0L;
        const long double to = m == high.strip ? high.fraction : 1.0L;
        if (to > from) covered += to - from;
    }
    return static_cast<std::uint8_t>(std::clamp<std::int64_t>(Round(covered / total * 255.0L), 0, 255));
}

std::string Decimals(long double value, int decimals) {
    const long double scale = std::pow(10.0L, decimals);
    return FormatNumber(std::round(value * scale) / scale);
}

} // namespace

std::string MarksText(const PrintGeometry& geometry) {
    const PrintSettings& s = geometry.settings;
    return "LPI " + FormatFixed(s.lpi) + "  DPI " + FormatFixed(s.dpi) + "  FRAMES "
        + std::to_string(s.frames) + "  " + Decimals(s.widthInches, 3) + " X "
        + Decimals(geometry.heightInches, 3) + " IN  PH " + (s.phase > 0 ? "+" : "") + FormatFixed(s.phase);
}

PrintPage::PrintPage(const PrintGeometry& geometry, PrintRows& picture)
    : m_geometry(geometry)
    , m_picture(picture)
    , m_channels(picture.channels())
    , m_pictureTop(geometry.marginRows - geometry.bleedRows)
    , m_pictureLeft(geometry.marginColumns - geometry.bleedColumns) {
    const bool cmyk = m_channels == 4;
    std::memset(m_paper, cmyk ? 0 : 255, sizeof m_paper);
    std::memset(m_cropInk, cmyk ? 255 : 0, sizeof m_cropInk);
    if (cmyk) m_ink[3] = 255;
    if (!geometry.settings.marks) return;

    const long double xRes = geometry.xResolution;
    const long double yRes = geometry.yResolution;
    const std::int64_t gapColumns = AtLeastOne(kGapInches * xRes);
    const std::int64_t gapRows = AtLeastOne(kGapInches * yRes);
    m_lineColumns = AtLeastOne(kLineInches * xRes);
    m_lineRows = AtLeastOne(kLineInches * yRes);
    const std::int64_t left = geometry.marginColumns;
    const std::int64_t top = geometry.marginRows;
    const std::int64_t right = left + geometry.width;
    const std::int64_t bottom = top + geometry.height;
    m_leftZone = { gapColumns, left - geometry.bleedColumns - gapColumns };
    m_rightZone = { right + geometry.bleedColumns + gapColumns, geometry.pageWidth() - gapColumns };
    m_topZone = { gapRows, top - geometry.bleedRows - gapRows };
    m_bottomZone = { bottom + geometry.bleedRows + gapRows, geometry.pageHeight() - gapRows };

    // The bars continue the picture's lens grid into the margins parallel to the lenses.
    const LensGrid grid = geometry.grid();
    Span textZone = m_bottomZone;
    if (geometry.horizontal()) {
        m_barColumns = { left + gapColumns, right - gapColumns };
        m_barRows = m_topZone;
        // The bottom margin holds the bar nearer the picture and the text below it.
        const std::int64_t middle = m_bottomZone.begin + (m_bottomZone.end - m_bottomZone.begin) / 2;
        m_bottomBarRows = { m_bottomZone.begin, middle - gapRows / 2 };
        textZone = { middle + gapRows / 2, m_bottomZone.end };
        m_darkness.assign(static_cast<std::size_t>(geometry.pageHeight()), 0);
        for (const Span& bar : { m_barRows, m_bottomBarRows })
            for (std::int64_t y = bar.begin; y < bar.end; ++y)
                m_darkness[static_cast<std::size_t>(y)] = FrameOneCover(grid, y - top);
    } else {
        m_barRows = { top + gapRows, bottom - gapRows };
        m_darkness.assign(static_cast<std::size_t>(geometry.pageWidth()), 0);
        for (const Span& bar : { m_leftZone, m_rightZone })
            for (std::int64_t x = bar.begin; x < bar.end; ++x)
                m_darkness[static_cast<std::size_t>(x)] = FrameOneCover(grid, x - left);
    }

    // The text as large as its zone and the picture's width allow, upright on the
    // page whatever the pixels' proportions.
    const std::string text = MarksText(geometry);
    const auto units = static_cast<long double>(text.size() * kLabelCharacterUnits - 1);
    const long double zoneRows
        = static_cast<long double>(std::max<std::int64_t>(textZone.end - textZone.begin, 0));
    // Between the crop marks below the picture's corners.
    m_textLeft = left + gapColumns + m_lineColumns;
    m_textRight = right - gapColumns - m_lineColumns;
    const auto textColumns = static_cast<long double>(std::max<std::int64_t>(m_textRight - m_textLeft, 0));
    const long double unit
        = std::min({ zoneRows / kLabelFontHeight / yRes, textColumns / units / xRes, kLargestUnitInches });
    const int scaleX = static_cast<int>(std::max<long double>(1, std::floor(unit * xRes)));
    const int scaleY = static_cast<int>(std::max<long double>(1, std::floor(unit * yRes)));
    const Bitmap label = RenderLabel(text, scaleX, scaleY);
    m_textWidth = label.width();
    m_textHeight = std::min<std::int64_t>(label.height(), static_cast<std::int64_t>(zoneRows));
    m_textTop = textZone.begin + (static_cast<std::int64_t>(zoneRows) - m_textHeight) / 2;
    m_text.resize(static_cast<std::size_t>(m_textWidth * m_textHeight));
    for (std::int64_t y = 0; y < m_textHeight; ++y)
        std::memcpy(m_text.data() + y * m_textWidth, label.row(static_cast<int>(y)),
            static_cast<std::size_t>(m_textWidth));
}

void PrintPage::fill(
    std::uint8_t* out, std::int64_t begin, std::int64_t end, const std::uint8_t* colour) const {
    begin = std::max<std::int64_t>(begin, 0);
    end = std::min(end, m_geometry.pageWidth());
    for (std::int64_t x = begin; x < end; ++x)
        std::memcpy(out + x * m_channels, colour, static_cast<std::size_t>(m_channels));
}

void PrintPage::drawMarks(std::int64_t row, std::uint8_t* out) const {
    const PrintGeometry& g = m_geometry;
    const std::int64_t left = g.marginColumns;
    const std::int64_t right = left + g.width;
    const std::int64_t top = g.marginRows;
    const std::int64_t bottom = top + g.height;

    // Crop marks: the lines of the picture's edges, outside the bleed.
    if (m_topZone.contains(row) || m_bottomZone.contains(row))
        for (const std::int64_t x : { left, right })
            fill(out, x - m_lineColumns / 2, x - m_lineColumns / 2 + m_lineColumns, m_cropInk);
    for (const std::int64_t y : { top, bottom })
        if (row >= y - m_lineRows / 2 && row < y - m_lineRows / 2 + m_lineRows) {
            fill(out, m_leftZone.begin, m_leftZone.end, m_cropInk);
            fill(out, m_rightZone.begin, m_rightZone.end, m_cropInk);
        }

    // Alignment bars.
    auto shade = [this](std::uint8_t darkness, std::uint8_t* colour) {
        if (m_channels == 4) {
            colour[0] = colour[1] = colour[2] = 0;
            colour[3] = darkness;
        } else {
            colour[0] = colour[1] = colour[2] = static_cast<std::uint8_t>(255 - darkness);
        }
    };
    std::uint8_t colour[4] = {};
    if (g.horizontal()) {
        if (m_barRows.contains(row) || m_bottomBarRows.contains(row)) {
            shade(m_darkness[static_cast<std::size_t>(row)], colour);
            fill(out, m_barColumns.begin, m_barColumns.end, colour);
        }
    } else if (m_barRows.contains(row)) {
        for (const Span& bar : { m_leftZone, m_rightZone })
            for (std::int64_t x = std::max<std::int64_t>(bar.begin, 0); x < bar.end; ++x) {
                shade(m_darkness[static_cast<std::size_t>(x)], colour);
                std::memcpy(out + x * m_channels, colour, static_cast<std::size_t>(m_channels));
            }
    }

    // The text line; what does not fit between the crop marks is left out.
    if (row >= m_textTop && row < m_textTop + m_textHeight) {
        const std::uint8_t* text = m_text.data() + (row - m_textTop) * m_textWidth;
        const std::int64_t end = std::min(m_textWidth, m_textRight - m_textLeft);
        for (std::int64_t x = 0; x < end; ++x)
            if (text[x])
                std::memcpy(out + (m_textLeft + x) * m_channels, m_ink, static_cast<std::size_t>(m_channels));
    }
}

void PrintPage::makeRows(std::int64_t first, int count, std::uint8_t* out) {
    if (!m_geometry.settings.marks) {
        // Without marks the page is the picture and its bleed.
        m_picture.makeRows(first, count, out);
        return;
    }
    // The picture's rows among these, made together.
    const std::int64_t from = std::max(first, m_pictureTop);
    const std::int64_t to = std::min(first + count, m_pictureTop + m_geometry.bledHeight());
    const std::size_t pictureBytes = m_picture.rowBytes();
    if (from < to) {
        m_pictureRow.resize(pictureBytes * static_cast<std::size_t>(to - from));
        m_picture.makeRows(from - m_pictureTop, static_cast<int>(to - from), m_pictureRow.data());
    }
    const std::size_t bytes = rowBytes();
    for (int i = 0; i < count; ++i) {
        const std::int64_t row = first + i;
        std::uint8_t* line = out + static_cast<std::size_t>(i) * bytes;
        std::memset(line, m_paper[0], bytes); // paper is the same in every byte
        if (row >= from && row < to)
            std::memcpy(line + static_cast<std::size_t>(m_pictureLeft * m_channels),
                m_pictureRow.data() + static_cast<std::size_t>(row - from) * pictureBytes, pictureBytes);
        drawMarks(row, line);
    }
}

} // namespace deptrix
