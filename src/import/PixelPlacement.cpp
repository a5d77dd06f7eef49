#include "import/PixelPlacement.h"

namespace deptrix {

PixelFormat LayerPixelFormat(const PsdHeader& header) {
    return header.mode == ColourMode::Cmyk ? PixelFormat::Cmyk32 : PixelFormat::Bgr24;
}

std::vector<int> ColourChannelOffsets(ColourMode mode, int id) {
    switch (mode) {
    case ColourMode::Grayscale:
        return id == 0 ? std::vector<int> { 0, 1, 2 } : std::vector<int> {};
    case ColourMode::Cmyk:
        return id >= 0 && id < 4 ? std::vector<int> { id } : std::vector<int> {};
    default:
        return id >= 0 && id < 3 ? std::vector<int> { 2 - id } : std::vector<int> {};
    }
}

void ScatterRow(const std::uint8_t* samples, std::uint8_t* pixelRow, int width, int pixelBytes, int offset) {
    std::uint8_t* out = pixelRow + offset;
    for (int x = 0; x < width; ++x, out += pixelBytes) *out = samples[x];
}

} // namespace deptrix
