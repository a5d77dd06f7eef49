#include "depth/DepthQuantities.h"

namespace deptrix {

std::int64_t OutlineMargin(Fixed sourceDpi, Fixed layerDepth) {
    return Round(static_cast<long double>(sourceDpi) * static_cast<long double>(layerDepth) / 4.0L / 1e8L);
}

std::int64_t SmoothingStep(std::int32_t sourceWidth, std::uint8_t smooth) {
    return Round(static_cast<long double>(sourceWidth) / 500.0L * smooth);
}

std::int64_t LevelShift(std::int32_t sourceWidth, Fixed layerDepth, Fixed depthFactor) {
    return Round(static_cast<long double>(sourceWidth) * static_cast<long double>(layerDepth)
        * static_cast<long double>(depthFactor) / 5000.0L / 6.0L / 10000.0L);
}

} // namespace deptrix
