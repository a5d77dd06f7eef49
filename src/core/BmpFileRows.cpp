#include "core/BmpFileRows.h"

#include "core/Error.h"
#include "core/FileIo.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

namespace deptrix {

namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kInfoHeaderSize = 40;

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

std::uint32_t BmpPixelOffset(PixelFormat format) {
    const std::uint32_t paletteBytes = format == PixelFormat::Gray8 ? 256 * 4 : 0;
    return kFileHeaderSize + kInfoHeaderSize + paletteBytes;
}

std::vector<std::uint8_t> BmpHeaderBytes(int width, int height, PixelFormat format) {
    const std::size_t stride = RowStride(width, format);
    const std::uint32_t offset = BmpPixelOffset(format);
    const std::uint32_t paletteBytes = offset - kFileHeaderSize - kInfoHeaderSize;
    const std::uint64_t imageBytes = static_cast<std::uint64_t>(stride) * static_cast<std::uint64_t>(height);

    std::vector<std::uint8_t> out;
    out.reserve(offset);
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<std::uint32_t>(offset + imageBytes));
    Put32(out, 0);
    Put32(out, offset);

    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<std::uint16_t>(BytesPerPixel(format) * 8));
    Put32(out, 0); // BI_RGB
    Put32(out, static_cast<std::uint32_t>(imageBytes));
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, paletteBytes ? 256 : 0);
    Put32(out, 0);
    for (std::uint32_t i = 0; i < paletteBytes / 4; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        out.insert(out.end(), { v, v, v, 0 });
    }
    return out;
}

BmpFileRows::BmpFileRows(int fd, std::filesystem::path shownAs, int width, int height, PixelFormat format)
    : m_fd(fd)
    , m_shownAs(std::move(shownAs))
    , m_height(height)
    , m_stride(RowStride(width, format)) {
    const std::vector<std::uint8_t> header = BmpHeaderBytes(width, height, format);
    m_pixelOffset = header.size();
    writeAt(0, header.data(), header.size());
}

void BmpFileRows::writeAt(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    WriteAllBytesAt(m_fd, { data, size }, offset, m_shownAs);
}

void BmpFileRows::write(int firstRow, int count, const std::uint8_t* rows, std::size_t stride) {
    if (firstRow < 0 || count < 0 || firstRow + static_cast<std::int64_t>(count) > m_height)
        throw Error(DisplayName(m_shownAs) + ": rows " + std::to_string(firstRow) + " + "
            + std::to_string(count) + " outside the picture");
    // Rows are stored bottom-up, so a band is one stretch of the file in reverse row
    // order: written with one call per up to kRowsPerCall rows.
    constexpr int kRowsPerCall = 512;
    std::array<iovec, kRowsPerCall> pieces;
    for (int done = 0; done < count;) {
        const int n = std::min(count - done, kRowsPerCall);
        const int lastRow = firstRow + done + n - 1; // lowest in the picture, first in the file
        for (int i = 0; i < n; ++i) {
            const std::uint8_t* row = rows + static_cast<std::size_t>(done + n - 1 - i) * stride;
            pieces[static_cast<std::size_t>(i)] = { const_cast<std::uint8_t*>(row), m_stride };
        }
        const auto stored = static_cast<std::uint64_t>(m_height - 1 - lastRow);
        writeRowsAt(m_pixelOffset + stored * m_stride, pieces.data(), n);
        done += n;
    }
    m_rowsWritten += count;
}

void BmpFileRows::writeRowsAt(std::uint64_t offset, iovec* pieces, int count) {
    while (count > 0) {
        const long written = detail::WritePiecesAt(m_shownAs, m_fd, pieces, count, offset);
        if (written < 0) {
            if (errno == EINTR) continue;
            ThrowWriteError(m_shownAs, errno);
        }
        if (written == 0) ThrowWriteError(m_shownAs, ENOSPC);
        offset += static_cast<std::uint64_t>(written);
        // Skip what went out; a short write leaves part of one row to go again.
        auto left = static_cast<std::size_t>(written);
        while (count > 0 && left >= pieces->iov_len) {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (count > 0) {
            pieces->iov_base = static_cast<std::uint8_t*>(pieces->iov_base) + left;
            pieces->iov_len -= left;
        }
    }
}

} // namespace deptrix
