#include "core/DirectFile.h"

#include "core/Bitmap.h"
#include "core/Error.h"
#include "core/FileIo.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>
#include <utility>

namespace deptrix {

namespace {

/// Whether the file system of `fd` takes writes straight from memory in blocks of
/// kDirectBlock, and the descriptor was switched over to them.
bool StartDirect(int fd) {
#if defined(STATX_DIOALIGN) && defined(O_DIRECT)
    struct statx info { };
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &info) != 0) return false;
    if (!(info.stx_mask & STATX_DIOALIGN) || info.stx_dio_mem_align == 0 || info.stx_dio_offset_align == 0)
        return false;
    if (kDirectBlock % info.stx_dio_mem_align != 0 || kDirectBlock % info.stx_dio_offset_align != 0)
        return false;
    const int flags = ::fcntl(fd, F_GETFL);
    return flags >= 0 && ::fcntl(fd, F_SETFL, flags | O_DIRECT) == 0;
#else
    (void)fd;
    return false;
#endif
}

std::uint64_t RoundUp(std::uint64_t v) {
    return (v + kDirectBlock - 1) / kDirectBlock * kDirectBlock;
}

std::uint64_t RoundDown(std::uint64_t v) {
    return v / kDirectBlock * kDirectBlock;
}

} // namespace

AlignedBytes::AlignedBytes(std::size_t capacity)
    : m_allocated(capacity + kDirectBlock)
    , m_capacity(capacity) {
    m_memory = static_cast<std::uint8_t*>(AllocatePixelMemory(m_allocated));
    if (reinterpret_cast<std::uintptr_t>(m_memory) % kDirectBlock != 0) {
        // From the heap: asked for again on a page boundary.
        FreePixelMemory(m_memory, m_allocated);
        m_memory
            = static_cast<std::uint8_t*>(::operator new (m_allocated, std::align_val_t { kDirectBlock }));
        m_heap = true;
    }
}

AlignedBytes::~AlignedBytes() {
    release();
}

void AlignedBytes::release() noexcept {
    if (m_heap)
        ::operator delete (m_memory, std::align_val_t { kDirectBlock });
    else
        FreePixelMemory(m_memory, m_allocated);
    m_memory = nullptr;
}

AlignedBytes::AlignedBytes(AlignedBytes&& other) noexcept
    : m_memory(std::exchange(other.m_memory, nullptr))
    , m_allocated(std::exchange(other.m_allocated, 0))
    , m_capacity(std::exchange(other.m_capacity, 0))
    , m_heap(std::exchange(other.m_heap, false)) { }

