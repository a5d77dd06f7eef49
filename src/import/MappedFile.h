#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>

class QFile;

namespace deptrix {

/// A whole file mapped read-only into memory, so that a large PSD is paged in as
/// its layers are decoded instead of being copied up front.
class MappedFile {
public:
    /// Throws Error "<name>: cannot open the file (...)" when it cannot be opened or mapped.
    explicit MappedFile(const std::filesystem::path& path);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::span<const std::uint8_t> bytes() const { return m_bytes; }

private:
    std::unique_ptr<QFile> m_file;
    std::span<const std::uint8_t> m_bytes;
};

} // namespace deptrix
