#pragma once

#include "output/ColourHistogram.h"
#include "output/GifPalette.h"

#include <vector>

namespace deptrix {

/// Picks at most `maxColours` representative colours (maxColours >= 1) for the colours
/// of `histogram` with an octree over the full 8 bits of each channel (eight levels,
/// one bit of each channel per level). The tree is pruned from the bottom: of the
/// nodes whose children are all leaves, the one whose merge adds the least squared
/// error goes first, until at most `maxColours` leaves remain; levels below the first
/// level with 4096 nodes or more are merged whole before that. Each leaf stands for the
/// rounded mean of its pixels. A histogram of at most `maxColours` colours comes back
/// unchanged. Colours are listed in octree order.
std::vector<PaletteColour> ReduceColours(const ColourHistogram& histogram, int maxColours);

} // namespace deptrix
