#pragma once

#include "core/GreyPicture.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace deptrix {

/// Reads a depth map picture as 16-bit grey: PNG (8 or 16 bits, grey or colour),
/// TIFF (8 or 16 bits), JPEG, BMP (8, 24 or 32 bits) or a PSD or PSB, whose merged
/// picture is used, or with `layerName` the topmost layer of that name placed on its
/// canvas. The format is told by the file's first bytes, not by its name. Colour
/// becomes its luminance; transparent parts go toward black (far). 16-bit samples
/// keep their precision (PSD and PSB files are read at 8 bits, as the import reads
/// them). The picture's size is checked before anything is allocated for it: at most
/// kMaxBitmapSide pixels a side and kMaxGreyPictureBytes in all.
///
/// Throws Error "<file>: <problem>" for a missing, unreadable, truncated, empty or
/// oversized file, a format it does not read, or a layer the file does not have.
GreyPicture ReadGreyPicture(const std::filesystem::path& path, const std::string& layerName = {});

/// The same for a file held in memory; `fileName` starts every message.
GreyPicture DecodeGreyPicture(
    std::span<const std::uint8_t> bytes, const std::string& fileName, const std::string& layerName = {});

} // namespace deptrix
