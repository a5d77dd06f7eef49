#include "outline/TintedDisplay.h"

#include "core/Error.h"
#include "core/Fixed.h"
#include "outline/ScanPainter.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace deptrix {

namespace {

void Reshape(Bitmap& bitmap, int width, int height, PixelFormat format) {
    if (bitmap.width() != width || bitmap.height() != height || bitmap.format() != format)
        bitmap = Bitmap(width, height, format);
}

/// scaled[m][v] = Round(v / 255 x m): one table for every mask value and component.
const std::vector<std::uint8_t>& ScaleTable() {
    static const std::vector<std::uint8_t> table = [] {
        std::vector<std::uint8_t> t(256 * 256);
        for (int m = 0; m < 256; ++m)
            for (int v = 0; v < 256; ++v)
                t[static_cast<size_t>(m) * 256 + static_cast<size_t>(v)]
                    = static_cast<std::uint8_t>(Round(static_cast<long double>(v) / 255.0L * m));
        return t;
    }();
    return table;
}

} // namespace

void PaintTintMask(
    Bitmap& mask, int width, int height, const RasterizedLines& raster, const OrderVisibility& visible) {
    Reshape(mask, width, height, PixelFormat::Gray8);
    mask.fill(255);
    if (mask.empty()) return;
    for (size_t order = std::min<size_t>(raster.size(), kOrderCount); order-- > 0;) {
        if (!visible[order]) continue;
        for (const LineSpans& line : raster[order]) {
            WriteSpans<std::uint8_t>(
                mask.bits(), mask.stride(), line.interior, TintLevel(static_cast<int>(order)));
            WriteSpans<std::uint8_t>(mask.bits(), mask.stride(), line.border, 0);
        }
    }
}

void ApplyTint(const Bitmap& picture, const Bitmap& mask, Bitmap& out) {
    if (picture.format() != PixelFormat::Bgr24) throw Error("the outline display needs a 24-bit picture");
    Reshape(out, picture.width(), picture.height(), PixelFormat::Bgr24);
    const bool masked = mask.width() == picture.width() && mask.height() == picture.height()
        && mask.format() == PixelFormat::Gray8;
    const std::uint8_t* table = ScaleTable().data();
    const auto rowBytes = static_cast<size_t>(picture.width()) * 3;
    for (int y = 0; y < picture.height(); ++y) {
        const std::uint8_t* from = picture.row(y);
        std::uint8_t* to = out.row(y);
        std::memcpy(to, from, rowBytes);
        if (!masked) continue;
        const std::uint8_t* m = mask.row(y);
        const int width = picture.width();
        int x = 0;
        while (x < width) {
            // Most of a picture lies outside every line, where Round(v / 255 x 255) is v:
            // skip such mask bytes eight at a time.
            std::uint64_t eight = 0;
            if (x + 8 <= width) std::memcpy(&eight, m + x, 8);
            if (eight == ~std::uint64_t { 0 }) {
                x += 8;
                continue;
            }
            const int end = std::min(x + 8, width);
            for (; x < end; ++x) {
                if (m[x] == 255) continue;
                const std::uint8_t* scaled = table + static_cast<size_t>(m[x]) * 256;
                std::uint8_t* p = to + static_cast<size_t>(x) * 3;
                p[1] = scaled[p[1]];
                p[2] = scaled[p[2]];
            }
        }
    }
}

} // namespace deptrix