AlignedBytes& AlignedBytes::operator=(AlignedBytes&& other) noexcept {
    if (this != &other) {
        release();
        m_heap = std::exchange(other.m_heap, false);
        m_memory = std::exchange(other.m_memory, nullptr);
        m_allocated = std::exchange(other.m_allocated, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

/// A block that stretches share: their bytes collect here until all have come.
struct DirectFile::Gathered {
    AlignedBytes bytes { kDirectBlock };
    std::size_t filled = 0;
    Gathered() { std::memset(bytes.at(0), 0, kDirectBlock); }
};

DirectFile::DirectFile(int fd, std::filesystem::path shownAs, std::uint64_t size, std::uint64_t directFrom)
    : m_fd(fd)
    , m_shownAs(std::move(shownAs))
    , m_size(size) {
    m_direct = size >= directFrom && StartDirect(fd);
    m_fdDirect = m_direct;
}

DirectFile::~DirectFile() = default;

void DirectFile::write(std::uint64_t offset, const std::uint8_t* data, std::size_t size, bool cached) {
    if (offset > m_size || size > m_size - offset)
        throw Error(DisplayName(m_shownAs) + ": bytes " + std::to_string(offset) + " + "
            + std::to_string(size) + " outside the file");
    m_written += size;
    if (!m_direct) {
        writeCached(offset, data, size);
        return;
    }
    const std::uint64_t end = offset + size;
    const std::uint64_t first = RoundUp(offset);
    const std::uint64_t last = RoundDown(end);
    const bool aligned = (reinterpret_cast<std::uintptr_t>(data) - offset) % kDirectBlock == 0;
    if (first >= last || (!aligned && !cached)) {
        gather(offset, data, size);
        return;
    }
    // The ends go through gather() either way: the blocks they share must come out whole.
    gather(offset, data, first - offset);
    if (cached)
        writeCached(first, data + (first - offset), last - first);
    else
        writeDirect(first, data + (first - offset), last - first);
    gather(last, data + (last - offset), end - last);
}

void DirectFile::gather(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::uint64_t number = offset / kDirectBlock;
        const std::uint64_t start = number * kDirectBlock;
        const auto within = static_cast<std::size_t>(offset - start);
        const std::size_t piece = std::min<std::size_t>(size, kDirectBlock - within);
        if (!m_direct) {
            writeCached(offset, data, piece);
        } else {
            auto& block = m_gathered[number];
            if (!block) block = std::make_unique<Gathered>();
            std::memcpy(block->bytes.at(within), data, piece);
            block->filled += piece;
            // The last block ends with the file; it goes out whole and is cut at the end.
            if (block->filled == std::min<std::uint64_t>(kDirectBlock, m_size - start)) {
                const std::unique_ptr<Gathered> done = std::move(block);
                m_gathered.erase(number);
                writeDirect(start, done->bytes.at(0), kDirectBlock);
            }
        }
        offset += piece;
        data += piece;
        size -= piece;
    }
}

void DirectFile::useDirect(bool on) {
    if (m_fdDirect == on) return;
    const int flags = ::fcntl(m_fd, F_GETFL);
    if (flags < 0 || ::fcntl(m_fd, F_SETFL, on ? flags | O_DIRECT : flags & ~O_DIRECT) != 0)
        ThrowWriteError(m_shownAs, errno);
    m_fdDirect = on;
}

void DirectFile::writeDirect(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    if (m_direct) useDirect(true);
    while (size > 0 && m_direct) {
        const iovec piece { const_cast<std::uint8_t*>(data), size };
        const long written = detail::WritePiecesAt(m_shownAs, m_fd, &piece, 1, offset);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0 && errno != EINVAL && errno != EOPNOTSUPP) ThrowWriteError(m_shownAs, errno);
        if (written <= 0 || static_cast<std::size_t>(written) % kDirectBlock != 0) {
            // Refused, or cut short off the block grid: the page cache takes the rest.
            const std::size_t done = written > 0 ? static_cast<std::size_t>(written) : 0;
            stopDirect();
            data += done;
            offset += done;
            size -= done;
            break;
        }
        data += written;
        offset += static_cast<std::uint64_t>(written);
        size -= static_cast<std::size_t>(written);
    }
    if (size > 0) writeCached(offset, data, size);
}

void DirectFile::writeCached(std::uint64_t offset, const std::uint8_t* data, std::size_t size) {
    useDirect(false);
    WriteAllBytesAt(m_fd, { data, size }, offset, m_shownAs);
}

void DirectFile::stopDirect() {
    m_direct = false;
    // What was gathered goes out as it is: the bytes still missing in a block are
    // written over its zeros when their stretches come.
    auto gathered = std::move(m_gathered);
    m_gathered.clear();
    for (const auto& [number, block] : gathered) {
        const std::uint64_t start = number * kDirectBlock;
        writeCached(start, block->bytes.at(0),
            static_cast<std::size_t>(std::min<std::uint64_t>(kDirectBlock, m_size - start)));
    }
}

void DirectFile::finish() {
    if (!m_gathered.empty()) stopDirect();
    struct stat info { };
    if (::fstat(m_fd, &info) != 0) ThrowWriteError(m_shownAs, errno);
    if (static_cast<std::uint64_t>(info.st_size) > m_size
        && ::ftruncate(m_fd, static_cast<off_t>(m_size)) != 0)
        ThrowWriteError(m_shownAs, errno);
}

} // namespace deptrix
