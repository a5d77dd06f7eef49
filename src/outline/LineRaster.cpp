#include "outline/LineRaster.h"

#include "outline/ScanPainter.h"

#include <algorithm>

namespace deptrix {

RasterizedLines RasterizeLines(const LineSet& lines, int width, int height, int penWidth) {
    RasterizedLines raster(std::min<size_t>(lines.size(), kOrderCount));
    ScanPainter scan(width, height);
    for (size_t order = 0; order < raster.size(); ++order) {
        raster[order].resize(lines[order].size());
        for (size_t j = 0; j < lines[order].size(); ++j) {
            raster[order][j].interior = scan.fill(lines[order][j]);
            raster[order][j].border = scan.strokeRuns(lines[order][j], true, penWidth);
        }
    }
    return raster;
}

namespace {

/// Merges spans of one row into sorted, disjoint runs.
std::vector<PixelSpan> Merged(std::vector<PixelSpan> spans) {
    std::sort(spans.begin(), spans.end(), [](const PixelSpan& a, const PixelSpan& b) { return a.x1 < b.x1; });
    std::vector<PixelSpan> runs;
    for (const PixelSpan& s : spans) {
        if (!runs.empty() && s.x1 <= runs.back().x2)
            runs.back().x2 = std::max(runs.back().x2, s.x2);
        else
            runs.push_back(s);
    }
    return runs;
}

bool Covered(const std::vector<PixelSpan>& runs, const PixelSpan& span) {
    // Runs are disjoint and not adjacent once merged, so one run must hold the span.
    for (const PixelSpan& run : runs)
        if (run.x1 <= span.x1 && span.x2 <= run.x2) return true;
    return false;
}

} // namespace

bool HiddenUnderNearerLines(
    const RasterizedLines& raster, LineRef line, const std::array<bool, kOrderCount>& shown) {
    if (line.order >= raster.size() || line.line >= raster[line.order].size()) return false;
    const LineSpans& own = raster[line.order][line.line];
    std::vector<const PixelSpan*> pixels;
    for (const auto* part : { &own.interior, &own.border })
        for (const PixelSpan& s : *part) pixels.push_back(&s);
    if (pixels.empty()) return false;
    int top = pixels.front()->y, bottom = top;
    for (const PixelSpan* s : pixels) {
        top = std::min(top, s->y);
        bottom = std::max(bottom, s->y);
    }
    std::vector<std::vector<PixelSpan>> rows(static_cast<size_t>(bottom - top + 1));
    for (std::uint32_t order = 0; order < line.order; ++order) {
        if (!shown[order]) continue;
        for (const LineSpans& other : raster[order])
            for (const auto* part : { &other.interior, &other.border })
                for (const PixelSpan& s : *part)
                    if (s.y >= top && s.y <= bottom) rows[static_cast<size_t>(s.y - top)].push_back(s);
    }
    for (auto& row : rows) row = Merged(std::move(row));
    return std::all_of(pixels.begin(), pixels.end(),
        [&](const PixelSpan* s) { return Covered(rows[static_cast<size_t>(s->y - top)], *s); });
}

} // namespace deptrix
