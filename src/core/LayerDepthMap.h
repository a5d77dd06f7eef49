#pragma once

#include "core/Fixed.h"
#include "core/GreyPicture.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace deptrix {

/// How a depth map picture becomes depth levels.
struct DepthMapOptions {
    /// Near is dark in the picture: the levels are turned round after the range.
    bool invert = false;
    /// The picture's values (on the 0..255 scale, x10000, fractions allowed for 16-bit
    /// maps) that become level 0 and level 255; values beyond them are clamped.
    Fixed blackPoint = 0;
    Fixed whitePoint = 255 * kFixedOne;
    /// Stretched over the whole document, of which the layer takes its part; otherwise
    /// stretched over the layer's own box.
    bool wholeDocument = false;
    /// Over the layer's box: the picture holds this many columns beyond the box on each
    /// side, taken pixel for pixel as the warp's margins (an exported depth map does).
    std::int32_t marginColumns = 0;

    bool operator==(const DepthMapOptions&) const = default;
};

/// Throws Error unless 0 <= black point < white point <= 255 and the margin columns are
/// 0 or more, and 0 over the whole document.
void CheckDepthMapOptions(const DepthMapOptions& options);

/// A layer's depth taken from a picture instead of outlines: the decoded picture, where
/// it came from and how it is read.
struct LayerDepthMap {
    std::filesystem::path path; ///< the picture file, as chosen
    std::string layerName; ///< for a PSD or PSB: the layer used; empty for its merged picture
    DepthMapOptions options;
    std::shared_ptr<const GreyPicture> picture; ///< empty: the layer has no map
    std::uint16_t darkest = 0; ///< smallest value of the picture
    std::uint16_t lightest = 0; ///< largest value of the picture

    bool present() const { return picture != nullptr; }
};

/// A map of the picture: darkest and lightest found, the rest as given.
LayerDepthMap MakeLayerDepthMap(
    GreyPicture picture, std::filesystem::path path, std::string layerName, const DepthMapOptions& options);

/// The source text of a map as the batch front end and the project's depth file take
/// it: the path, and "#" with the layer name when a layer of a PSD is used.
std::string DepthMapSourceText(const LayerDepthMap& map);

} // namespace deptrix
