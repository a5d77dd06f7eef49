#pragma once

#include "core/Bitmap.h"
#include "core/Fixed.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace deptrix {

/// Byte every pixel of a fresh Coverage plane starts with: white, the value the
/// accumulation formula treats as "nothing covered yet" in our grey-table BMP files.
inline constexpr std::uint8_t kCoverageStart = 255;

/// Pixel format of the document's layer pictures and composite: Bgr24 for RGB
/// (ImageMode 3), Cmyk32 for every other mode.
PixelFormat CompositeFormat(int imageMode);

/// Round(v x workScale / 10000): a source coordinate on the working grid. The result
/// is held within +-2^40, far outside any picture, so that edge arithmetic on it can
/// never overflow.
std::int64_t ToWorking(long double sourceValue, Fixed workScale);

/// Makes `picture` width x height in `format` with every byte set to `value`, reusing
/// its memory when the size and format already match.
void ResetPicture(Bitmap& picture, int width, int height, PixelFormat format, std::uint8_t value);

/// The part of a layer that falls on a target picture, in target pixels: rows y0..y1
/// and columns x0..x1 (inclusive); the layer's own pixel (0, 0) sits at (top, left).
struct Placement {
    std::int64_t top = 0;
    std::int64_t left = 0;
    std::int64_t y0 = 0;
    std::int64_t y1 = -1;
    std::int64_t x0 = 0;
    std::int64_t x1 = -1;

    bool empty() const { return y0 > y1 || x0 > x1; }
    std::size_t columns() const { return empty() ? 0 : static_cast<std::size_t>(x1 - x0 + 1); }
};

/// Where a layer `width` x `height` pixels, its top-left pixel at (top, left), falls on
/// a target `targetWidth` x `targetHeight` pixels.
Placement PlaceArea(std::int64_t targetWidth, std::int64_t targetHeight, std::int64_t width,
    std::int64_t height, std::int64_t top, std::int64_t left);

/// Where `source` with its `mask`, its top-left pixel at (top, left), falls on
/// `target`: only the area that both source and mask hold counts. Empty when any
/// picture is empty or nothing overlaps. Throws Error naming `what` when the source's
/// pixel format differs from the target's or the mask is not 8-bit.
Placement PlaceLayer(const Bitmap& target, const Bitmap& source, const Bitmap& mask, std::int64_t top,
    std::int64_t left, std::string_view what);

/// Lays `source` over `target` with its top-left pixel at working position (top, left)
/// through `mask`: every covered byte becomes the nearest integer to
/// (dst x (255 - m) + src x m) / 255, and `coverage`, when given, accumulates m the
/// same way towards 255. Whatever falls outside the target is clipped; only the area
/// that both source and mask hold is drawn. Throws Error naming `what` when the
/// source's pixel format differs from the target's or the mask is not 8-bit.
void LayOver(Bitmap& target, Bitmap* coverage, const Bitmap& source, const Bitmap& mask, std::int64_t top,
    std::int64_t left, std::string_view what);

} // namespace deptrix
