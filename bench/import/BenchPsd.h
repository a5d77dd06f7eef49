#pragma once

#include <filesystem>

namespace deptrix {

/// Writes (once per process) a 4000 x 3000 RGB 8-bit RLE PSD of 12 layers into a
/// temporary folder and returns its path: an opaque background and eleven soft-edged
/// shapes, half of them with a photographic grain that RLE cannot pack.
const std::filesystem::path& BenchPsdPath();

} // namespace deptrix
