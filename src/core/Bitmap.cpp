#include "core/Bitmap.h"

#include "core/Error.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <sys/mman.h>

namespace deptrix {

namespace {

#if defined(__SANITIZE_ADDRESS__)
#define DEPTRIX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DEPTRIX_ADDRESS_SANITIZER 1
#endif
#endif

// Below this a block comes from the heap, which reuses memory without faults. The
// address sanitizer watches only heap blocks for overruns: everything goes there.
#ifdef DEPTRIX_ADDRESS_SANITIZER
constexpr std::size_t kMappedPixelBytes = static_cast<std::size_t>(-1);
#else
constexpr std::size_t kMappedPixelBytes = std::size_t { 2 } << 20;
#endif

constexpr std::size_t kSmallPage = 4096;
constexpr std::size_t kHugePage = std::size_t { 2 } << 20;

} // namespace

void* AllocatePixelMemory(std::size_t bytes) {
    if (bytes < kMappedPixelBytes) return ::operator new(bytes);
    // The block starts on a huge-page boundary: the kernel backs only whole aligned
    // huge pages with huge pages, and an unaligned block of a few MB would fault most
    // of its pages in one by one. The room mapped around it is given back at once.
    if (bytes > static_cast<std::size_t>(-1) - kHugePage) throw std::bad_alloc();
    const std::size_t mapped = bytes + kHugePage - kSmallPage;
    void* memory = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(memory);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~std::uintptr_t { kHugePage - 1 };
    const std::size_t end = (bytes + kSmallPage - 1) & ~std::size_t { kSmallPage - 1 };
    if (aligned > start) ::munmap(memory, aligned - start);
    if (start + mapped > aligned + end)
        ::munmap(reinterpret_cast<void*>(aligned + end), start + mapped - aligned - end);
    // Only advice: where huge pages are off or scarce the block keeps small pages.
    ::madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void FreePixelMemory(void* memory, std::size_t bytes) noexcept {
    if (!memory) return;
    if (bytes < kMappedPixelBytes) {
        ::operator delete(memory);
        return;
    }
    ::munmap(memory, bytes);
}

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
    clearPadding(); // the maker fills the pixels; the bytes after them stay zero
    if (width == 0 || height == 0) {
        m_width = 0;
        m_height = 0;
        m_stride = 0;
    }
}

void Bitmap::fill(std::uint8_t value) {
    const std::size_t used = usedRowBytes();
    if (used == m_stride) {
        std::fill(m_pixels.begin(), m_pixels.end(), value);
        return;
    }
    for (int y = 0; y < m_height; ++y) std::memset(row(y), value, used);
    clearPadding();
}

void Bitmap::clearPadding() {
    const std::size_t used = usedRowBytes();
    if (used == m_stride) return;
    for (int y = 0; y < m_height; ++y) std::memset(row(y) + used, 0, m_stride - used);
}

void Bitmap::release() {
    m_width = 0;
    m_height = 0;
    m_stride = 0;
    decltype(m_pixels)().swap(m_pixels);
}

void Bitmap::reuseAs(int width, int height, PixelFormat format) {
    const std::size_t bytes = CheckedImageBytes(width, height, BytesPerPixel(format), "picture");
    if (bytes > m_pixels.capacity()) {
        // A reused picture serves a run of pictures, often each a little larger than
        // the last: it gets room to grow, which costs nothing until it is written.
        release();
        m_pixels.reserve(bytes <= SIZE_MAX / 3 * 2 ? bytes + bytes / 2 : bytes);
    }
    m_pixels.resize(bytes); // within the capacity: nothing moves, nothing is set
    m_width = width;
    m_height = height;
    m_format = format;
    m_stride = RowStride(width, format);
    if (width == 0 || height == 0) {
        m_width = 0;
        m_height = 0;
        m_stride = 0;
        return;
    }
    clearPadding();
}

bool Bitmap::samePixels(const Bitmap& other) const {
    if (m_width != other.m_width || m_height != other.m_height || m_format != other.m_format) return false;
    const std::size_t used = usedRowBytes();
    for (int y = 0; y < m_height; ++y)
        if (std::memcmp(row(y), other.row(y), used) != 0) return false;
    return true;
}

} // namespace deptrix
