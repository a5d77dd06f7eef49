#include "output/GifPalette.h"

#include "core/Error.h"

#include <algorithm>
#include <string>

namespace deptrix {

namespace {

constexpr std::array<PaletteColour, 20> kSystemColours { {
    { 0, 0, 0 },
    { 128, 0, 0 },
    { 0, 128, 0 },
    { 128, 128, 0 },
    { 0, 0, 128 },
    { 128, 0, 128 },
    { 0, 128, 128 },
    { 192, 192, 192 },
    { 192, 220, 192 },
    { 166, 202, 240 },
    { 255, 251, 240 },
    { 160, 160, 164 },
    { 128, 128, 128 },
    { 255, 0, 0 },
    { 0, 255, 0 },
    { 255, 255, 0 },
    { 0, 0, 255 },
    { 255, 0, 255 },
    { 0, 255, 255 },
    { 255, 255, 255 },
} };

} // namespace

std::span<const PaletteColour, 20> SystemColours() {
    return kSystemColours;
}

GifPalette FramePalette(std::span<const PaletteColour> frameColours) {
    if (frameColours.size() > static_cast<std::size_t>(kFrameColourCount))
        throw Error("GIF palette: " + std::to_string(frameColours.size()) + " frame colours do not fit in "
            + std::to_string(kFrameColourCount) + " entries");
    GifPalette palette {};
    std::copy_n(kSystemColours.begin(), 10, palette.begin());
    std::copy_n(
        kSystemColours.begin() + 10, 10, palette.begin() + kFirstFrameColourEntry + kFrameColourCount);
    std::copy(frameColours.begin(), frameColours.end(), palette.begin() + kFirstFrameColourEntry);
    return palette;
}

} // namespace deptrix
