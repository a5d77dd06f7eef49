#pragma once

#include "core/Bitmap.h"
#include "core/Outlines.h"
#include "outline/LineRaster.h"

#include <array>

namespace deptrix {

/// Which orders are shown tinted (the "View" boxes), entry i for order index i.
using OrderVisibility = std::array<bool, kOrderCount>;

/// Mask value painted inside a shown line of order index `order`: 110 for the first
/// order up to 250 for the last; 0 on the borders, 255 where no line is.
constexpr std::uint8_t TintLevel(int order) {
    return static_cast<std::uint8_t>(order * 10 + 110);
}

/// Paints the tint mask (Gray8, the picture's size, recreated when needed): white,
/// then the shown orders from the last to the first, each line's interior with its
/// order's level and its border in black. Lower orders cover higher ones; later lines
/// of an order cover earlier ones. `raster` holds the lines' pixels, their borders
/// a mark unit wide.
void PaintTintMask(
    Bitmap& mask, int width, int height, const RasterizedLines& raster, const OrderVisibility& visible);

/// The tinted picture: `picture` (Bgr24) with red and green of every pixel scaled by
/// the mask value m, Round(value / 255 x m) ties to even, blue unchanged. `out` is
/// recreated with the picture's size when needed.
void ApplyTint(const Bitmap& picture, const Bitmap& mask, Bitmap& out);

} // namespace deptrix
