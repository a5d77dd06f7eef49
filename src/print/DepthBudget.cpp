#include "print/DepthBudget.h"

#include "depth/DepthMapFit.h"
#include "depth/DepthQuantities.h"
#include "render/FrameSet.h"

#include <algorithm>
#include <cmath>

namespace deptrix {

namespace {

constexpr Fixed kLargestDepthFactor = 10 * kFixedOne;

bool IsOutlineLayer(const LayerRecord& layer) {
    return layer.Group == kGroupOutlineBuilt || layer.Group == kGroupOutlineStale;
}

/// The levels a depth layer's pictures reach at their extremes: its map's range, or
/// those of its outlines.
std::vector<int> LayerLevels(const Document& doc, std::size_t index) {
    if (const LayerDepthMap* map = doc.depthMapOf(index)) {
        const auto range = DepthMapLevelRange(*map);
        return { range[0], range[1] };
    }
    static const LineSet kNoLines;
    return OutlineLevels(index < doc.LayerLines.size() ? doc.LayerLines[index] : kNoLines);
}

} // namespace

std::vector<int> OutlineLevels(const LineSet& lines) {
    std::vector<int> levels { kLevelBackground };
    for (std::size_t k = 0; k < lines.size() && k < static_cast<std::size_t>(kOrderCount); ++k) {
        const bool drawn
            = std::any_of(lines[k].begin(), lines[k].end(), [](const Line& l) { return l.size() >= 2; });
        if (drawn) levels.push_back(OrderLevel(static_cast<int>(k)));
    }
    return levels;
}

std::vector<double> ParallaxPerView(
    const Document& doc, const LayerOffsets& offsets, Fixed depthFactor, const LensBudgetSettings& settings) {
    std::vector<double> result(doc.Layers.size(), 0.0);
    if (doc.SourceWidth <= 0) return result;
    // Lens widths per source pixel.
    const long double lensWidths
        = settings.widthInches / static_cast<long double>(doc.SourceWidth) * FromFixed(settings.lpi);
    // View steps per frame step: exactly 1 for seven frames.
    const long double frameStep = 6.0L / static_cast<long double>(std::max(settings.frames, kMinFrames) - 1);
    for (std::size_t i = 0; i < doc.Layers.size(); ++i) {
        const LayerRecord& layer = doc.Layers[i];
        const std::int32_t offset = i < offsets.offsets.size() ? offsets.offsets[i] : 0;
        // Source px per view step, positive to the right as the view number grows.
        const long double shift
            = (static_cast<long double>(offset) - offsets.focusOffset) / 6.0L * FromFixed(depthFactor);
        long double largest = std::fabs(shift);
        if (IsOutlineLayer(layer)) {
            const long double step
                = static_cast<long double>(LevelShift(doc.SourceWidth, layer.Depth, depthFactor)) / 10000.0L;
            // The warping moves level L by -(L - base) x step per view step.
            for (const int level : LayerLevels(doc, i))
                largest = std::max(largest, std::fabs(shift - (level - BaseLevelOf(layer.BaseOrder)) * step));
        }
        result[i] = static_cast<double>(largest * lensWidths * frameStep);
    }
    return result;
}

double LargestParallax(const std::vector<double>& parallax) {
    return parallax.empty() ? 0.0 : *std::max_element(parallax.begin(), parallax.end());
}

std::optional<Fixed> FitDepthToLens(
    const Document& doc, const LayerOffsets& offsets, Fixed depthFactor, const LensBudgetSettings& settings) {
    const double largest = LargestParallax(ParallaxPerView(doc, offsets, depthFactor, settings));
    if (!(largest > 0) || depthFactor == 0) return std::nullopt;
    // Movement grows in proportion to the factor; the outline step is rounded, so
    // step down until the largest movement is within one lens width.
    Fixed fitted = Round(static_cast<long double>(depthFactor) / largest);
    fitted = std::clamp(fitted, -kLargestDepthFactor, kLargestDepthFactor);
    const Fixed towardZero = fitted > 0 ? 1 : -1;
    for (int guard = 0; guard < 1000 && fitted != 0; ++guard) {
        if (LargestParallax(ParallaxPerView(doc, offsets, fitted, settings)) <= kParallaxLimit + 1e-12) break;
        fitted -= towardZero;
    }
    return fitted;
}

} // namespace deptrix
