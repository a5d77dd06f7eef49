#pragma once

#include "import/PsdStructure.h"

#include <cstdint>
#include <span>
#include <string>

namespace deptrix {

/// Size of the fixed file header.
inline constexpr std::size_t kPsdHeaderBytes = 26;

/// Reads and checks the 26-byte header before anything else is read or allocated:
/// signature, version, channel count, canvas size, depth and colour mode. Files the
/// program cannot use (Lab, multichannel, or a depth their mode does not have) are
/// refused here with a message naming the reason.
PsdHeader ParsePsdHeader(std::span<const std::uint8_t> bytes, const std::string& fileName);

/// The name of a colour mode for messages ("Lab", "Indexed", ...).
std::string ColourModeName(std::uint16_t mode);

/// The mode the import makes of a file's mode, always at 8 bits per channel: CMYK
/// stays CMYK, grey, bitmap and duotone become grey (held as RGB), indexed and RGB
/// become RGB.
constexpr ColourMode ImportedColourMode(ColourMode stored) {
    switch (stored) {
    case ColourMode::Cmyk:
        return ColourMode::Cmyk;
    case ColourMode::Grayscale:
    case ColourMode::Bitmap:
    case ColourMode::Duotone:
        return ColourMode::Grayscale;
    default:
        return ColourMode::Rgb;
    }
}

} // namespace deptrix
