#pragma once

#include <QImage>
#include <QRect>

namespace deptrix {

/// The part `visible` of `source` stretched to `targetSize` with nearest-neighbour
/// sampling: target pixel (x, y) shows source pixel (x * sw / tw, y * sh / th), the
/// way the platform's stretched drawing picks them. `visible` is in target
/// coordinates and is clipped to the target; the result has its size, so the cost
/// follows what is shown, not how far the picture is enlarged. The part has the
/// source's format, which must be of 24 or 32 bits per pixel (else the part is null).
QImage StretchNearestPart(const QImage& source, QSize targetSize, QRect visible);

} // namespace deptrix
