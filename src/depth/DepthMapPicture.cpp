#include "depth/DepthMapPicture.h"

#include "depth/DepthQuantities.h"
#include "depth/LayerDepthSource.h"

#include <vector>

namespace deptrix {

Bitmap DepthMapPicture(
    const Document& doc, std::size_t index, const LayerRecord& layer, const LineSet& lines) {
    const Bitmap raster = LayerDepthRaster(doc, index, layer, lines);
    Bitmap picture(doc.ImageWidth, doc.ImageHeight, PixelFormat::Bgr24);

    // Working pixel x shows the source column a nearest-neighbour stretch of the
    // source grid onto the working grid gives it, as the layer pictures do.
    const long double scale = static_cast<long double>(doc.WorkScale);
    const std::int64_t sourceWidth = Round(doc.ImageWidth / scale * 10000.0L);
    const std::int64_t sourceHeight = Round(doc.ImageHeight / scale * 10000.0L);
    const std::int64_t rasterLeft = layer.Left - OutlineMargin(doc.SourceDpi, layer.Depth);
    std::vector<int> columns(static_cast<std::size_t>(picture.width()), -1);
    for (int x = 0; x < picture.width(); ++x) {
        const std::int64_t column = x * sourceWidth / picture.width() - rasterLeft;
        if (column >= 0 && column < raster.width())
            columns[static_cast<std::size_t>(x)] = static_cast<int>(column);
    }
    for (int y = 0; y < picture.height(); ++y) {
        const std::int64_t row = y * sourceHeight / picture.height() - layer.Top;
        if (row < 0 || row >= raster.height()) continue;
        const std::uint8_t* levels = raster.row(static_cast<int>(row));
        std::uint8_t* out = picture.row(y);
        for (int x = 0; x < picture.width(); ++x, out += 3) {
            const int column = columns[static_cast<std::size_t>(x)];
            if (column < 0) continue;
            out[0] = out[1] = out[2] = levels[column];
        }
    }
    return picture;
}

} // namespace deptrix
