#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace deptrix {

/// Horizontal resolution in pixels per inch from the resolution resource (id 1005)
/// of an image-resources section; 0 when the section has none. `resources` is the
/// section's content without its length field.
double ReadResolutionPpi(std::span<const std::uint8_t> resources, const std::string& fileName);

/// The embedded colour profile (resource 1039) as stored, empty when the section has
/// none or the entry is damaged.
std::vector<std::uint8_t> ReadIccProfile(
    std::span<const std::uint8_t> resources, const std::string& fileName);

/// The colour number an indexed file uses for transparency (resource 1047), or -1
/// when the section names none.
int ReadTransparentIndex(std::span<const std::uint8_t> resources, const std::string& fileName);

/// The first four bytes of resource `id` as a signed number (the global light angle
/// 1037 and altitude 1049 are such), or nothing.
std::optional<std::int32_t> ReadResourceNumber(
    std::span<const std::uint8_t> resources, std::uint16_t id, const std::string& fileName);

} // namespace deptrix
