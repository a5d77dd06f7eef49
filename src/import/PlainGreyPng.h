#pragma once

#include "core/GreyPicture.h"

#include <cstdint>
#include <optional>
#include <span>

namespace deptrix::grey {

/// The largest chunk the PNG decoders take, the image data's chunks included.
inline constexpr std::uint32_t kPngChunkLimit = 16u << 20;

/// Decodes a PNG file (`bytes`, from its signature on) that is 16-bit grey without
/// interlacing or transparency and whose every chunk and checksum is intact; for any
/// other file, damaged or not, nothing, leaving it to libpng. What it decodes is what
/// libpng decodes from the same file, value for value.
std::optional<GreyPicture> DecodePlainGreyPng(std::span<const std::uint8_t> bytes);

} // namespace deptrix::grey
