#pragma once

#include "core/Fixed.h"
#include "import/LayerPixels.h"

#include <cstdint>

namespace deptrix {

/// Reduces a layer from source resolution to its box on the working grid
/// (ToWorkingBox of its source box, `workScale` below 10000) by area averaging:
/// every working pixel is the mean over the source area it covers, source pixels cut
/// by its edges counted by the part inside, and the area outside the layer's box
/// counted as transparent. Colour is averaged weighted by opacity, so transparent
/// pixels, whatever colour they store, do not darken or tint soft edges; a working
/// pixel with no opacity at all gets white (no ink).
LayerPixels ReduceLayer(
    const LayerPixels& source, std::int64_t sourceLeft, std::int64_t sourceTop, Fixed workScale);

} // namespace deptrix
