#include "app/NearestStretch.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace deptrix {

QImage StretchNearestPart(const QImage& source, QSize targetSize, QRect visible) {
    visible &= QRect(QPoint(0, 0), targetSize);
    if (source.isNull() || visible.isEmpty()) return QImage();
    const std::int64_t sw = source.width();
    const std::int64_t sh = source.height();
    const std::int64_t tw = targetSize.width();
    const std::int64_t th = targetSize.height();
    QImage part(visible.size(), source.format());
    std::vector<int> columns(static_cast<size_t>(visible.width()));
    for (int x = 0; x < visible.width(); ++x)
        columns[static_cast<size_t>(x)] = static_cast<int>((visible.left() + x) * sw / tw);
    const size_t rowBytes = static_cast<size_t>(visible.width()) * sizeof(std::uint32_t);
    int previous = -1;
    for (int y = 0; y < visible.height(); ++y) {
        const int row = static_cast<int>((visible.top() + y) * sh / th);
        auto* to = reinterpret_cast<std::uint32_t*>(part.scanLine(y));
        // Enlarged, consecutive rows repeat one source row: copy the row just made.
        if (row == previous) {
            std::memcpy(to, part.constScanLine(y - 1), rowBytes);
            continue;
        }
        const auto* from = reinterpret_cast<const std::uint32_t*>(source.constScanLine(row));
        for (const int column : columns) *to++ = from[column];
        previous = row;
    }
    return part;
}

} // namespace deptrix
