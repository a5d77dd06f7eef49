#pragma once

#include "core/BmpCodec.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

class QFile;

namespace deptrix {

/// A picture work file (a BMP) read a band of rows at a time into memory of its own,
/// so a picture far larger than memory costs only the band. Reading rather than
/// mapping the file spares every band the unmapping, which stalls the other threads
/// of the process.
class LayerFile {
public:
    /// Opens the file and checks its headers; throws Error naming the file.
    explicit LayerFile(const std::filesystem::path& path);
    ~LayerFile();
    LayerFile(const LayerFile&) = delete;
    LayerFile& operator=(const LayerFile&) = delete;

    const BmpLayout& layout() const { return m_layout; }
    const std::string& name() const { return m_name; }

    /// Reads picture rows first .. first + count - 1 (clipped to the picture) in
    /// place of the band read before. Throws Error naming the file.
    void loadRows(std::int64_t first, int count);
    /// A row of the band read last.
    const std::uint8_t* row(int y) const { return m_band + (m_layout.rowOffset(y) - m_bandOffset); }
    /// Forgets the band; its memory is kept for the next one.
    void release() { m_band = nullptr; }

private:
    std::unique_ptr<QFile> m_file;
    std::string m_name;
    BmpLayout m_layout;
    std::vector<std::uint8_t> m_buffer;
    const std::uint8_t* m_band = nullptr;
    std::uint64_t m_bandOffset = 0;
};

/// Opens a work file that an export reads. Every such read goes through here.
std::unique_ptr<LayerFile> OpenWorkFile(const std::filesystem::path& path);

} // namespace deptrix
