#pragma once

// The decoders behind DecodeGreyPicture, one per format. Each gets the whole file and
// the name that starts its messages, and throws Error "<name>: <problem>".

#include "core/GreyPicture.h"

#include <cstdint>
#include <span>
#include <string>

namespace deptrix::grey {

GreyPicture DecodePng(std::span<const std::uint8_t> bytes, const std::string& name);
GreyPicture DecodeTiff(std::span<const std::uint8_t> bytes, const std::string& name);
GreyPicture DecodeJpeg(std::span<const std::uint8_t> bytes, const std::string& name);
GreyPicture DecodeBmpGrey(std::span<const std::uint8_t> bytes, const std::string& name);
GreyPicture DecodePsd(
    std::span<const std::uint8_t> bytes, const std::string& name, const std::string& layerName);

/// A picture of the given size with its values unset, after the size is checked:
/// throws Error naming the file for a picture without pixels or larger than a depth
/// map may be.
GreyPicture AllocateGrey(std::int64_t width, std::int64_t height, const std::string& name);

/// Throws the size errors of AllocateGrey without allocating.
void CheckGreySize(std::int64_t width, std::int64_t height, const std::string& name);

} // namespace deptrix::grey
