#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>

namespace deptrix {

/// Block size, in memory and in the file, of what DirectFile sends straight to the
/// disk: a page, a multiple of the block size of the usual file systems.
inline constexpr std::size_t kDirectBlock = 4096;

/// Files smaller than this go through the page cache: for them the copy is cheap and
/// reading them back soon is likely.
inline constexpr std::uint64_t kDirectFrom = std::uint64_t { 1 } << 20;

/// A new file of known size, written in stretches in any order, each byte once. Where
/// the file system allows, whole blocks go from memory straight to the disk
/// (O_DIRECT) instead of being copied into the page cache, which for the large work
/// files costs about as much as making their pixels. A stretch goes out that way when
/// it lies in memory at an address that agrees with its file offset modulo
/// kDirectBlock; its partial blocks at either end are gathered with those of its
/// neighbours until complete. Whatever the file system refuses is written through the
/// page cache instead, so the file comes out the same either way.
class DirectFile {
public:
    /// Takes over writing `fd` (open for writing, empty; the caller closes it);
    /// `shownAs` names the file in errors. Files smaller than `directFrom` are written
    /// through the page cache.
    DirectFile(
        int fd, std::filesystem::path shownAs, std::uint64_t size, std::uint64_t directFrom = kDirectFrom);
    ~DirectFile();
    DirectFile(const DirectFile&) = delete;
    DirectFile& operator=(const DirectFile&) = delete;

    /// Writes `size` bytes from `data` at `offset`; `cached` sends its whole blocks
    /// through the page cache all the same (when the disk cannot keep up). Throws Error
    /// naming the file when the stretch reaches past the end of the file or the write
    /// fails (ThrowWriteError).
    void write(std::uint64_t offset, const std::uint8_t* data, std::size_t size, bool cached = false);

    /// Every byte of the file written once.
    bool complete() const { return m_written == m_size; }

    /// Writes out what is still gathered and cuts the file to its size (the last
    /// block goes out whole); throws like write().
    void finish();

    /// Writes still go straight to the disk (for tests).
    bool direct() const { return m_direct; }

private:
    struct Gathered;

    void gather(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    void writeDirect(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    void writeCached(std::uint64_t offset, const std::uint8_t* data, std::size_t size);
    void stopDirect();
    /// Sets O_DIRECT on the descriptor, or clears it for writes through the page cache.
    void useDirect(bool on);

    int m_fd;
    std::filesystem::path m_shownAs;
    std::uint64_t m_size;
    std::uint64_t m_written = 0;
    bool m_direct = false; ///< whole blocks still go straight to the disk
    bool m_fdDirect = false; ///< the descriptor has O_DIRECT
    std::map<std::uint64_t, std::unique_ptr<Gathered>> m_gathered; ///< by block number
};

/// Memory whose bytes can be placed at any phase modulo kDirectBlock, for stretches
/// that DirectFile sends straight to the disk.
class AlignedBytes {
public:
    AlignedBytes() = default;
    explicit AlignedBytes(std::size_t capacity);
    /// Room from at(phase) on for `capacity` bytes with any phase below kDirectBlock;
    /// capacity + kDirectBlock bytes are taken from the system.
    std::size_t capacity() const { return m_capacity; }
    /// The byte whose address is `phase` modulo kDirectBlock (phase < kDirectBlock).
    std::uint8_t* at(std::size_t phase) { return m_memory + phase; }
    explicit operator bool() const { return m_memory != nullptr; }

    ~AlignedBytes();
    AlignedBytes(AlignedBytes&& other) noexcept;
    AlignedBytes& operator=(AlignedBytes&& other) noexcept;

private:
    void release() noexcept;

    std::uint8_t* m_memory = nullptr; ///< from AllocatePixelMemory: huge pages for large blocks
    std::size_t m_allocated = 0;
    std::size_t m_capacity = 0;
    bool m_heap = false; ///< page-aligned heap memory instead
};

} // namespace deptrix
