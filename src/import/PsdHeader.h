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
/// program cannot use (bitmap, indexed, Lab, multichannel, duotone, 32-bit) are
/// refused here with a message naming the reason.
PsdHeader ParsePsdHeader(std::span<const std::uint8_t> bytes, const std::string& fileName);

/// The name of a colour mode for messages ("Lab", "Indexed", ...).
std::string ColourModeName(std::uint16_t mode);

} // namespace deptrix
