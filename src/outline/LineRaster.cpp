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

} // namespace deptrix
