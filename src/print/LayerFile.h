#pragma once

#include "core/BmpCodec.h"

#include <cstdint>
#include <filesystem>
#include <memory>

class QFile;

namespace deptrix {

/// A picture work file (a BMP) read in place: a band of its rows at a time is mapped
/// from the file, so a picture far larger than memory costs only the band.
class LayerFile {
public:
    /// Opens the file and checks its headers; throws Error naming the file.
    explicit LayerFile(const std::filesystem::path& path);
    ~LayerFile();
    LayerFile(const LayerFile&) = delete;
    LayerFile& operator=(const LayerFile&) = delete;

    const BmpLayout& layout() const { return m_layout; }
    const std::string& name() const { return m_name; }

    /// Maps picture rows first .. first + count - 1 (clipped to the picture),
    /// releasing the rows mapped before. Throws Error naming the file.
    void mapRows(std::int64_t first, int count);
    /// A row of the band mapped last.
    const std::uint8_t* row(int y) const { return m_band + (m_layout.rowOffset(y) - m_bandOffset); }
    void unmap();

private:
    std::unique_ptr<QFile> m_file;
    std::string m_name;
    BmpLayout m_layout;
    std::uint8_t* m_mapped = nullptr;
    const std::uint8_t* m_band = nullptr;
    std::uint64_t m_bandOffset = 0;
};

/// Opens a work file that an export reads. Every such read goes through here.
std::unique_ptr<LayerFile> OpenWorkFile(const std::filesystem::path& path);

} // namespace deptrix
