#pragma once

#include "core/Bitmap.h"

#include <cstdint>
#include <vector>

namespace deptrix::testing {

/// A Bgr24 picture filled with one colour.
Bitmap Solid(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b);

/// A photograph stand-in: smooth colour gradients with grain, and a flat block whose
/// colour depends on `seed`, so that a few thousand distinct colours occur.
Bitmap Photo(int width, int height, unsigned seed);

/// Bytes drawn at random.
Bitmap Noise(int width, int height, unsigned seed);

/// Seven views of a photograph whose content moves `step` columns per view.
std::vector<Bitmap> SweepViews(int width, int height, int step);

/// Mean absolute difference per channel byte of two Bgr24 pictures of one size.
double MeanAbsoluteDifference(const Bitmap& a, const Bitmap& b);

} // namespace deptrix::testing
