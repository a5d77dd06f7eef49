#include "render/LayerBlend.h"

#include "core/Error.h"
#include "render/BlendKernels.h"

#include <algorithm>
#include <string>

namespace deptrix {

namespace {

constexpr std::int64_t kFarAway = std::int64_t { 1 } << 40;

const char* FormatName(PixelFormat format) {
    switch (format) {
    case PixelFormat::Gray8:
        return "8-bit";
    case PixelFormat::Bgr24:
        return "24-bit";
    case PixelFormat::Cmyk32:
        return "32-bit";
    }
    return "unknown";
}

} // namespace

PixelFormat CompositeFormat(int imageMode) {
    return imageMode == 3 ? PixelFormat::Bgr24 : PixelFormat::Cmyk32;
}

std::int64_t ToWorking(long double sourceValue, Fixed workScale) {
    const std::int64_t working = Round(sourceValue * static_cast<long double>(workScale) / 10000.0L);
    return std::clamp(working, -kFarAway, kFarAway);
}

void ResetPicture(Bitmap& picture, int width, int height, PixelFormat format, std::uint8_t value) {
    const bool sameShape
        = picture.format() == format && picture.width() == width && picture.height() == height;
    // Filled right away: no need to clear a new picture first.
    if (!sameShape) picture = Bitmap(width, height, format, UnfilledPixels {});
    picture.fill(value);
}

Placement PlaceArea(std::int64_t targetWidth, std::int64_t targetHeight, std::int64_t width,
    std::int64_t height, std::int64_t top, std::int64_t left) {
    Placement p;
    p.top = top;
    p.left = left;
    p.y0 = std::max<std::int64_t>(0, top);
    p.y1 = std::min<std::int64_t>(top + height - 1, targetHeight - 1);
    p.x0 = std::max<std::int64_t>(0, left);
    p.x1 = std::min<std::int64_t>(left + width - 1, targetWidth - 1);
    return p;
}

Placement PlaceLayer(const Bitmap& target, const Bitmap& source, const Bitmap& mask, std::int64_t top,
    std::int64_t left, std::string_view what) {
    if (source.empty() || mask.empty() || target.empty()) return {};
    if (source.format() != target.format())
        throw Error(std::string(what) + ": the picture is " + FormatName(source.format())
            + ", the document needs " + FormatName(target.format()));
    if (mask.format() != PixelFormat::Gray8)
        throw Error(std::string(what) + ": the mask is not an 8-bit picture");

    return PlaceArea(target.width(), target.height(), std::min(source.width(), mask.width()),
        std::min(source.height(), mask.height()), top, left);
}

void LayOver(Bitmap& target, Bitmap* coverage, const Bitmap& source, const Bitmap& mask, std::int64_t top,
    std::int64_t left, std::string_view what) {
    const Placement placement = PlaceLayer(target, source, mask, top, left, what);
    if (placement.empty()) return;
    const std::int64_t y0 = placement.y0;
    const std::int64_t y1 = placement.y1;
    const std::int64_t x0 = placement.x0;
    const std::int64_t x1 = placement.x1;

    const bool withCoverage = coverage && coverage->format() == PixelFormat::Gray8
        && coverage->width() == target.width() && coverage->height() == target.height();
    const int bpp = target.bytesPerPixel();
    const auto count = static_cast<std::size_t>(x1 - x0 + 1);
    const auto sourceColumn = static_cast<std::size_t>(x0 - left);
    for (std::int64_t y = y0; y <= y1; ++y) {
        const int sy = static_cast<int>(y - top);
        blend::BlendPixelRow(target.row(static_cast<int>(y)) + x0 * bpp, source.row(sy) + sourceColumn * bpp,
            mask.row(sy) + sourceColumn, count, bpp,
            withCoverage ? coverage->row(static_cast<int>(y)) + x0 : nullptr);
    }
}

} // namespace deptrix
