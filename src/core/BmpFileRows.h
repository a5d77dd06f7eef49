#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <sys/uio.h>
#include <vector>

namespace deptrix {

/// The headers (and for 8-bit pictures the grey table) that EncodeBmp puts before the
/// pixel rows of a width x height picture.
std::vector<std::uint8_t> BmpHeaderBytes(int width, int height, PixelFormat format);

/// Where the pixel rows start in such a file: the size of BmpHeaderBytes.
std::uint32_t BmpPixelOffset(PixelFormat format);

/// A BMP file written into an open descriptor as its rows become available, band by
/// band and in any order, so that no whole-file copy of the picture is ever held. The
/// finished file is byte for byte what EncodeBmp gives.
class BmpFileRows {
public:
    /// Writes the headers. `shownAs` names the file in errors (ThrowWriteError).
    BmpFileRows(int fd, std::filesystem::path shownAs, int width, int height, PixelFormat format);

    /// Writes picture rows firstRow .. firstRow + count - 1 (0 is the top row) from
    /// `rows`, `stride` bytes apart, each at least RowStride(width) bytes long with
    /// its padding zero.
    void write(int firstRow, int count, const std::uint8_t* rows, std::size_t stride);

    /// Every row written once.
    bool complete() const { return m_rowsWritten == static_cast<std::int64_t>(m_height); }

private:
    void writeAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    void writeRowsAt(std::uint64_t offset, iovec* pieces, int count);

    int m_fd;
    std::filesystem::path m_shownAs;
    int m_height;
    std::size_t m_stride;
    std::uint64_t m_pixelOffset;
    std::int64_t m_rowsWritten = 0;
};

} // namespace deptrix
