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

namespace {

template <int PixelBytes> void Interleave(const std::uint8_t* const* byOffset, std::uint8_t* out, int width) {
    const std::uint8_t* source[PixelBytes];
    for (int k = 0; k < PixelBytes; ++k) source[k] = byOffset[k];
    for (int x = 0; x < width; ++x, out += PixelBytes)
        for (int k = 0; k < PixelBytes; ++k) out[k] = source[k][x];
}

} // namespace

void InterleaveRow(const std::uint8_t* const* byOffset, std::uint8_t* pixelRow, int width, int pixelBytes) {
    switch (pixelBytes) {
    case 3:
        Interleave<3>(byOffset, pixelRow, width);
        break;
    case 4:
        Interleave<4>(byOffset, pixelRow, width);
        break;
    default:
        for (int k = 0; k < pixelBytes; ++k) ScatterRow(byOffset[k], pixelRow, width, pixelBytes, k);
    }
}

} // namespace deptrix
