#pragma once

#include "core/Bitmap.h"
#include "core/Document.h"
#include "print/PrintExport.h"
#include "print/PrintGeometry.h"
#include "render/ViewSet.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace deptrix::test {

/// A picture of one colour; `bytes` in the picture's own byte order.
inline Bitmap Flat(int width, int height, PixelFormat format, const std::vector<std::uint8_t>& bytes) {
    Bitmap picture(width, height, format);
    const int bpp = picture.bytesPerPixel();
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < bpp; ++c) picture.row(y)[x * bpp + c] = bytes[static_cast<std::size_t>(c)];
    return picture;
}

inline std::array<const Bitmap*, 7> Pointers(const std::vector<Bitmap>& views) {
    std::array<const Bitmap*, 7> pointers {};
    for (std::size_t i = 0; i < 7; ++i) pointers[i] = &views[i];
    return pointers;
}

/// Settings of a print `columns` pixels wide and `rows` high at `dpi`.
inline PrintSettings PrintOf(long double lpi, long double dpi, std::int64_t columns, std::int64_t rows) {
    PrintSettings settings;
    settings.lpi = ToFixed(lpi);
    settings.dpi = ToFixed(dpi);
    settings.widthInches = static_cast<long double>(columns) / dpi;
    settings.heightInches = static_cast<long double>(rows) / dpi;
    return settings;
}

/// Progress that cancels once it has seen `cancelAfter` positions (never when negative).
class TestProgress final : public PrintProgress {
public:
    explicit TestProgress(int cancelAfter = -1)
        : m_cancelAfter(cancelAfter) { }
    void setPosition(int percent) override { positions.push_back(percent); }
    bool cancelRequested() override {
        return m_cancelAfter >= 0 && static_cast<int>(positions.size()) > m_cancelAfter;
    }
    std::vector<int> positions;

private:
    int m_cancelAfter;
};

/// A folder under the system's temporary folder, removed with everything in it.
class Folder {
public:
    Folder() {
        static int counter = 0;
        m_path = std::filesystem::temp_directory_path()
            / ("deptrix-print-test-" + std::to_string(std::random_device {}()) + "-"
                + std::to_string(++counter));
        std::filesystem::create_directories(m_path);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

/// A TIFF read back through libtiff: its tags and its pixels, rows top first.
struct TiffFile {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t samples = 0;
    std::uint16_t bits = 0;
    std::uint16_t photometric = 0;
    std::uint16_t inkSet = 0;
    std::uint16_t compression = 0;
    std::uint16_t predictor = 0;
    std::uint16_t resolutionUnit = 0;
    float xResolution = 0;
    float yResolution = 0;
    std::uint32_t rowsPerStrip = 0;
    std::uint32_t strips = 0;
    bool bigTiff = false;
    std::vector<std::uint8_t> icc;
    std::vector<std::uint8_t> pixels;

    const std::uint8_t* row(std::uint32_t y) const {
        return pixels.data() + std::size_t { y } * width * samples;
    }
};

/// Reads the whole file; fails the test (and returns an empty result) when libtiff cannot.
TiffFile ReadTiff(const std::filesystem::path& path);

/// The colour (red, green, blue) of layer k of a flip folder: every k below 256 its own red.
std::array<std::uint8_t, 3> FrameColour(int k);

/// An RGB document imported from a PSD of `width` x `height` pixels whose layers are a
/// flip folder of `layers` opaque layers of one colour each (FrameColour), every
/// offset 0: frame k of an N-frame print of N layers shows colour k - 1 everywhere.
struct FlipDocument {
    Document doc;
    LayerOffsets offsets;
};
void ImportFlipFolder(FlipDocument& out, const Folder& folder, int layers, int width, int height);

} // namespace deptrix::test
