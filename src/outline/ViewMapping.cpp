#include "outline/ViewMapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace deptrix {

namespace {

std::int32_t ToCoordinate(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

} // namespace

LinePoint ViewMapping::toWorking(int x, int y) const {
    const long double s = static_cast<long double>(scale);
    const long double wx
        = (static_cast<long double>(x) * 10000.0L - static_cast<long double>(offsetX)) * s / 1e8L;
    const long double wy
        = (static_cast<long double>(y) * 10000.0L - static_cast<long double>(offsetY)) * s / 1e8L;
    return { ToCoordinate(Round(wx)), ToCoordinate(Round(wy)) };
}

int ViewMapping::markUnit() const {
    return static_cast<int>(
        std::clamp<std::int64_t>(Round(2.0L * static_cast<long double>(scale) / 10000.0L), 0, 255));
}

int ViewMapping::handleHalf() const {
    const long double perClient = static_cast<long double>(scale) / 10000.0L;
    const auto reach = static_cast<std::int64_t>(std::ceil(3.5L * perClient));
    // At least two pixels either side, so a dark edge still has a light inside.
    return static_cast<int>(
        std::clamp<std::int64_t>(std::max<std::int64_t>(2 * markUnit(), reach), 2, 1 << 16));
}

int ViewMapping::onePixel() const {
    return static_cast<int>(
        std::clamp<std::int64_t>(Round(static_cast<long double>(scale) / 10000.0L), 1, 1 << 16));
}

ViewMapping FitMapping(
    const ViewMapping& current, int imageWidth, int imageHeight, int clientWidth, int clientHeight) {
    if (clientHeight <= 0 || imageHeight <= 0 || clientWidth <= 0) return current;
    ViewMapping fitted = current;
    fitted.clientWidth = clientWidth;
    fitted.clientHeight = clientHeight;
    const long double W = imageWidth;
    const long double H = imageHeight;
    const long double w = clientWidth;
    const long double h = clientHeight;
    if (W / H >= w / h) {
        fitted.scale = Round(W / w * 10000.0L);
        fitted.offsetX = 0;
        fitted.offsetY = fitted.scale == 0
            ? 0
            : Round((h - H / static_cast<long double>(fitted.scale) * 10000.0L) / 2.0L * 10000.0L);
    } else {
        fitted.scale = Round(H / h * 10000.0L);
        fitted.offsetX = fitted.scale == 0
            ? 0
            : Round((w - W / static_cast<long double>(fitted.scale) * 10000.0L) / 2.0L * 10000.0L);
        fitted.offsetY = 0;
    }
    return fitted;
}

} // namespace deptrix
