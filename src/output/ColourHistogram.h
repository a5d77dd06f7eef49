#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// Interleaves the bits of the three channels, most significant first, red before
/// green before blue: the top three bits of the 24-bit key choose the child of the
/// octree's root, the next three the child below, and so on. Sorting keys therefore
/// lists every octree node's colours as one contiguous run.
std::uint32_t OctreeKey(std::uint8_t r, std::uint8_t g, std::uint8_t b);

/// The channels of an OctreeKey.
void ColourOfOctreeKey(std::uint32_t key, std::uint8_t& r, std::uint8_t& g, std::uint8_t& b);

/// The distinct colours of a picture with their pixel counts, in ascending key order.
struct ColourHistogram {
    std::vector<std::uint32_t> keys;
    std::vector<std::uint32_t> counts;
};

/// Histogram of a Bgr24 picture; throws Error for other formats.
ColourHistogram BuildColourHistogram(const Bitmap& bgr24);

} // namespace deptrix
