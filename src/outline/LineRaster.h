#pragma once

#include "core/Canvas.h"
#include "core/Outlines.h"

#include <array>
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

/// Whether every pixel of line `line` (interior and border) lies under a line of a
/// nearer order (a smaller order index) whose order is in `shown`: the display then
/// hides it completely. A line without pixels inside the picture is not hidden.
bool HiddenUnderNearerLines(
    const RasterizedLines& raster, LineRef line, const std::array<bool, kOrderCount>& shown);

} // namespace deptrix
