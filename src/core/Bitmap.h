#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace deptrix {

/// The three pixel layouts of the program's pictures.
enum class PixelFormat : std::uint8_t {
    Gray8, ///< one value per pixel: masks, coverage, depth maps
    Bgr24, ///< bytes blue, green, red
    Cmyk32, ///< bytes C, M, Y, K, each stored as 255 - ink (255 is no ink)
};

int BytesPerPixel(PixelFormat format);

/// Bytes of one row, padded to a multiple of four as in BMP files.
std::size_t RowStride(int width, PixelFormat format);

/// Largest side of any picture the program makes or loads.
inline constexpr int kMaxBitmapSide = 32767;

/// width x height x bytes per pixel with every product checked; throws Error naming
/// `what` when the size is negative, beyond kMaxBitmapSide or beyond `limitBytes`.
std::size_t CheckedImageBytes(std::int64_t width, std::int64_t height, int bytesPerPixel, const char* what,
    std::size_t limitBytes = std::size_t { 1 } << 31);

/// Memory for pixels: large blocks are mapped straight from the system, which lets it
/// back them with huge pages (a fresh picture then costs a few page faults instead of
/// one per 4 KB); small ones come from the heap.
void* AllocatePixelMemory(std::size_t bytes);
void FreePixelMemory(void* memory, std::size_t bytes) noexcept;

/// Allocates pixel memory without setting it, so that a picture its maker fills
/// completely is not written twice.
template <class T> struct PixelAllocator : std::allocator<T> {
    template <class U> struct rebind { using other = PixelAllocator<U>; };
    PixelAllocator() = default;
    template <class U> PixelAllocator(const PixelAllocator<U>&) noexcept { }
    T* allocate(std::size_t n) {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocatePixelMemory(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreePixelMemory(p, n * sizeof(T)); }
    template <class U> void construct(U* p) noexcept { ::new (static_cast<void*>(p)) U; }
    template <class U, class... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

/// Marks the constructor whose pixels the caller fills.
struct UnfilledPixels { };

/// Rows of pixels in memory, `step` bytes from one to the next: negative where they
/// are stored bottom-up, as in a BMP file.
template <class Byte> struct RowsOf {
    Byte* first = nullptr; ///< row 0
    std::ptrdiff_t step = 0;
    Byte* row(int y) const { return first + static_cast<std::ptrdiff_t>(y) * step; }
    operator RowsOf<const Byte>() const { return { first, step }; }
};
using PixelRows = RowsOf<std::uint8_t>;
using ConstPixelRows = RowsOf<const std::uint8_t>;

/// A picture with direct row access. Rows are stored top-down, each padded to four
/// bytes with zeros (writers store whole rows). An empty bitmap (0 x 0) is a released picture.
class Bitmap {
public:
    Bitmap() = default;
    /// A zero-filled picture; throws Error when the size is out of range.
    Bitmap(int width, int height, PixelFormat format);
    /// A picture whose pixel bytes the caller sets, every one of them, before reading
    /// any (row padding is zeroed here). Throws Error when the size is out of range.
    Bitmap(int width, int height, PixelFormat format, UnfilledPixels);

    int width() const { return m_width; }
    int height() const { return m_height; }
    PixelFormat format() const { return m_format; }
    int bytesPerPixel() const { return BytesPerPixel(m_format); }
    std::size_t stride() const { return m_stride; }
    bool empty() const { return m_width == 0 || m_height == 0; }

    std::uint8_t* row(int y) { return m_pixels.data() + static_cast<std::size_t>(y) * m_stride; }
    const std::uint8_t* row(int y) const { return m_pixels.data() + static_cast<std::size_t>(y) * m_stride; }
    /// Rows firstRow .. of the picture.
    PixelRows rows(int firstRow = 0) { return { row(firstRow), static_cast<std::ptrdiff_t>(m_stride) }; }
    ConstPixelRows rows(int firstRow = 0) const {
        return { row(firstRow), static_cast<std::ptrdiff_t>(m_stride) };
    }
    std::uint8_t* bits() { return m_pixels.data(); }
    const std::uint8_t* bits() const { return m_pixels.data(); }
    std::size_t sizeBytes() const { return m_pixels.size(); }

    /// Sets every byte of every pixel to `value`; the padding after each row stays zero.
    void fill(std::uint8_t value);

    /// Releases the pixels; the bitmap becomes empty.
    void release();

    /// Becomes a width x height picture of `format` whose pixel bytes the caller sets,
    /// as the UnfilledPixels constructor makes, in the memory it holds where that is
    /// large enough: scratch pictures of one size after another cost no fresh memory.
    void reuseAs(int width, int height, PixelFormat format);

    /// Same size, format and pixel bytes (row padding ignored).
    bool samePixels(const Bitmap& other) const;

private:
    /// The bytes of a row that hold pixels; the rest up to the stride is padding.
    std::size_t usedRowBytes() const {
        return static_cast<std::size_t>(m_width) * static_cast<std::size_t>(bytesPerPixel());
    }
    void clearPadding();
    int m_width = 0;
    int m_height = 0;
    PixelFormat m_format = PixelFormat::Bgr24;
    std::size_t m_stride = 0;
    std::vector<std::uint8_t, PixelAllocator<std::uint8_t>> m_pixels;
};

} // namespace deptrix
