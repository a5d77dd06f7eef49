#pragma once

#include "core/Bitmap.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace deptrix {

/// The values of a grey picture, in pixel memory: a decoder writes every value once,
/// into huge pages where the picture is large, without a zero fill before.
using GreyValues = std::vector<std::uint16_t, PixelAllocator<std::uint16_t>>;

/// A picture of 16-bit grey values (0 black .. 65535 white), rows top-down without
/// padding: what a depth map file decodes to, whatever its format and bit depth.
/// 8-bit samples v are kept as v x 257, so they read back exactly.
struct GreyPicture {
    int width = 0;
    int height = 0;
    GreyValues values;

    bool empty() const { return width <= 0 || height <= 0; }
    const std::uint16_t* row(int y) const {
        return values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
    std::uint16_t* row(int y) {
        return values.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
    }
};

/// Largest depth map picture a reader decodes, in bytes of 16-bit grey (about 268
/// million pixels); its sides are limited to kMaxBitmapSide as every picture's.
inline constexpr std::size_t kMaxGreyPictureBytes = std::size_t { 512 } << 20;

/// Rec. 601 luma of a colour sample, in the samples' own scale (8 or 16 bits): grey in
/// gives the same grey out, as the weights sum to 65536.
constexpr std::uint32_t Luminance(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return static_cast<std::uint32_t>((std::uint64_t { 19595 } * red + std::uint64_t { 38470 } * green
                                          + std::uint64_t { 7471 } * blue + 32768)
        >> 16);
}

/// An 8-bit sample widened to 16 bits (0 -> 0, 255 -> 65535).
constexpr std::uint16_t Widen8(std::uint32_t value) {
    return static_cast<std::uint16_t>(value * 257u);
}

} // namespace deptrix
