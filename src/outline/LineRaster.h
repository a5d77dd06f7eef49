#pragma once

#include "core/Canvas.h"
#include "core/Outlines.h"

#include <vector>

namespace deptrix {

/// The pixels of one line: its interior (even-odd) and its border.
struct LineSpans {
    std::vector<PixelSpan> interior;
    std::vector<PixelSpan> border;
};

/// The pixels of every line of a set, entry [order][line], clipped to the picture.
/// The tint mask and the line map paint the same shapes in the same order, so one
/// rasterisation serves both.
using RasterizedLines = std::vector<std::vector<LineSpans>>;

/// Rasterises every line of `lines` with a border `penWidth` wide (see ScanPainter).
RasterizedLines RasterizeLines(const LineSet& lines, int width, int height, int penWidth);

} // namespace deptrix
