#pragma once

#include <cstdint>
#include <filesystem>
#include <span>

namespace deptrix {

/// A whole file mapped read-only into memory, so that a large PSD is paged in as
/// its layers are decoded instead of being copied up front.
class MappedFile {
public:
    /// Throws Error "<name>: cannot open the file in <folder> (...)" when it cannot be
    /// opened or mapped, or is not a regular file.
    explicit MappedFile(const std::filesystem::path& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::uint8_t> bytes() const { return m_bytes; }

private:
    std::span<const std::uint8_t> m_bytes;
};

} // namespace deptrix
