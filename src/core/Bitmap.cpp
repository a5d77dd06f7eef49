#include "core/Bitmap.h"

#include "core/Error.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace deptrix {

int BytesPerPixel(PixelFormat format) {
    switch (format) {
    case PixelFormat::Gray8:
        return 1;
    case PixelFormat::Bgr24:
        return 3;
    case PixelFormat::Cmyk32:
        return 4;
    }
    return 1;
}

std::size_t RowStride(int width, PixelFormat format) {
    const std::size_t bytes
        = static_cast<std::size_t>(width) * static_cast<std::size_t>(BytesPerPixel(format));
    return (bytes + 3) & ~std::size_t { 3 };
}

std::size_t CheckedImageBytes(
    std::int64_t width, std::int64_t height, int bytesPerPixel, const char* what, std::size_t limitBytes) {
    if (width < 0 || height < 0 || width > kMaxBitmapSide || height > kMaxBitmapSide)
        throw Error(std::string(what) + ": picture size " + std::to_string(width) + " x "
            + std::to_string(height) + " is out of range");
    // Both sides are at most 32767 and bytesPerPixel small, so the product fits in 64 bits.
    const auto rowBytes
        = (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bytesPerPixel) + 3) & ~3ull;
    const std::uint64_t total = rowBytes * static_cast<std::uint64_t>(height);
    if (total > limitBytes)
        throw Error(std::string(what) + ": picture of " + std::to_string(width) + " x "
            + std::to_string(height) + " pixels is too large");
    return static_cast<std::size_t>(total);
}

Bitmap::Bitmap(int width, int height, PixelFormat format)
    : m_width(width)
    , m_height(height)
    , m_format(format) {
    const std::size_t bytes = CheckedImageBytes(width, height, BytesPerPixel(format), "picture");
    m_stride = RowStride(width, format);
    m_pixels.assign(bytes, 0);
    if (width == 0 || height == 0) {
        m_width = 0;
        m_height = 0;
        m_stride = 0;
    }
}

Bitmap::Bitmap(int width, int height, PixelFormat format, UnfilledPixels)
    : m_width(width)
    , m_height(height)
    , m_format(format) {
    const std::size_t bytes = CheckedImageBytes(width, height, BytesPerPixel(format), "picture");
    m_stride = RowStride(width, format);
    m_pixels.resize(bytes);
    if (width == 0 || height == 0) {
        m_width = 0;
        m_height = 0;
        m_stride = 0;
        return;
    }
    const std::size_t used
        = static_cast<std::size_t>(width) * static_cast<std::size_t>(BytesPerPixel(format));
    if (used != m_stride)
        for (int y = 0; y < height; ++y) std::memset(row(y) + used, 0, m_stride - used);
}

void Bitmap::fill(std::uint8_t value) {
    std::fill(m_pixels.begin(), m_pixels.end(), value);
}

void Bitmap::release() {
    m_width = 0;
    m_height = 0;
    m_stride = 0;
    decltype(m_pixels)().swap(m_pixels);
}

bool Bitmap::samePixels(const Bitmap& other) const {
    if (m_width != other.m_width || m_height != other.m_height || m_format != other.m_format) return false;
    const std::size_t used = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(bytesPerPixel());
    for (int y = 0; y < m_height; ++y)
        if (std::memcmp(row(y), other.row(y), used) != 0) return false;
    return true;
}

} // namespace deptrix
