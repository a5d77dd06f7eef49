#pragma once

#include "core/Bitmap.h"
#include "output/GifPalette.h"

#include <cstdint>
#include <vector>

namespace deptrix {

/// A picture as indices into its own 256-colour table, rows top-down without padding.
struct IndexedFrame {
    int width = 0;
    int height = 0;
    GifPalette palette {};
    std::vector<std::uint8_t> indices;
};

/// The frame form of a Bgr24 picture: the twenty system colours plus up to 236 octree
/// colours of this picture, then refined for a small mean absolute error, every pixel
/// taking its nearest table entry (no dithering).
IndexedFrame ReduceFrame(const Bitmap& bgr24);

} // namespace deptrix
