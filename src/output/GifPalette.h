#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace deptrix {

struct PaletteColour {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const PaletteColour&) const = default;
};

/// The local colour table of one GIF frame.
using GifPalette = std::array<PaletteColour, 256>;

/// Entries 0..9 and 246..255 hold the twenty static colours of a Windows display
/// palette; the frame's own colours fill the entries in between.
inline constexpr int kFirstFrameColourEntry = 10;
inline constexpr int kFrameColourCount = 236;

/// The twenty fixed colours in table order: the first ten go to entries 0..9, the
/// last ten to entries 246..255.
std::span<const PaletteColour, 20> SystemColours();

/// The fixed colours plus up to 236 frame colours at entries 10.., unused entries
/// black. Throws Error when more than 236 colours are given.
GifPalette FramePalette(std::span<const PaletteColour> frameColours);

} // namespace deptrix
