#pragma once

#include "core/Fixed.h"

#include <cstdint>

namespace deptrix {

/// Depth levels of the outline synthesis: one byte per pixel, larger is nearer.
inline constexpr std::uint8_t kLevelOutsideDocument = 0;
inline constexpr std::uint8_t kLevelBackground = 30;

/// The level inside a line of order index `order` (0..14): 255 for Order 1 down to
/// 45 for Order 15.
constexpr std::uint8_t OrderLevel(int order) {
    return static_cast<std::uint8_t>(255 - 15 * order);
}

/// The level that stays in place in every view. Byte arithmetic on purpose: base
/// orders 0..15 give 255..30, and the few out-of-range values a file may carry wrap
/// the same way the stored byte always has.
constexpr std::uint8_t BaseLevelOf(std::uint8_t baseOrder) {
    return static_cast<std::uint8_t>(255u - 15u * baseOrder);
}

/// The horizontal margin of a warped layer in source pixels: a quarter inch times
/// the layer's depth, Round(dpi x depth / 4) on the raw fixed-point values.
std::int64_t OutlineMargin(Fixed sourceDpi, Fixed layerDepth);

/// The tap distance of the depth smoothing: Round(sourceWidth / 500 x smooth), about
/// 0.2 % of the document width per step of smoothness.
std::int64_t SmoothingStep(std::int32_t sourceWidth, std::uint8_t smooth);

/// Sideways movement per depth level and view step in 1/10000 pixel:
/// Round(sourceWidth x depth x depthFactor / 3) in real terms. A 3000-pixel
/// document with depth and factor 1.0 gives 1000.
std::int64_t LevelShift(std::int32_t sourceWidth, Fixed layerDepth, Fixed depthFactor);

/// How far view v (1..7) moves from the centre view: +3 for view 1 down to -3 for
/// view 7, so view 4 is the unmoved centre in every colour mode.
constexpr int ViewFactor(int view) {
    return 4 - view;
}

} // namespace deptrix
