#pragma once

#include "render/ColourHistogram.h"
#include "render/GifPalette.h"

namespace deptrix {

/// Moves the frame's own entries of `palette` (entries 10 .. 10 + frameColours - 1)
/// towards the colours they end up standing for: in each pass every colour of the
/// histogram goes to its nearest entry, then each frame entry that received pixels
/// takes their rounded mean. The fixed system colours stay, but they keep the pixels
/// nearest to them, so the frame's entries are spent elsewhere. Each pass lowers the
/// squared error of the mapping or leaves it unchanged, up to the rounding of means.
void RefineFrameColours(const ColourHistogram& histogram, GifPalette& palette, int frameColours, int passes);

} // namespace deptrix
