#pragma once

#include "core/Outlines.h"

#include <array>
#include <cstdint>

namespace deptrix {

/// Bounding box of the working copies of the selection, working pixels.
struct SelectionBox {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    std::int32_t centerX = 0;
    std::int32_t centerY = 0;
    bool empty = true; ///< no working copy has a point
    bool operator==(const SelectionBox&) const = default;
};

/// Box over every point of every copy; the centre is Round((left + right) / 2) and
/// Round((top + bottom) / 2), ties to even.
SelectionBox BoundingBox(const OrderLines& copies);

/// Handle codes of the box: what a press at a place of the handle map grabs.
enum HandleCode : int {
    kHandleInside = 0, ///< the whole box: moves the selection
    kHandleTop = 1,
    kHandleRight = 2,
    kHandleBottom = 3,
    kHandleLeft = 4,
    kHandleTopLeft = 5,
    kHandleTopRight = 6,
    kHandleBottomRight = 7,
    kHandleBottomLeft = 8,
    kHandleCentre = 10, ///< the square at the centre: grabs nothing
    kHandleOutside = 255,
};

/// A handle region: the rectangle of columns x1..x2-1 and rows y1..y2-1.
struct HandleRegion {
    int code = kHandleOutside;
    std::int64_t x1 = 0;
    std::int64_t y1 = 0;
    std::int64_t x2 = 0;
    std::int64_t y2 = 0;
};

/// The regions in painting order (inside, centre, the four bands, the four corners);
/// later regions cover earlier ones, so corners win over bands and bands over the
/// centre square. `g` is the half-width of bands and squares (twice the mark unit).
std::array<HandleRegion, 10> HandleRegions(const SelectionBox& box, int g);

} // namespace deptrix
