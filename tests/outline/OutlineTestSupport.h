#pragma once

#include "core/Bitmap.h"
#include "core/Outlines.h"

#include <cstdint>

namespace deptrix::test {

/// A closed axis-aligned rectangle as a 4-point line, clockwise from the top-left.
inline Line Box(int left, int top, int right, int bottom) {
    return { { left, top }, { right, top }, { right, bottom }, { left, bottom } };
}

/// A regular-ish polygon of `count` points on a square's border, clockwise from its
/// top-left corner; consecutive points are `step` pixels apart.
inline Line SquareRing(int left, int top, int side, int count) {
    Line line;
    const int perimeter = 4 * side;
    for (int i = 0; i < count; ++i) {
        const int d = static_cast<int>(static_cast<long long>(i) * perimeter / count);
        if (d < side)
            line.push_back({ left + d, top });
        else if (d < 2 * side)
            line.push_back({ left + side, top + d - side });
        else if (d < 3 * side)
            line.push_back({ left + 3 * side - d, top + side });
        else
            line.push_back({ left, top + 4 * side - d });
    }
    return line;
}

/// A 24-bit picture of one colour.
inline Bitmap SolidRgb(int width, int height, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    Bitmap picture(width, height, PixelFormat::Bgr24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = picture.row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            p[0] = blue;
            p[1] = green;
            p[2] = red;
        }
    }
    return picture;
}

struct Rgb8 {
    int red;
    int green;
    int blue;
    bool operator==(const Rgb8&) const = default;
};

inline Rgb8 PixelAt(const Bitmap& picture, int x, int y) {
    const std::uint8_t* p = picture.row(y) + x * 3;
    return { p[2], p[1], p[0] };
}

} // namespace deptrix::test
