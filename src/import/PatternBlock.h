#pragma once

#include "core/LayerStyle.h"
#include "import/PsdStructure.h"

#include <map>
#include <memory>
#include <span>
#include <string>

namespace deptrix {

/// The patterns of a document's pattern blocks ("Patt", "Pat2", "Pat3"), by their
/// unique id, converted to `format` (the layers' Bgr24 or Cmyk32). Only 8-bit RGB,
/// greyscale and CMYK patterns are read; a damaged pattern ends the block, keeping
/// those before it. Never reads past `block`.
using PatternMap = std::map<std::string, std::shared_ptr<const PatternPicture>>;
void ReadPatterns(std::span<const std::uint8_t> block, PixelFormat format, PatternMap& patterns);

} // namespace deptrix
