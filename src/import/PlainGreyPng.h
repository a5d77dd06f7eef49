#pragma once

#include "core/GreyPicture.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
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

/// The same, joining the image data chunks where they lie in `bytes` instead of in a
/// copy: the bytes are changed.
std::optional<GreyPicture> DecodePlainGreyPngInPlace(std::span<std::uint8_t> bytes);

/// Whether a file starting with `bytes` is declared a 16-bit grey PNG without
/// interlacing: one DecodePlainGreyPng may decode.
bool LooksPlainGreyPng(std::span<const std::uint8_t> bytes);

/// The largest file ReadPlainGreyPng reads.
inline constexpr std::size_t kMaxPlainPngFileBytes = std::size_t { 1 } << 30;

/// DecodePlainGreyPngInPlace over the file at `path`, read whole into memory of its own
/// where it is `size` bytes long: large maps come out faster than from a mapping of the
/// file, whose small pages cost a fault each. Nothing when the file cannot be read, is
/// of another size or is not decoded here; the caller then reads it as any other file.
std::optional<GreyPicture> ReadPlainGreyPng(const std::filesystem::path& path, std::size_t size);

} // namespace deptrix::grey
