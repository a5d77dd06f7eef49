#pragma once

#include <cstdint>

namespace deptrix {

/// Columns c = first, first + 1, ... of a row of 3-byte pixels set to the source pixel
/// and mask byte of column from[c], sixteen columns at a time for as long as sixteen
/// remain up to `last`, where the processor permutes bytes within 64 (x86-64 with
/// AVX-512 VBMI); elsewhere nothing is done. A group whose sources lie within 21 pixels
/// of each other, as they mostly do in the noisy rows of a warp, is fetched with one
/// load and one permute; other groups pixel by pixel. `width` is the source row's
/// width, which every from[c] lies within. Returns the first column not set; bytes
/// beyond the columns set are not touched.
std::int32_t GatherPixelsBySixteen(const std::uint8_t* source, const std::uint8_t* sourceMask,
    std::int64_t width, const std::int32_t* from, std::int32_t first, std::int32_t last, std::uint8_t* out,
    std::uint8_t* outMask);

} // namespace deptrix
