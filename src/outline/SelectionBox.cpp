#include "outline/SelectionBox.h"

#include "core/Fixed.h"

#include <algorithm>

namespace deptrix {

SelectionBox BoundingBox(const OrderLines& copies) {
    SelectionBox box;
    for (const Line& line : copies) {
        for (const LinePoint& p : line) {
            if (box.empty) {
                box.left = box.right = p.x;
                box.top = box.bottom = p.y;
                box.empty = false;
                continue;
            }
            box.left = std::min(box.left, p.x);
            box.right = std::max(box.right, p.x);
            box.top = std::min(box.top, p.y);
            box.bottom = std::max(box.bottom, p.y);
        }
    }
    if (box.empty) return box;
    box.centerX = static_cast<std::int32_t>(
        Round((static_cast<long double>(box.left) + static_cast<long double>(box.right)) / 2.0L));
    box.centerY = static_cast<std::int32_t>(
        Round((static_cast<long double>(box.top) + static_cast<long double>(box.bottom)) / 2.0L));
    return box;
}

std::array<HandleRegion, 10> HandleRegions(const SelectionBox& box, int g) {
    const std::int64_t L = box.left, T = box.top, R = box.right, B = box.bottom;
    const std::int64_t cx = box.centerX, cy = box.centerY;
    return { {
        { kHandleInside, L, T, R, B },
        { kHandleCentre, cx - g, cy - g, cx + g, cy + g },
        { kHandleTop, L, T - g, R, T + g },
        { kHandleRight, R - g, T, R + g, B },
        { kHandleBottom, L, B - g, R, B + g },
        { kHandleLeft, L - g, T, L + g, B },
        { kHandleTopLeft, L - g, T - g, L + g, T + g },
        { kHandleTopRight, R - g, T - g, R + g, T + g },
        { kHandleBottomRight, R - g, B - g, R + g, B + g },
        { kHandleBottomLeft, L - g, B - g, L + g, B + g },
    } };
}

} // namespace deptrix
