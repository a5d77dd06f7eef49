#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace deptrix {

/// Horizontal resolution in pixels per inch from the resolution resource (id 1005)
/// of an image-resources section; 0 when the section has none. `resources` is the
/// section's content without its length field.
double ReadResolutionPpi(std::span<const std::uint8_t> resources, const std::string& fileName);

} // namespace deptrix
