#pragma once

#include "core/Canvas.h"
#include "core/Outlines.h"

#include <span>
#include <vector>

namespace deptrix {

/// Row runs of the shapes the outline editor paints, clipped to a picture of
/// width x height. Integer coordinates are pixel centres.
///
/// - A polygon covers the pixels whose centre lies inside it by the even-odd rule; a
///   centre exactly on an edge belongs to the shape on its left and top side, so a
///   box from (10, 10) to (30, 30) covers columns and rows 10..29.
/// - A pen of width 0 or 1 draws one pixel per step along the longer axis of each
///   segment. A wider pen covers the pixels within half its width of the segments,
///   with round ends and joins; an even width is sampled half a pixel off the centres,
///   so a horizontal stroke of width w covers exactly w rows.
///
/// Coordinates anywhere in the 32-bit range are handled exactly: nothing outside the
/// picture is visited.
class ScanPainter {
public:
    ScanPainter(int width, int height)
        : m_width(width)
        , m_height(height) { }

    /// The interior of a closed polygon (without its border). Each pixel appears once.
    const std::vector<PixelSpan>& fill(std::span<const LinePoint> points);
    /// The border of a closed polygon (`closed`) or an open polyline, drawn with a pen
    /// `penWidth` wide. Runs are sorted by row and merged, so each pixel appears once.
    const std::vector<PixelSpan>& stroke(std::span<const LinePoint> points, bool closed, int penWidth);
    /// The same pixels, unsorted and possibly overlapping where segments meet: cheaper
    /// for painting that simply overwrites.
    const std::vector<PixelSpan>& strokeRuns(std::span<const LinePoint> points, bool closed, int penWidth);
    /// One segment with a pen `penWidth` wide, as runs like strokeRuns(); a segment of
    /// length 0 is a dot.
    const std::vector<PixelSpan>& segment(LinePoint from, LinePoint to, int penWidth);
    /// Columns x1..x2-1 of rows y1..y2-1.
    const std::vector<PixelSpan>& rectangle(
        std::int64_t x1, std::int64_t y1, std::int64_t x2, std::int64_t y2);

private:
    void addThin(LinePoint a, LinePoint b);
    void addCapsule(LinePoint a, LinePoint b, double radius, double offset);
    void addRun(std::int64_t y, double left, double right, double offset);
    void mergeRuns();

    int m_width;
    int m_height;
    std::vector<PixelSpan> m_spans;

    struct Edge {
        double yTop; ///< rows from ceil(yTop) ...
        double yBottom; ///< ... to below yBottom
        double x0;
        double y0;
        double slope; ///< dx / dy
    };
    std::vector<Edge> m_edges;
    std::vector<const Edge*> m_active;
    std::vector<double> m_crossings;
    std::vector<size_t> m_rowStarts;
    std::vector<PixelSpan> m_sorted;
};

/// Writes `value` into every pixel of `spans` of a plane of T: a Gray8 picture (T is
/// one byte) or a code buffer of `stride` elements per row.
template <typename T>
void WriteSpans(T* plane, std::size_t stride, std::span<const PixelSpan> spans, T value) {
    for (const PixelSpan& s : spans) {
        T* row = plane + static_cast<std::size_t>(s.y) * stride;
        std::fill(row + s.x1, row + s.x2, value);
    }
}

} // namespace deptrix
