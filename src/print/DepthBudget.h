#pragma once

#include "core/Document.h"
#include "core/Fixed.h"
#include "render/ViewSet.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace deptrix {

/// Lens, print width and frames the budget is measured against.
struct LensBudgetSettings {
    Fixed lpi = 424775; ///< lenticules per inch, x10000
    long double widthInches = 5; ///< printed width of the whole picture
    int frames = kViewCount; ///< frames under every lens
};

/// The depth levels an outline layer's pictures hold: the background level 30 and
/// the level of every order that has a line.
std::vector<int> OutlineLevels(const LineSet& lines);

/// How far each layer moves between neighbouring frames, in lens widths of the print
/// (index 0 the bottom layer). The frames share the seven views' parallax, so a step
/// between frames is 6 / (frames - 1) of a step between views. An ordinary or flip
/// layer moves |offset - focus offset| / 6 x depth factor source px per view step; an
/// outline layer moves by that and, in each area, by its level's difference from the
/// layer's base level times the warping's LevelShift, so its largest movement is
/// taken over its levels (a depth map layer's: the levels of its darkest and
/// lightest values). Source px become inches through width / SourceWidth and lens
/// widths through x LPI.
std::vector<double> ParallaxPerView(
    const Document& doc, const LayerOffsets& offsets, Fixed depthFactor, const LensBudgetSettings& settings);

/// The depth factor (of the sign of `depthFactor`, within the depth field's -10 .. 10)
/// at which the largest movement is one lens width per view, rounded so that it
/// does not exceed one; nothing when no layer moves.
std::optional<Fixed> FitDepthToLens(
    const Document& doc, const LayerOffsets& offsets, Fixed depthFactor, const LensBudgetSettings& settings);

/// Largest entry, 0 for none.
double LargestParallax(const std::vector<double>& parallax);

/// Movement above which a layer blurs and doubles in the print.
inline constexpr double kParallaxLimit = 1.0;

} // namespace deptrix
