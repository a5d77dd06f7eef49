#pragma once

#include "import/PsdStructure.h"

#include <cstdint>
#include <span>
#include <string>

namespace deptrix {

/// Parses the structure of a whole file held in `bytes` (which must outlive the
/// result): header, resolution, layer records with the place of every channel's data,
/// and the merged picture's section, whose sizes are checked so that a file cut short
/// is refused. Pixels are not decoded. Throws Error "<fileName>: <problem>".
PsdFile ParsePsd(std::span<const std::uint8_t> bytes, const std::string& fileName);

} // namespace deptrix
