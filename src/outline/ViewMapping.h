#pragma once

#include "core/Fixed.h"
#include "core/Outlines.h"

#include <cstdint>

namespace deptrix {

/// How the picture control shows the working picture: working pixels per client pixel
/// and the picture's margins inside the control (client pixels), all x10000, plus the
/// control's client size.
struct ViewMapping {
    Fixed scale = kFixedOne;
    Fixed offsetX = 0;
    Fixed offsetY = 0;
    int clientWidth = 0;
    int clientHeight = 0;

    /// Working pixel under client position (x, y): Round((x * 10000 - offset) * scale
    /// / 10^8) on each axis, ties to even, not clamped to the picture.
    LinePoint toWorking(int x, int y) const;

    /// About two client pixels in working pixels: Round(2 * scale / 10000), at most 255.
    int markUnit() const;
    /// Half the side of the Free Transform handles in working pixels: twice the mark
    /// unit, but never so small that a handle spans fewer than 7 client pixels or
    /// fewer than 4 working pixels.
    int handleHalf() const;
    /// About one client pixel in working pixels, at least one.
    int onePixel() const;
};

/// The mapping of a picture of imageWidth x imageHeight stretched proportionally and
/// centred in a control of clientWidth x clientHeight. Returns `current` unchanged when
/// either height or the client width is not positive.
ViewMapping FitMapping(
    const ViewMapping& current, int imageWidth, int imageHeight, int clientWidth, int clientHeight);

} // namespace deptrix
