#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// A Windows BMP file of the picture: bottom-up rows padded to four bytes, 8-bit
/// pictures with a 256-entry grey table, 24-bit as blue-green-red, 32-bit with the
/// four bytes as stored (C, M, Y, K for CMYK pictures).
std::vector<std::uint8_t> EncodeBmp(const Bitmap& bitmap);

/// Reads an uncompressed 8, 24 or 32-bit BMP (bottom-up or top-down). 8-bit pixels
/// keep their stored values; 32-bit files become Cmyk32 pictures with the bytes as
/// stored. Throws Error "<name>: <problem>" for a truncated, inconsistent or
/// unsupported file without reading past `bytes`.
Bitmap DecodeBmp(std::span<const std::uint8_t> bytes, const std::string& name);

/// EncodeBmp written through a temporary file and renamed into place (an output).
void SaveBmp(const Bitmap& bitmap, const std::filesystem::path& path);

/// EncodeBmp written as a file of the private work folder (WriteWorkFile).
void SaveWorkBmp(const Bitmap& bitmap, const std::filesystem::path& path);

/// ReadFileBytes + DecodeBmp, naming the file in errors.
Bitmap LoadBmp(const std::filesystem::path& path);

} // namespace deptrix
