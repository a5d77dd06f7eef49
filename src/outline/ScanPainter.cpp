#include "outline/ScanPainter.h"

#include <algorithm>
#include <cmath>

namespace deptrix {

namespace {

/// Narrows [lo, hi] to the x where c1 * x + c0 lies within [low, high].
void Constrain(double c1, double c0, double low, double high, double& lo, double& hi) {
    if (c1 == 0) {
        if (c0 < low || c0 > high) {
            lo = 1;
            hi = 0;
        }
        return;
    }
    double a = (low - c0) / c1;
    double b = (high - c0) / c1;
    if (a > b) std::swap(a, b);
    lo = std::max(lo, a);
    hi = std::min(hi, b);
}

} // namespace

const std::vector<PixelSpan>& ScanPainter::fill(std::span<const LinePoint> points) {
    m_spans.clear();
    m_edges.clear();
    const size_t n = points.size();
    if (n < 3 || m_width <= 0 || m_height <= 0) return m_spans;
    double top = m_height, bottom = -1;
    for (size_t i = 0; i < n; ++i) {
        const LinePoint& a = points[i];
        const LinePoint& b = points[(i + 1) % n];
        if (a.y == b.y) continue; // a horizontal edge crosses no sampled row
        const LinePoint& upper = a.y < b.y ? a : b;
        const LinePoint& lower = a.y < b.y ? b : a;
        const double slope
            = (static_cast<double>(lower.x) - upper.x) / (static_cast<double>(lower.y) - upper.y);
        m_edges.push_back({ static_cast<double>(upper.y), static_cast<double>(lower.y),
            static_cast<double>(upper.x), static_cast<double>(upper.y), slope });
        top = std::min(top, static_cast<double>(upper.y));
        bottom = std::max(bottom, static_cast<double>(lower.y));
    }
    if (m_edges.empty()) return m_spans;
    const int firstRow = static_cast<int>(std::max(0.0, top));
    const int endRow = static_cast<int>(std::min(static_cast<double>(m_height), bottom));
    if (firstRow >= endRow) return m_spans;
    // Edges in order of their first row; the active ones are those spanning the row.
    std::sort(m_edges.begin(), m_edges.end(), [](const Edge& a, const Edge& b) { return a.yTop < b.yTop; });
    std::vector<const Edge*>& active = m_active;
    active.clear();
    size_t next = 0;
    for (int y = firstRow; y < endRow; ++y) {
        while (next < m_edges.size() && m_edges[next].yTop <= y) active.push_back(&m_edges[next++]);
        std::erase_if(active, [y](const Edge* e) { return e->yBottom <= y; });
        m_crossings.clear();
        for (const Edge* e : active) m_crossings.push_back(e->x0 + (y - e->y0) * e->slope);
        std::sort(m_crossings.begin(), m_crossings.end());
        for (size_t i = 0; i + 1 < m_crossings.size(); i += 2) {
            // Centres on the left edge belong to the interior, on the right edge not.
            const double left = std::max(std::ceil(m_crossings[i]), 0.0);
            const double right = std::min(std::ceil(m_crossings[i + 1]), static_cast<double>(m_width));
            if (left < right) m_spans.push_back({ y, static_cast<int>(left), static_cast<int>(right) });
        }
    }
    return m_spans;
}

const std::vector<PixelSpan>& ScanPainter::stroke(
    std::span<const LinePoint> points, bool closed, int penWidth) {
    strokeRuns(points, closed, penWidth);
    mergeRuns();
    return m_spans;
}

const std::vector<PixelSpan>& ScanPainter::strokeRuns(
    std::span<const LinePoint> points, bool closed, int penWidth) {
    m_spans.clear();
    const size_t n = points.size();
    if (n == 0) return m_spans;
    const size_t segments = closed ? n : n - 1;
    const double radius = penWidth / 2.0;
    const double offset = penWidth % 2 == 0 ? 0.5 : 0.0;
    if (n == 1) {
        if (penWidth <= 1)
            addThin(points[0], points[0]);
        else
            addCapsule(points[0], points[0], radius, offset);
    }
    for (size_t i = 0; i < segments && n > 1; ++i) {
        const LinePoint& a = points[i];
        const LinePoint& b = points[(i + 1) % n];
        if (penWidth <= 1)
            addThin(a, b);
        else
            addCapsule(a, b, radius, offset);
    }
    return m_spans;
}

const std::vector<PixelSpan>& ScanPainter::segment(LinePoint from, LinePoint to, int penWidth) {
    const LinePoint ends[] = { from, to };
    return strokeRuns(ends, false, penWidth);
}

const std::vector<PixelSpan>& ScanPainter::rectangle(
    std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2) {
    m_spans.clear();
    const auto left = static_cast<int>(std::clamp<std::int64_t>(x1, 0, m_width));
    const auto right = static_cast<int>(std::clamp<std::int64_t>(x2, 0, m_width));
    const auto top = static_cast<int>(std::clamp<std::int64_t>(y1, 0, m_height));
    const auto bottom = static_cast<int>(std::clamp<std::int64_t>(y2, 0, m_height));
    if (left >= right) return m_spans;
    for (int y = top; y < bottom; ++y) m_spans.push_back({ y, left, right });
    return m_spans;
}

void ScanPainter::addThin(LinePoint a, LinePoint b) {
    const double ax = a.x, ay = a.y;
    const double dx = static_cast<double>(b.x) - ax;
    const double dy = static_cast<double>(b.y) - ay;
    if (std::abs(dx) >= std::abs(dy)) {
        // One pixel per column, at the row nearest the segment.
        const double from = std::max(std::min(ax, static_cast<double>(b.x)), 0.0);
        const double to = std::min(std::max(ax, static_cast<double>(b.x)), m_width - 1.0);
        for (double x = from; x <= to; ++x) {
            const double y = dx == 0 ? ay : std::floor(ay + (x - ax) * dy / dx + 0.5);
            if (y >= 0 && y < m_height)
                m_spans.push_back({ static_cast<int>(y), static_cast<int>(x), static_cast<int>(x) + 1 });
        }
        return;
    }
    const double from = std::max(std::min(ay, static_cast<double>(b.y)), 0.0);
    const double to = std::min(std::max(ay, static_cast<double>(b.y)), m_height - 1.0);
    for (double y = from; y <= to; ++y) {
        const double x = std::floor(ax + (y - ay) * dx / dy + 0.5);
        if (x >= 0 && x < m_width)
            m_spans.push_back({ static_cast<int>(y), static_cast<int>(x), static_cast<int>(x) + 1 });
    }
}

void ScanPainter::addCapsule(LinePoint a, LinePoint b, double radius, double offset) {
    // Everything relative to a, so far-off segments keep their precision.
    const double dx = static_cast<double>(b.x) - a.x;
    const double dy = static_cast<double>(b.y) - a.y;
    const double length2 = dx * dx + dy * dy;
    const double reach = radius * std::sqrt(length2);
    const double top = std::max(std::ceil(std::min(0.0, dy) + a.y - radius - offset), 0.0);
    const double bottom = std::min(std::floor(std::max(0.0, dy) + a.y + radius - offset), m_height - 1.0);
    for (double y = top; y <= bottom; ++y) {
        const double ry = y + offset - a.y; // sample row relative to a
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        // The round ends: discs at a (0, 0) and at b (dx, dy).
        const double endX[] = { 0.0, dx };
        const double endY[] = { 0.0, dy };
        for (int e = 0; e < 2; ++e) {
            const double d = ry - endY[e];
            if (std::abs(d) > radius) continue;
            const double s = std::sqrt(radius * radius - d * d);
            lo = std::min(lo, endX[e] - s);
            hi = std::max(hi, endX[e] + s);
        }
        if (length2 > 0) {
            // The band between the round ends: projection within the segment and
            // distance to its line within the radius.
            double bandLo = -HUGE_VAL, bandHi = HUGE_VAL;
            Constrain(dx, ry * dy, 0, length2, bandLo, bandHi);
            Constrain(dy, -ry * dx, -reach, reach, bandLo, bandHi);
            if (bandLo <= bandHi) {
                lo = std::min(lo, bandLo);
                hi = std::max(hi, bandHi);
            }
        }
        if (lo <= hi) addRun(static_cast<std::int64_t>(y), lo + a.x, hi + a.x, offset);
    }
}

void ScanPainter::addRun(std::int64_t y, double left, double right, double offset) {
    // Pixels whose sample x + offset lies within [left, right].
    const double first = std::max(std::ceil(left - offset), 0.0);
    const double last = std::min(std::floor(right - offset), m_width - 1.0);
    if (first > last) return;
    m_spans.push_back({ static_cast<int>(y), static_cast<int>(first), static_cast<int>(last) + 1 });
}

void ScanPainter::mergeRuns() {
    if (m_spans.empty()) return;
    // Counting sort by row (the rows of one shape are few), then by column within
    // each row, where a shape has only a handful of runs.
    int top = m_spans.front().y, bottom = top;
    for (const PixelSpan& s : m_spans) {
        top = std::min(top, s.y);
        bottom = std::max(bottom, s.y);
    }
    m_rowStarts.assign(static_cast<size_t>(bottom - top) + 2, 0);
    for (const PixelSpan& s : m_spans) ++m_rowStarts[static_cast<size_t>(s.y - top) + 1];
    for (size_t i = 1; i < m_rowStarts.size(); ++i) m_rowStarts[i] += m_rowStarts[i - 1];
    m_sorted.resize(m_spans.size());
    for (const PixelSpan& s : m_spans) m_sorted[m_rowStarts[static_cast<size_t>(s.y - top)]++] = s;
    m_spans.clear();
    size_t begin = 0;
    while (begin < m_sorted.size()) {
        size_t end = begin + 1;
        while (end < m_sorted.size() && m_sorted[end].y == m_sorted[begin].y) ++end;
        for (size_t i = begin + 1; i < end; ++i) {
            const PixelSpan run = m_sorted[i];
            size_t j = i;
            for (; j > begin && m_sorted[j - 1].x1 > run.x1; --j) m_sorted[j] = m_sorted[j - 1];
            m_sorted[j] = run;
        }
        for (size_t i = begin; i < end; ++i) {
            if (i > begin && m_sorted[i].x1 <= m_spans.back().x2) {
                m_spans.back().x2 = std::max(m_spans.back().x2, m_sorted[i].x2);
                continue;
            }
            m_spans.push_back(m_sorted[i]);
        }
        begin = end;
    }
}

} // namespace deptrix
