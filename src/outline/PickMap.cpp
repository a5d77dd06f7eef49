#include "outline/PickMap.h"

#include "outline/ScanPainter.h"

#include <algorithm>

namespace deptrix {

namespace {

/// Orders are painted from the last to the first, so lower orders end on top.
template <typename Visit> void ForEachLineInPaintingOrder(const LineSet& lines, Visit&& visit) {
    for (size_t order = std::min<size_t>(lines.size(), kOrderCount); order-- > 0;) {
        const OrderLines& list = lines[order];
        for (size_t j = 0; j < list.size(); ++j)
            if (!visit(LineRef { static_cast<std::uint32_t>(order), static_cast<std::uint32_t>(j) }, list[j]))
                return;
    }
}

} // namespace

void PickMap::reset(int width, int height, PickContent content) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_codes.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), kNoCode);
    m_lines.clear();
    m_content = content;
}

void PickMap::paintLines(int width, int height, const RasterizedLines& raster) {
    reset(width, height, PickContent::Lines);
    const auto stride = static_cast<size_t>(m_width);
    std::uint32_t next = 0;
    for (size_t order = std::min<size_t>(raster.size(), kOrderCount); order-- > 0;) {
        for (size_t j = 0; j < raster[order].size() && next != kNoCode; ++j, ++next) {
            m_lines.push_back(
                { next, 1, { static_cast<std::uint32_t>(order), static_cast<std::uint32_t>(j) } });
            WriteSpans(m_codes.data(), stride, raster[order][j].interior, next);
            WriteSpans(m_codes.data(), stride, raster[order][j].border, next);
        }
    }
}

void PickMap::paintPoints(int width, int height, const LineSet& lines, int markUnit) {
    reset(width, height, PickContent::Points);
    ScanPainter scan(m_width, m_height);
    const auto stride = static_cast<size_t>(m_width);
    const int half = 2 * markUnit;
    std::uint32_t next = 0;
    ForEachLineInPaintingOrder(lines, [&](LineRef ref, const Line& line) {
        // A line without points has nothing to pick; the lines after it keep theirs.
        if (line.empty()) return true;
        const std::uint64_t codes = 2 * static_cast<std::uint64_t>(line.size());
        if (next + codes >= kNoCode) return false;
        m_lines.push_back({ next, static_cast<std::uint32_t>(codes), ref });
        const std::uint32_t first = next;
        next += static_cast<std::uint32_t>(codes);
        // Code first + 2k is point k; first + 2k - 1 the segment ending at point k; the
        // closing segment, painted last, is first + 2n - 1. Points go over segments.
        const size_t n = line.size();
        for (size_t k = 1; k <= n && n > 1; ++k) {
            if (line[k - 1] == line[k % n]) continue; // a segment of length 0 paints nothing
            const auto code = first + static_cast<std::uint32_t>(2 * k - 1);
            WriteSpans(m_codes.data(), stride, scan.segment(line[k - 1], line[k % n], 5 * markUnit), code);
        }
        for (size_t k = 0; k < n; ++k) {
            const LinePoint p = line[k];
            const auto code = first + static_cast<std::uint32_t>(2 * k);
            WriteSpans(m_codes.data(), stride,
                scan.rectangle(std::int64_t { p.x } - half, std::int64_t { p.y } - half,
                    std::int64_t { p.x } + half, std::int64_t { p.y } + half),
                code);
        }
        return true;
    });
}

void PickMap::paintHandles(int width, int height, const SelectionBox& box, int half) {
    reset(width, height, PickContent::Handles);
    if (box.empty) return;
    ScanPainter scan(m_width, m_height);
    for (const HandleRegion& region : HandleRegions(box, half))
        WriteSpans(m_codes.data(), static_cast<size_t>(m_width),
            scan.rectangle(region.x1, region.y1, region.x2, region.y2),
            static_cast<std::uint32_t>(region.code));
}

Pick PickMap::pick(std::int64_t x, std::int64_t y) const {
    Pick result;
    if (m_content == PickContent::None || x < 0 || y < 0 || x >= m_width || y >= m_height) return result;
    const std::uint32_t code = codeAt(static_cast<int>(x), static_cast<int>(y));
    if (code == kNoCode) return result;
    if (m_content == PickContent::Handles) {
        result.kind = PickKind::Handle;
        result.handle = static_cast<int>(code);
        return result;
    }
    auto after = std::upper_bound(m_lines.begin(), m_lines.end(), code,
        [](std::uint32_t value, const LineCodes& entry) { return value < entry.first; });
    if (after == m_lines.begin()) return result;
    const LineCodes& entry = *(after - 1);
    const std::uint32_t element = code - entry.first;
    if (element >= entry.count) return result;
    result.line = entry.line;
    if (m_content == PickContent::Lines) {
        result.kind = PickKind::Line;
    } else if (element % 2 == 0) {
        result.kind = PickKind::Vertex;
        result.point = element / 2;
    } else {
        result.kind = PickKind::Segment;
        result.point = (element + 1) / 2;
    }
    return result;
}

} // namespace deptrix
