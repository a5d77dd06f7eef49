#pragma once

#include "output/ColourHistogram.h"
#include "output/GifPalette.h"

namespace deptrix {

/// Improves the frame's own entries of `palette` (10..245) for the colours of
/// `histogram`, aiming at a small mean absolute error per channel. Each pass sends
/// every colour to its nearest entry; then every frame entry that received pixels
/// moves to their per-channel median, which minimises their absolute error. Entries
/// that received none, and in the early passes the few least used ones as well, move
/// to the colours that contribute most to the error (pixel count x distance), so that
/// no entry stays idle while a populous colour is poorly served. The system colours
/// never move but keep the pixels nearest to them. Stops early when nothing moves.
void RefineFrameColours(const ColourHistogram& histogram, GifPalette& palette, int passes);

/// The passes that fit the time allowed for one frame: many for a few thousand
/// colours, fewer for hundreds of thousands, never less than two.
int RefinementPassesFor(std::size_t distinctColours);

} // namespace deptrix
