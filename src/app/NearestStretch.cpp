#include "app/NearestStretch.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace deptrix {

namespace {

template <int Bytes> void StretchRows(const QImage& source, QSize targetSize, QRect visible, QImage& part) {
    const std::int64_t sw = source.width();
    const std::int64_t sh = source.height();
    const std::int64_t tw = targetSize.width();
    const std::int64_t th = targetSize.height();
    std::vector<int> columns(static_cast<size_t>(visible.width()));
    for (int x = 0; x < visible.width(); ++x)
        columns[static_cast<size_t>(x)] = static_cast<int>((visible.left() + x) * sw / tw) * Bytes;
    const size_t rowBytes = static_cast<size_t>(visible.width()) * Bytes;
    int previous = -1;
    for (int y = 0; y < visible.height(); ++y) {
        const int row = static_cast<int>((visible.top() + y) * sh / th);
        std::uint8_t* to = part.scanLine(y);
        // Enlarged, consecutive rows repeat one source row: copy the row just made.
        if (row == previous) {
            std::memcpy(to, part.constScanLine(y - 1), rowBytes);
            continue;
        }
        const std::uint8_t* from = source.constScanLine(row);
        for (const int column : columns) {
            std::memcpy(to, from + column, Bytes);
            to += Bytes;
        }
        previous = row;
    }
}

} // namespace

QImage StretchNearestPart(const QImage& source, QSize targetSize, QRect visible) {
    visible &= QRect(QPoint(0, 0), targetSize);
    if (source.isNull() || visible.isEmpty()) return QImage();
    QImage part(visible.size(), source.format());
    switch (source.depth()) {
    case 32:
        StretchRows<4>(source, targetSize, visible, part);
        break;
    case 24:
        StretchRows<3>(source, targetSize, visible, part);
        break;
    default:
        return QImage();
    }
    return part;
}

} // namespace deptrix
